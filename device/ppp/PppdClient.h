#pragma once
// The pppd driver: runs pppd on a real card's data port and follows its log and the link's
// interface.
//
// Each dial starts pppd (never through a shell) with the data port, a chat script that dials
// the number and, when there is an account, an options file that carries it; both files are
// 0600 in a private folder and go when pppd ends. pppd's log comes through a pipe to a reader
// thread of the driver, which turns it into dial states for the listener, reaps pppd when it
// ends and turns its exit status into the dial's error. HangUp sends SIGTERM, and SIGKILL to
// pppd's process group (pppd and its connect script) when pppd has not ended after a grace
// time on the driver's clock.
//
// The listener is called on the reader thread, without the driver's lock (it may ask for the
// state). A report under way when SetListener changes the listener still reaches the old one;
// HangUp and the destructor wait for the reader. A listener may hang up (the reader then reaps
// pppd after the report) but not dial.

#include <chrono>
#include <memory>
#include <string>

#include "device/base/Clock.h"
#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

struct PppdOptions {
    std::string pppd = "/usr/sbin/pppd";
    std::string chat = "/usr/sbin/chat";  // a plain path: pppd runs it through /bin/sh
    std::string sysfs_root = "/sys";      // where the interface's counters are read
    std::string private_folder;           // empty: DefaultPrivateFolder()
    IClock* clock = nullptr;              // null: ProcessClock() when the driver is made
    IClock::Duration hangup_grace = std::chrono::seconds(3);
};

// The program's options: pppd from $DEDEVEV_PPPD when that is an absolute path, sysfs from
// $DEDEVEV_SYSFS_ROOT, the other values as above.
PppdOptions DefaultPppdOptions();

std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time);
std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time, PppdOptions options);

}  // namespace dedevev::ppp

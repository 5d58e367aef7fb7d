#pragma once
// pppd's log as dial states: the lines pppd (and chat, whose messages pppd passes to the same
// descriptor) writes while it dials, and what its exit status means.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

class PppdLog {
public:
    // Takes one line (without its line end) and appends the dial states it brings, in order:
    // a line that skips ahead brings the states between as well, and no state comes twice.
    void Take(std::string_view line, std::vector<int>* states);

    // The last state reached: kDialStateOpenPort before any line.
    int State() const { return state_; }
    // pppd reported the link's end ("Connection terminated.", "Modem hangup").
    bool LinkDown() const { return link_down_; }
    // The error the log points to (the first one), kDialErrorNone when none.
    int Hint() const { return hint_; }

    const std::string& Interface() const { return interface_; }
    const std::string& LocalAddress() const { return local_; }
    const std::string& RemoteAddress() const { return remote_; }
    const std::string& PrimaryDns() const { return dns_primary_; }
    const std::string& SecondaryDns() const { return dns_secondary_; }

    // The link's byte counts pppd gives when it ends ("Sent N bytes, received M bytes.").
    struct Totals {
        std::uint64_t sent = 0;
        std::uint64_t received = 0;
    };
    const std::optional<Totals>& FinalTotals() const { return totals_; }

private:
    void Advance(int target, std::vector<int>* states);
    void Hint(int error);

    int state_ = kDialStateOpenPort;
    bool link_down_ = false;
    int hint_ = 0;
    std::string interface_;
    std::string local_;
    std::string remote_;
    std::string dns_primary_;
    std::string dns_secondary_;
    std::optional<Totals> totals_;
};

// The dial's error once pppd has ended: `wait_status` as waitpid gives it, `hint` the log's
// hint, `hung_up` when we ended it, `port_gone` when the data port vanished meanwhile.
int ErrorForEnd(int wait_status, int hint, bool hung_up, bool port_gone);

}  // namespace dedevev::ppp

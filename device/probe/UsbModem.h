#pragma once
// Decides, from sysfs facts alone, whether a USB device is a modem and which of its ttys is
// the command (AT) port, the data port and the voice port. Where the facts do not tell the
// command port of a known maker's modem, the result lists the ttys worth asking "AT"; the
// caller does the asking (and only then) and hands the answer to SettlePorts.

#include <string>
#include <vector>

#include "device/probe/UsbScan.h"

namespace dedevev::probe {

enum class UsbVerdict {
    kNotModem,       // never opened, never listed
    kModem,          // serial ports present
    kStorageMode,    // a modem that usb_modeswitch has not switched yet
    kDriverMissing,  // a modem whose serial interfaces have no driver bound
};

struct UsbModem {
    UsbVerdict verdict = UsbVerdict::kNotModem;
    std::string name;    // model from the table, else the device's own strings
    std::string driver;  // the serial driver bound, or the one that should be
    // tty names ("ttyUSB2"); empty when not known
    std::string at;
    std::string data;
    std::string voice;
    std::string diag;
    // ttys to ask "AT", in order, when `at` is empty; empty unless the maker is known.
    std::vector<std::string> candidates;
};

UsbModem ClassifyUsbDevice(const UsbDevice& device);

// True when asking must go through every candidate: the data port is not known either, and
// is told by answering AT as well. Otherwise asking stops at the first answer.
inline bool NeedsEveryAnswer(const UsbModem& modem) {
    return modem.data.empty();
}

// Takes the ttys that answered "AT" (in the order of `candidates`): the first is the command
// port; when the data port is not known, it becomes the answering port on interface 0, else
// the second answering port, else the command port itself (a single-port modem).
void SettleFromAnswers(const UsbDevice& device, const std::vector<std::string>& answered,
                       UsbModem* modem);

// Fills the data port once the command port is known (nothing happens without one): the
// known modem port, else interface 0 when it is not the command port, else the first
// other port that is neither diagnostics, GPS nor voice, else the command port itself.
void SettlePorts(const UsbDevice& device, UsbModem* modem);

}  // namespace dedevev::probe

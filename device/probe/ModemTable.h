#pragma once
// What we know about USB modems without talking to them: which vendors make modems, how
// the serial ports of known models are laid out, which devices are never modems, which
// modems sit in their storage (CD-ROM) mode, and what an interface's class codes say.
//
// The probe only ever opens a tty of a USB device that FindModemVendor knows or whose
// interfaces declare a modem class (ClassRole). IsNeverModem vetoes both: hobby boards,
// GPS receivers and serial adapters declare CDC ACM with the AT protocol too, and
// sending them "AT" may reset them.

#include <cstdint>
#include <string>

namespace dedevev::probe {

// What one serial interface of a modem is for.
enum class PortRole {
    kUnknown,  // not known from the table or the class codes
    kModem,    // the data port: PPP runs over it (it speaks AT before the dial too)
    kAt,       // the command port (Huawei "PC UI", ZTE/Longcheer "aux")
    kAcm,      // a CDC ACM port with an AT protocol: command and data capable
    kVoice,    // PCM audio of voice calls
    kDiag,     // Qualcomm diagnostics (QCDM); never sent AT
    kGps,      // NMEA output; never sent AT
};

struct ModemVendor {
    std::uint16_t vendor_id;
    const char* name;
    // The kernel driver that binds the vendor's vendor-specific serial interfaces.
    const char* serial_driver;
};

// The vendor entry when `vendor_id` belongs to a maker of USB modems, else null.
const ModemVendor* FindModemVendor(std::uint16_t vendor_id);

// Interface numbers of the ports of a known model; -1 when the model has no such port.
// An `at` of -1 with known other ports means: find the command port by asking the remaining
// ports "AT".
struct PortLayout {
    std::uint16_t vendor_id;
    std::uint16_t product_id;
    const char* model;
    int modem;
    int at;
    int voice;
    int diag;
    int gps;
};

// The layout of a known model, else null.
const PortLayout* FindPortLayout(std::uint16_t vendor_id, std::uint16_t product_id);

// True for USB devices with serial ports that are never modems (boards, GPS receivers,
// USB-serial adapters); the probe neither lists nor opens them.
bool IsNeverModem(std::uint16_t vendor_id, std::uint16_t product_id);

// True for modem identities that only exist in storage mode, before usb_modeswitch turns
// the stick into a modem.
bool IsStorageModeModem(std::uint16_t vendor_id, std::uint16_t product_id);

// The role an interface declares through its class, subclass and protocol (-1 = unknown
// value): CDC ACM with an AT protocol (02/02/01..06) for every vendor, and the
// vendor-specific codes of makers that document them (Huawei ff/01|02/01 modem, /02 PC UI).
PortRole ClassRole(std::uint16_t vendor_id, int cls, int subclass, int protocol);

// True when the interface class codes can carry a serial port at all (CDC ACM or
// vendor-specific); used to tell a missing tty driver from a network-only device.
bool IsSerialCapableClass(int cls, int subclass);

// "modem", "at", "voice" ...: a short name of the role for diagnostics.
const char* RoleName(PortRole role);

}  // namespace dedevev::probe

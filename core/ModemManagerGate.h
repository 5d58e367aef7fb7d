#pragma once
// The hand-over with ModemManager, the desktop's own modem service: before the AT port is
// opened it is asked to let go of the card (an inhibition), which lasts while the program uses
// the card. The bus side lives in the window layer and is installed here; without one (tests of
// the model, builds without D-Bus) nothing is asked.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dedevev {

// What the hardware probe knows of the card: its tty device paths ("/dev/ttyUSB2") and, for a
// USB card, the USB device's sysfs path. Empty entries are ignored.
struct CardIdentity {
    std::vector<std::string> ports;
    std::string usb_path;
};

enum class ModemHoldResult {
    kNoModemManager,  // no bus, or ModemManager is not running
    kNotManaged,      // ModemManager runs but does not manage this card
    kHeld,            // ModemManager let go of the card until Release
    kDeclined,        // NetworkManager uses the card and the person kept it that way
    kRefused,         // ModemManager (or the bus) said no
};

struct ModemHold {
    ModemHoldResult result = ModemHoldResult::kNoModemManager;
    std::string reason;        // kRefused: the bus's own words
    std::uint16_t vendor = 0;  // the managed modem's USB ids, when known
    std::uint16_t product = 0;
};

class IModemManagerGate {
public:
    virtual ~IModemManagerGate() = default;
    // Asks ModemManager to let go of `card`. `confirm_take` is asked (and only then) when
    // NetworkManager has a connection up on the card; false keeps the card with it. A hold
    // still in place from an earlier call is released first.
    virtual ModemHold Hold(const CardIdentity& card, const std::function<bool()>& confirm_take) = 0;
    // Gives the card back to ModemManager; nothing when nothing is held.
    virtual void Release() = 0;
    virtual bool Holding() const = 0;
};

// Installs (or with null removes) the process's gate; returns the previous one.
IModemManagerGate* SetModemManagerGate(IModemManagerGate* gate);
IModemManagerGate* ModemManagerGate();
// Releases the installed gate's hold (the card went away, the program ends).
void ReleaseModemManagerHold();

// Whether a ModemManager port name ("ttyUSB2") or a device path names one of `card`'s ports.
bool CardHasPort(const CardIdentity& card, const std::string& port);

// The udev rule that makes ModemManager leave the held modem's USB device alone.
std::string ModemManagerIgnoreRule(const ModemHold& hold);

// The text shown when ModemManager would not let go of the card: what happened, and what the
// person can do about it (a udev rule for this device, or stopping the service).
std::u16string ModemManagerRefusalText(const ModemHold& hold);

}  // namespace dedevev

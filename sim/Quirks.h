#pragma once
// What real cards do differently from the standard, switched on one by one on the simulated card
// (control command `quirks`): a bare AT refused, no numeric error reports, no AT+GCAP, no choice
// of character set, the radio off at power-up, a SIM that takes seconds to start, network lists
// without the access technology, storages that must be named in full, and empty storages whose
// listing fails.

#include <bitset>
#include <string>
#include <string_view>

namespace dedevev::sim {

enum class Quirk {
    kAtError,     // "at-error": a bare AT answers ERROR
    kNoCmee,      // "no-cmee": AT+CMEE is refused, errors stay a plain ERROR
    kNoGcap,      // "no-gcap": AT+GCAP is refused, ATI lists no capabilities
    kNoCscs,      // "no-cscs": AT+CSCS=<set> is refused (the card keeps "IRA")
    kRadioOff,    // "radio-off": the radio is off at power-up (+CFUN: 4)
    kSimBusy,     // "sim-busy": the SIM starts only after the radio came on
    kCopsNoAct,   // "cops-no-act": AT+COPS=? groups without <act>
    kCpmsFull,    // "cpms-full": AT+CPMS takes all three storages or none
    kEmptyError,  // "empty-error": listing an empty storage fails
    kNoSyscfgEx,  // "no-syscfgex": a vendor card of the 3G era, without ^SYSCFGEX
    kNoSyscfg,    // "no-syscfg": a vendor card without ^SYSCFG (only AT+WS46)
    kCount,
};

// The command set the card speaks (control command `dialect`): ours, with the ^DD... commands,
// or a vendor's, which refuses the ^DD... work-mode, preferred-system and reset commands and
// answers ^SYSCFGEX, ^SYSCFG and AT+WS46 instead (and only then).
enum class Dialect { kOurs, kVendor };

class QuirkSet {
public:
    bool Has(Quirk quirk) const { return bits_.test(static_cast<std::size_t>(quirk)); }
    void Set(Quirk quirk, bool on) { bits_.set(static_cast<std::size_t>(quirk), on); }
    bool None() const { return bits_.none(); }
    bool operator==(const QuirkSet& other) const { return bits_ == other.bits_; }

private:
    std::bitset<static_cast<std::size_t>(Quirk::kCount)> bits_;
};

const char* QuirkName(Quirk quirk);
bool ParseQuirk(std::string_view name, Quirk* quirk);
// "at-error,no-cmee" in the order of the enum; "none" for an empty set.
std::string QuirkList(const QuirkSet& quirks);
// The reverse of QuirkList ("none" is the empty set); false with `error` naming a bad entry.
bool ParseQuirkList(std::string_view list, QuirkSet* quirks, std::string* error);

}  // namespace dedevev::sim

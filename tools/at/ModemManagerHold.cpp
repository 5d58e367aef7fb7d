#include "tools/at/ModemManagerHold.h"

#include <QCoreApplication>
#include <memory>

#include "core/views/QtModemManagerGate.h"

namespace dedevev::attool {
namespace {

// The bus library wants an application object; it outlives the gate and goes before the
// program's own exit.
int g_argc = 1;
char g_name[] = "dedevev-at";
char* g_argv[] = {g_name, nullptr};

}  // namespace

ModemManagerHold::ModemManagerHold() = default;
ModemManagerHold::~ModemManagerHold() = default;

int ModemManagerHold::Take(const CardIdentity& card, Output& out) {
    if (QCoreApplication::instance() == nullptr)
        app_ = std::make_unique<QCoreApplication>(g_argc, g_argv);
    gate_ = std::make_unique<QtModemManagerGate>();
    // Nobody is asked here: a connection NetworkManager has up on the card is left alone.
    const ModemHold hold = gate_->Hold(card, [] { return false; });
    switch (hold.result) {
        case ModemHoldResult::kDeclined:
            return out.Fail(kExitPort,
                            "NetworkManager has a connection up on this modem; end it first "
                            "(nmcli connection down <name>), then try again");
        case ModemHoldResult::kRefused:
            // Not fatal: the port may open all the same, and when not the port error follows.
            out.Fail(kExitOk,
                     "ModemManager did not let go of the modem (" + hold.reason +
                         "); to have it leave this modem alone add the udev rule\n  " +
                         ModemManagerIgnoreRule(hold) +
                         "\nor stop it while you use the modem: sudo systemctl stop ModemManager");
            return kExitOk;
        case ModemHoldResult::kNoModemManager:
        case ModemHoldResult::kNotManaged:
        case ModemHoldResult::kHeld:
            return kExitOk;
    }
    return kExitOk;
}

}  // namespace dedevev::attool

#pragma once
// dedevev-at's hand-over with ModemManager: the same inhibition the program asks for, held
// while the tool uses the port and given back when the object goes.

#include <memory>

#include "core/ModemManagerGate.h"
#include "tools/at/AtTool.h"

class QCoreApplication;

namespace dedevev {
class QtModemManagerGate;
}

namespace dedevev::attool {

class ModemManagerHold {
public:
    ModemManagerHold();
    ~ModemManagerHold();
    ModemManagerHold(const ModemManagerHold&) = delete;
    ModemManagerHold& operator=(const ModemManagerHold&) = delete;

    // Asks ModemManager to let go of `card`; kExitOk unless the tool must not go on.
    int Take(const CardIdentity& card, Output& out);

private:
    std::unique_ptr<QCoreApplication> app_;  // only when there was none
    std::unique_ptr<QtModemManagerGate> gate_;
};

}  // namespace dedevev::attool

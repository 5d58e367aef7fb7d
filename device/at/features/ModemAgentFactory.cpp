// The library entry points: our AT modem object.

#include "device/IModemAgent.h"
#include "device/at/features/ModemAgent.h"

namespace dedevev {

IModemAgent* CreateModemAgent() {
    return new at::ModemAgent();
}

void ReleaseModemAgent(IModemAgent* agent) {
    delete agent;
}

}  // namespace dedevev

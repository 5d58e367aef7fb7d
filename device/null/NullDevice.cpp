// The library entry points for a build without card support: the hardware query finds no card
// and the modem object never opens. A build with card support links its own entry points
// instead of this file.

#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"
#include "device/null/NullObjects.h"

namespace dedevev {

IModemAgent* CreateModemAgent() {
    return new CNullModemAgent();
}

void ReleaseModemAgent(IModemAgent* agent) {
    delete agent;
}

IHardwareInfo* GetHardware(CDeviceStatus* owner) {
    (void)owner;
    return new CNullHardwareInfo();
}

}  // namespace dedevev

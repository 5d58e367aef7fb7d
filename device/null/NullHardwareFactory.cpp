// Entry point of the hardware query for a build without card support: no card is ever
// found. Linked only when device/probe provides no entry point of its own.

#include "device/IHardwareInfo.h"
#include "device/null/NullObjects.h"

namespace dedevev {

IHardwareInfo* GetHardware(CDeviceStatus* owner) {
    (void)owner;
    return new CNullHardwareInfo();
}

}  // namespace dedevev

// Entry point of the hardware query: the probe of fixed ports, simulated cards and USB
// modems. $DEDEVEV_SYSFS_ROOT moves the sysfs tree it reads (for tests and diagnosis of a
// copied tree); $DEDEVEV_DEVICE_DIR moves the simulated-device folder.

#include <cstdlib>
#include <string>

#include "device/IHardwareInfo.h"
#include "device/probe/HardwareProbe.h"

namespace dedevev {

IHardwareInfo* GetHardware(CDeviceStatus* owner) {
    probe::ProbeOptions options;
    if (const char* root = std::getenv("DEDEVEV_SYSFS_ROOT"); root != nullptr && *root == '/') {
        options.sysfs_root = root;
    }
    return new probe::HardwareProbe(owner, options);
}

}  // namespace dedevev

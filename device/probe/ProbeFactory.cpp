// Entry point of the hardware query: the probe of fixed ports, simulated cards and USB
// modems. $DEDEVEV_SYSFS_ROOT moves the sysfs tree it reads and $DEDEVEV_DEV_ROOT the folder
// of the device nodes it names and opens (for tests, which must never reach a modem plugged
// into the machine, and for diagnosis of a copied tree); $DEDEVEV_DEVICE_DIR moves the
// simulated-device folder.

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
    if (const char* root = std::getenv("DEDEVEV_DEV_ROOT"); root != nullptr && *root == '/') {
        options.dev_root = root;
    }
    return new probe::HardwareProbe(owner, options);
}

}  // namespace dedevev

#pragma once
// The modem object: one per opened card, created by CreateModemAgent and destroyed only by
// ReleaseModemAgent. Sub-interfaces are asked for anew for each use and never released; they
// live as long as the modem object.

#include <string>

#include "device/DeviceStatus.h"
#include "device/ICardService.h"
#include "device/IDeviceControl.h"
#include "device/IPhonebook.h"
#include "device/ISmsControl.h"
#include "device/IVoiceControl.h"

namespace dedevev {

class IModemAgent;

// Creates a modem object (null when none can be made); it is not open yet.
IModemAgent* CreateModemAgent();
// Closes and destroys a modem object from CreateModemAgent; null is ignored.
void ReleaseModemAgent(IModemAgent* agent);

class IModemAgent {
public:
    // 0..4: the sub-interfaces. Never null for an object from CreateModemAgent.
    virtual IDeviceControl* GetDeviceControl() = 0;
    virtual IVoiceControl* GetVoiceControl() = 0;
    virtual IPhonebookStore* GetPhonebookStore() = 0;
    virtual ISmsControl* GetSmsControl() = 0;
    virtual ICardService* GetCardService() = 0;
    // 5: opens the AT port (`port` a device path, `baud` 115200 in this program). True and
    // status kStatusOk when the port is open; fails when the port is missing, busy or not ours.
    virtual bool Open(const std::string& port, int baud, int* status) = 0;
    // 6: closes the port; the object stays usable for another Open.
    virtual void Close() = 0;
    // 7: switches the library's own log on or off.
    virtual void EnableLog(bool on) = 0;

protected:
    virtual ~IModemAgent() = default;
    friend void ReleaseModemAgent(IModemAgent* agent);
};

}  // namespace dedevev

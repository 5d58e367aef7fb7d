#pragma once
// The process-wide pair of the hardware query and the current modem object.
//
// The initialisation thread, the status thread and the user-interface thread all reach the
// device through Devices(). The holder's own state is guarded by a mutex; the modem object
// itself serialises its operations. A pointer handed out stays valid until the object is
// replaced (ResetModemAgent) or released (ReleaseModemAgent), which happens only during
// initialisation and at exit, when no other thread uses it. Whoever keeps something of the
// object beyond one use (the phonebook name mappings observe its phonebooks) lets go of it in a
// before-release handler.

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"

namespace dedevev {

// Owner of the hardware-query object.
class CDeviceStatus {
public:
    CDeviceStatus() = default;
    CDeviceStatus(const CDeviceStatus&) = delete;
    CDeviceStatus& operator=(const CDeviceStatus&) = delete;

    // The hardware query, or null when the probe could not be made.
    IHardwareInfo* Hardware() const { return hardware_.get(); }
    void SetHardware(std::unique_ptr<IHardwareInfo> hardware) { hardware_ = std::move(hardware); }

    // The probe calls NotifyDeviceChanged (from any thread) when a card appears or goes away;
    // the receiver set with SetDeviceChangedHandler runs on that thread and only posts.
    void SetDeviceChangedHandler(std::function<void()> handler);
    void NotifyDeviceChanged();

private:
    std::unique_ptr<IHardwareInfo> hardware_;
    std::mutex handler_mutex_;
    std::function<void()> changed_handler_;
};

class DeviceHolder {
public:
    // Asks GetHardware for the hardware query; no modem object yet.
    DeviceHolder();
    // Releases the modem object, then destroys the hardware query.
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    CDeviceStatus& Status() { return status_; }
    // The hardware query, or null.
    IHardwareInfo* Hardware() const { return status_.Hardware(); }

    // The current modem object, or null when none exists.
    IModemAgent* ModemAgent() const;
    // Releases the current modem object (if any) and creates a new one, not yet open.
    // Returns the new object, or null when none could be created.
    IModemAgent* ResetModemAgent();
    // Releases the current modem object; afterwards ModemAgent() is null.
    void ReleaseModemAgent();

    // `handler` runs on the thread that replaces or releases the modem object, before the old
    // object is released: the old object is still whole, ModemAgent() already answers null.
    // Returns an id for RemoveBeforeReleaseHandler.
    int AddBeforeReleaseHandler(std::function<void()> handler);
    // Once this returns, the handler is not called again (unless it is running on this very
    // thread).
    void RemoveBeforeReleaseHandler(int id);

private:
    // Takes the object out, tells the handlers, releases it. Holds replace_mutex_.
    void ReleaseLocked();

    CDeviceStatus status_;
    std::mutex replace_mutex_;  // one replacement or release at a time, handlers included
    mutable std::mutex mutex_;  // agent_
    IModemAgent* agent_ = nullptr;
    std::recursive_mutex handler_mutex_;  // handlers_
    std::vector<std::pair<int, std::function<void()>>> handlers_;
    int next_handler_ = 0;
};

// The process-wide holder, created on first use and destroyed at exit.
DeviceHolder& Devices();

}  // namespace dedevev

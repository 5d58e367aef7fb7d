#include "device/DeviceHolder.h"

#include <utility>

namespace dedevev {

void CDeviceStatus::SetDeviceChangedHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    changed_handler_ = std::move(handler);
}

void CDeviceStatus::NotifyDeviceChanged() {
    std::function<void()> handler;
    {
        std::lock_guard<std::mutex> lock(handler_mutex_);
        handler = changed_handler_;
    }
    // Called without the lock, so the handler may replace itself.
    if (handler) {
        handler();
    }
}

DeviceHolder::DeviceHolder() {
    status_.SetHardware(std::unique_ptr<IHardwareInfo>(GetHardware(&status_)));
}

DeviceHolder::~DeviceHolder() {
    ReleaseModemAgent();
    status_.SetHardware(nullptr);
}

IModemAgent* DeviceHolder::ModemAgent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return agent_;
}

IModemAgent* DeviceHolder::ResetModemAgent() {
    std::lock_guard<std::mutex> lock(mutex_);
    IModemAgent* old = std::exchange(agent_, nullptr);
    ::dedevev::ReleaseModemAgent(old);
    agent_ = CreateModemAgent();
    return agent_;
}

void DeviceHolder::ReleaseModemAgent() {
    IModemAgent* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::exchange(agent_, nullptr);
    }
    ::dedevev::ReleaseModemAgent(old);
}

DeviceHolder& Devices() {
    static DeviceHolder holder;
    return holder;
}

}  // namespace dedevev

#include "device/DeviceHolder.h"

#include <algorithm>
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
    std::lock_guard<std::mutex> replace(replace_mutex_);
    ReleaseLocked();
    IModemAgent* made = CreateModemAgent();
    std::lock_guard<std::mutex> lock(mutex_);
    agent_ = made;
    return made;
}

void DeviceHolder::ReleaseModemAgent() {
    std::lock_guard<std::mutex> replace(replace_mutex_);
    ReleaseLocked();
}

void DeviceHolder::ReleaseLocked() {
    IModemAgent* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::exchange(agent_, nullptr);
    }
    if (old == nullptr)
        return;
    // The handlers run without mutex_, so they may ask ModemAgent() (and get null), and under
    // handler_mutex_, so that one taken out on another thread is not called after.
    {
        std::lock_guard<std::recursive_mutex> lock(handler_mutex_);
        const auto handlers = handlers_;
        for (const auto& [id, handler] : handlers) {
            const bool still = std::any_of(handlers_.begin(), handlers_.end(),
                                           [id = id](const auto& h) { return h.first == id; });
            if (still)
                handler();
        }
    }
    ::dedevev::ReleaseModemAgent(old);
}

int DeviceHolder::AddBeforeReleaseHandler(std::function<void()> handler) {
    std::lock_guard<std::recursive_mutex> lock(handler_mutex_);
    handlers_.emplace_back(++next_handler_, std::move(handler));
    return next_handler_;
}

void DeviceHolder::RemoveBeforeReleaseHandler(int id) {
    std::lock_guard<std::recursive_mutex> lock(handler_mutex_);
    std::erase_if(handlers_, [id](const auto& h) { return h.first == id; });
}

DeviceHolder& Devices() {
    static DeviceHolder holder;
    return holder;
}

}  // namespace dedevev

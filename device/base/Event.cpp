#include "device/base/Event.h"

namespace dedevev {

Event::Event(Reset mode, bool initially_set) : mode_(mode), set_(initially_set) {}

void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        set_ = true;
    }
    if (mode_ == Reset::kManual)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void Event::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_;
}

bool Event::WaitUntil(IClock& clock, IClock::TimePoint deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!clock.WaitUntil(cv_, lock, deadline, [this] { return set_; }))
        return false;
    if (mode_ == Reset::kAuto)
        set_ = false;
    return true;
}

bool Event::WaitFor(IClock::Duration timeout) {
    IClock& clock = ProcessClock();
    return WaitUntil(clock, clock.Deadline(timeout));
}

void Event::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return set_; });
    if (mode_ == Reset::kAuto)
        set_ = false;
}

}  // namespace dedevev

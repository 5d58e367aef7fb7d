#include "core/CDMATime.h"

#include "device/base/Clock.h"

namespace dedevev {

DateTimeFields* CCDMATime::GetTime() {
    const DateTimeFields now = Now();
    std::lock_guard<std::mutex> lock(mutex_);
    time_ = now;
    return &time_;
}

DateTimeFields CCDMATime::Now() const {
    return ToDateTimeFields(ProcessClock().LocalNow());
}

CCDMATime& CdmaTime() {
    static CCDMATime instance;
    return instance;
}

}  // namespace dedevev

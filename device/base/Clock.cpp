#include "device/base/Clock.h"

#include <thread>

#include "device/base/Event.h"

namespace dedevev {

IClock::TimePoint SystemClock::Now() {
    return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
}

bool SystemClock::SleepFor(Duration duration, Event* stop) {
    if (stop == nullptr) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    // Waiting on the stop event ends the sleep as soon as a stop is asked for.
    return !stop->WaitFor(duration);
}

IClock::TimePoint TestClock::Now() {
    return TimePoint(Duration(now_ms_.load()));
}

bool TestClock::SleepFor(Duration duration, Event* stop) {
    if (stop != nullptr && stop->IsSet())
        return false;
    Advance(duration);
    slept_ms_ += duration.count();
    ++sleeps_;
    std::this_thread::yield();
    return true;
}

void TestClock::Advance(Duration duration) {
    now_ms_ += duration.count();
}

IClock::Duration TestClock::Slept() const {
    return Duration(slept_ms_.load());
}

std::int64_t TestClock::SleepCount() const {
    return sleeps_.load();
}

namespace {
std::atomic<IClock*> g_installed{nullptr};
}

IClock& ProcessClock() {
    static SystemClock system_clock;
    IClock* installed = g_installed.load();
    return installed != nullptr ? *installed : system_clock;
}

void SetProcessClock(IClock* clock) {
    g_installed.store(clock);
}

}  // namespace dedevev

#pragma once
// Time as the worker threads see it. Production code uses SystemClock (steady clock, real
// sleeps); tests install a TestClock, on which a sleep returns at once and moves the clock on,
// so that waits of seconds run in microseconds while the code keeps its real timings.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace dedevev {

class Event;

class IClock {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;

    virtual ~IClock() = default;
    virtual TimePoint Now() = 0;
    // Sleeps `duration`, or less when `stop` (may be null) is set meanwhile. True when the
    // whole duration passed, false when the stop event cut it short.
    virtual bool SleepFor(Duration duration, Event* stop) = 0;
};

class SystemClock final : public IClock {
public:
    TimePoint Now() override;
    bool SleepFor(Duration duration, Event* stop) override;
};

// A clock that only moves when someone sleeps on it (or Advance is called). Thread-safe.
class TestClock final : public IClock {
public:
    TimePoint Now() override;
    // Returns at once after moving the clock on by `duration` (false at once when `stop` is set,
    // without moving the clock). Yields the processor so that other threads make progress.
    bool SleepFor(Duration duration, Event* stop) override;
    void Advance(Duration duration);
    // Total time spent asleep on this clock and the number of sleeps.
    Duration Slept() const;
    std::int64_t SleepCount() const;

private:
    std::atomic<std::int64_t> now_ms_{0};
    std::atomic<std::int64_t> slept_ms_{0};
    std::atomic<std::int64_t> sleeps_{0};
};

// The process-wide clock: the SystemClock unless a test installed another one.
IClock& ProcessClock();
// Installs `clock` (null restores the SystemClock); the caller keeps it alive while installed.
void SetProcessClock(IClock* clock);

}  // namespace dedevev

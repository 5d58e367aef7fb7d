#pragma once
// The clock seam: every reading of time and every timed wait of the program goes through an
// IClock, so that tests decide when time passes.
//
// Production: ProcessClock() is the SystemClock (steady clock, local wall time, real waits).
// An object takes its clock when it is made (an IClock* in its options or constructor, null
// meaning ProcessClock()) and keeps it: deadlines come from clock.Now() or Deadline(), condition
// waits go through clock.WaitUntil/WaitFor, event waits through Event::WaitUntil(clock, ...),
// sleeps through clock.SleepFor (with a stop event where a stop must cut them short), polls of
// descriptors through clock.Poll/PollUntil, and the local date and time from clock.LocalNow().
// A blocking call that the seam cannot wrap waits in slices and looks at the clock between.
//
//   while (!stop.WaitUntil(clock, clock.Deadline(100ms))) { ...watch the link... }
//
// Tests: a ManualClock stands still until the test calls Advance; a wait wakes when its
// deadline has passed on that clock or its condition holds, never before. AwaitWaiter(deadline)
// tells the test that a thread is blocked until that deadline, i.e. has done everything due
// before it. Install the clock with ScopedProcessClock before making the objects under test
// (or hand it to them), and end those objects before the clock. A TestClock is a manual clock
// on which a sleep moves the clock on by itself and returns at once, for threads whose pauses
// should cost no time at all.

#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>

namespace dedevev {

class Event;

class IClock {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;
    // The local date and time (the wall clock as the user reads it).
    using LocalTime = std::chrono::local_time<Duration>;
    // The deadline of a wait without a time-out.
    static constexpr TimePoint kNever = TimePoint::max();

    virtual ~IClock() = default;

    virtual TimePoint Now() = 0;
    virtual LocalTime LocalNow() = 0;
    // Blocks on `cv` (with `lock` held, as std::condition_variable::wait) until it is notified
    // or `deadline` has passed on this clock. May return early: callers look again.
    virtual void WaitOnce(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                          TimePoint deadline) = 0;
    // poll(2) until one of `fds` is ready or `deadline` has passed on this clock. Returns as
    // poll does; 0 may also mean "look at the clock again" (a manual clock polls in slices).
    virtual int Poll(pollfd* fds, nfds_t count, TimePoint deadline) = 0;
    // Sleeps `duration`, or less when `stop` (may be null) is set meanwhile. True when the
    // whole duration passed, false when the stop event cut it short.
    virtual bool SleepFor(Duration duration, Event* stop);

    // `duration` from now; kNever when that lies beyond what a time point holds.
    TimePoint Deadline(Duration duration);
    // Poll, repeated until a descriptor is ready or `deadline` has passed: > 0 ready, 0 the
    // deadline passed, < 0 poll failed.
    int PollUntil(pollfd* fds, nfds_t count, TimePoint deadline);

    // Waits on `cv` until `ready()` holds or `deadline` has passed; the last `ready()`.
    template <typename Predicate>
    bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline, Predicate ready) {
        while (!ready()) {
            if (deadline != kNever && Now() >= deadline)
                return ready();
            WaitOnce(cv, lock, deadline);
        }
        return true;
    }
    template <typename Predicate>
    bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, Duration timeout,
                 Predicate ready) {
        return WaitUntil(cv, lock, Deadline(timeout), ready);
    }
};

class SystemClock final : public IClock {
public:
    TimePoint Now() override;
    LocalTime LocalNow() override;
    void WaitOnce(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  TimePoint deadline) override;
    int Poll(pollfd* fds, nfds_t count, TimePoint deadline) override;
    bool SleepFor(Duration duration, Event* stop) override;
};

// A clock that moves only when Advance is called. Thread-safe. Waits on it block in real time
// until their deadline has passed on this clock (or they are woken as usual).
class ManualClock : public IClock {
public:
    // Starts at an arbitrary steady time and at local time `local`.
    explicit ManualClock(LocalTime local = std::chrono::local_days{std::chrono::year{2024} /
                                                                   std::chrono::March / 5} +
                                           std::chrono::hours{9});
    ~ManualClock() override;

    TimePoint Now() override;
    LocalTime LocalNow() override;
    void WaitOnce(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  TimePoint deadline) override;
    int Poll(pollfd* fds, nfds_t count, TimePoint deadline) override;

    // Moves the clock on (steady and wall time alike) and wakes the waits on it.
    void Advance(Duration duration);
    // Sets the wall clock; the steady clock stays where it is.
    void SetLocalTime(LocalTime local);
    // Waits in real time, up to `limit`, until a wait is blocked on this clock until
    // `deadline` (still ahead; kNever for a wait without a time-out): the thread under test
    // has done what it does before that wait.
    bool AwaitWaiter(TimePoint deadline,
                     std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
    struct Waiter {
        std::condition_variable* cv;  // null for a poll
        TimePoint deadline;
    };
    std::list<Waiter>::iterator Enter(std::condition_variable* cv, TimePoint deadline);
    void Leave(std::list<Waiter>::iterator waiter);

    std::mutex mutex_;
    std::condition_variable waiters_changed_;
    TimePoint now_{std::chrono::hours(24)};
    LocalTime local_;
    std::list<Waiter> waiters_;
};

// A manual clock on which a sleep returns at once after moving the clock on by its duration
// (false at once, without moving, when `stop` is set). Other waits block as on ManualClock.
class TestClock final : public ManualClock {
public:
    bool SleepFor(Duration duration, Event* stop) override;
    // Total time spent asleep on this clock and the number of sleeps.
    Duration Slept() const;
    std::int64_t SleepCount() const;

private:
    std::atomic<std::int64_t> slept_ms_{0};
    std::atomic<std::int64_t> sleeps_{0};
};

// The process-wide clock: the SystemClock unless a test installed another one.
IClock& ProcessClock();
// Installs `clock` (null restores the SystemClock); the caller keeps it alive while installed.
void SetProcessClock(IClock* clock);

// Installs a clock for the lifetime of this object and restores the previous one after.
class ScopedProcessClock {
public:
    explicit ScopedProcessClock(IClock& clock);
    ~ScopedProcessClock();
    ScopedProcessClock(const ScopedProcessClock&) = delete;
    ScopedProcessClock& operator=(const ScopedProcessClock&) = delete;

private:
    IClock* previous_;
};

}  // namespace dedevev

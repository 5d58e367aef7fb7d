#include "device/base/Clock.h"

#include <errno.h>
#include <time.h>

#include <algorithm>
#include <limits>
#include <thread>

#include "device/base/Event.h"

namespace dedevev {

namespace {

using std::chrono::milliseconds;

// How long a wait on a manual clock blocks in real time before it looks at the clock again:
// a notice of Advance can slip past a waiter that is just about to block, and a poll cannot
// be woken at all.
constexpr milliseconds kManualSlice{5};

int PollMillis(IClock::Duration left) {
    return static_cast<int>(
        std::clamp<std::int64_t>(left.count(), 0, std::numeric_limits<int>::max()));
}

int PollOnce(pollfd* fds, nfds_t count, int timeout_ms) {
    const int ready = ::poll(fds, count, timeout_ms);
    return ready < 0 && errno == EINTR ? 0 : ready;
}

}  // namespace

// ---- IClock

bool IClock::SleepFor(Duration duration, Event* stop) {
    const TimePoint deadline = Deadline(duration);
    if (stop != nullptr)
        return !stop->WaitUntil(*this, deadline);
    std::mutex mutex;
    std::condition_variable never_notified;
    std::unique_lock<std::mutex> lock(mutex);
    WaitUntil(never_notified, lock, deadline, [] { return false; });
    return true;
}

IClock::TimePoint IClock::Deadline(Duration duration) {
    const TimePoint now = Now();
    if (duration.count() <= 0)
        return now;
    if (duration >= kNever - now)
        return kNever;
    return now + duration;
}

int IClock::PollUntil(pollfd* fds, nfds_t count, TimePoint deadline) {
    for (;;) {
        const int ready = Poll(fds, count, deadline);
        if (ready != 0 || (deadline != kNever && Now() >= deadline))
            return ready;
    }
}

// ---- SystemClock

IClock::TimePoint SystemClock::Now() {
    return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
}

IClock::LocalTime SystemClock::LocalNow() {
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const time_t seconds = system_clock::to_time_t(now);
    tm local{};
    ::localtime_r(&seconds, &local);
    const local_days day{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
    return day + hours{local.tm_hour} + minutes{local.tm_min} + std::chrono::seconds{local.tm_sec} +
           now.time_since_epoch() % std::chrono::seconds(1);
}

void SystemClock::WaitOnce(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline) {
    if (deadline == kNever)
        cv.wait(lock);
    else
        cv.wait_until(lock, deadline);
}

int SystemClock::Poll(pollfd* fds, nfds_t count, TimePoint deadline) {
    return PollOnce(fds, count, deadline == kNever ? -1 : PollMillis(deadline - Now()));
}

bool SystemClock::SleepFor(Duration duration, Event* stop) {
    if (stop != nullptr)
        return IClock::SleepFor(duration, stop);
    std::this_thread::sleep_for(duration);
    return true;
}

// ---- ManualClock

ManualClock::ManualClock(LocalTime local) : local_(local) {}

ManualClock::~ManualClock() = default;

IClock::TimePoint ManualClock::Now() {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

IClock::LocalTime ManualClock::LocalNow() {
    std::lock_guard<std::mutex> lock(mutex_);
    return local_;
}

std::list<ManualClock::Waiter>::iterator ManualClock::Enter(std::condition_variable* cv,
                                                            TimePoint deadline) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (deadline != kNever && now_ >= deadline)
        return waiters_.end();
    waiters_.push_back(Waiter{cv, deadline});
    waiters_changed_.notify_all();
    return std::prev(waiters_.end());
}

void ManualClock::Leave(std::list<Waiter>::iterator waiter) {
    std::lock_guard<std::mutex> lock(mutex_);
    waiters_.erase(waiter);
    waiters_changed_.notify_all();
}

void ManualClock::WaitOnce(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline) {
    const auto waiter = Enter(&cv, deadline);
    if (waiter == waiters_.end())
        return;  // the deadline has passed
    if (deadline == kNever)
        cv.wait(lock);
    else
        cv.wait_for(lock, kManualSlice);
    Leave(waiter);
}

int ManualClock::Poll(pollfd* fds, nfds_t count, TimePoint deadline) {
    const auto waiter = Enter(nullptr, deadline);
    if (waiter == waiters_.end())
        return PollOnce(fds, count, 0);
    const int ready =
        PollOnce(fds, count, deadline == kNever ? -1 : static_cast<int>(kManualSlice.count()));
    Leave(waiter);
    return ready;
}

void ManualClock::Advance(Duration duration) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += duration;
    local_ += duration;
    // Each waiter's own mutex is not taken here (that would invert the lock order); a wake
    // that comes just before its waiter blocks is made up for by the slice.
    for (const Waiter& waiter : waiters_) {
        if (waiter.cv != nullptr && waiter.deadline <= now_)
            waiter.cv->notify_all();
    }
    waiters_changed_.notify_all();
}

void ManualClock::SetLocalTime(LocalTime local) {
    std::lock_guard<std::mutex> lock(mutex_);
    local_ = local;
}

bool ManualClock::AwaitWaiter(TimePoint deadline, milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return waiters_changed_.wait_for(lock, limit, [&] {
        return std::any_of(waiters_.begin(), waiters_.end(),
                           [&](const Waiter& w) { return w.deadline == deadline; });
    });
}

// ---- TestClock

bool TestClock::SleepFor(Duration duration, Event* stop) {
    if (stop != nullptr && stop->IsSet())
        return false;
    Advance(duration);
    slept_ms_ += duration.count();
    ++sleeps_;
    std::this_thread::yield();
    return true;
}

IClock::Duration TestClock::Slept() const {
    return Duration(slept_ms_.load());
}

std::int64_t TestClock::SleepCount() const {
    return sleeps_.load();
}

// ---- the process clock

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

ScopedProcessClock::ScopedProcessClock(IClock& clock) : previous_(g_installed.exchange(&clock)) {}

ScopedProcessClock::~ScopedProcessClock() {
    g_installed.store(previous_);
}

}  // namespace dedevev

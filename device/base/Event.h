#pragma once
// A signalled/non-signalled flag that threads can wait on. A manual-reset event stays set until
// Reset(); an auto-reset event lets exactly one waiter through per Set() and clears itself.

#include <condition_variable>
#include <mutex>

#include "device/base/Clock.h"

namespace dedevev {

class Event {
public:
    enum class Reset { kManual, kAuto };

    explicit Event(Reset mode = Reset::kManual, bool initially_set = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    // Whether the event is set; does not consume an auto-reset event.
    bool IsSet() const;
    // Waits until the event is set or `deadline` has passed on `clock`; true when it was set.
    // An auto-reset event is cleared by the waiter that sees it set.
    bool WaitUntil(IClock& clock, IClock::TimePoint deadline);
    // The same for `timeout` on the process clock.
    bool WaitFor(IClock::Duration timeout);
    void Wait();

private:
    const Reset mode_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

}  // namespace dedevev

#pragma once
// A signalled/non-signalled flag that threads can wait on. A manual-reset event stays set until
// Reset(); an auto-reset event lets exactly one waiter through per Set() and clears itself.

#include <chrono>
#include <condition_variable>
#include <mutex>

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
    // Waits until the event is set or `timeout` has passed; true when it was set. An
    // auto-reset event is cleared by the waiter that sees it set.
    bool WaitFor(std::chrono::milliseconds timeout);
    void Wait();

private:
    const Reset mode_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

}  // namespace dedevev

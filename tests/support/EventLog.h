#pragma once
// Events that other threads report (callbacks of a library's worker thread), kept in order as
// text, with waits for what a test expects to come.
//
//   class Recorder : public IVoiceEventHandler, public dedevev::test::EventLog {
//       void OnCallEnded() override { Add("ended"); }
//   };
//   EXPECT_EQ(recorder.WaitForCount(2), (std::vector<std::string>{"incoming", "ended"}));

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace dedevev::test {

class EventLog {
public:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        changed_.notify_all();
    }
    std::vector<std::string> All() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // Forgets every event, and what TakeNext took.
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
        taken_ = 0;
    }

    // Waits until at least `count` events came; returns all of them (fewer after `wait`).
    std::vector<std::string> WaitForCount(
        std::size_t count, std::chrono::milliseconds wait = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, wait, [&] { return events_.size() >= count; });
        return events_;
    }
    // Waits for an event that starts with `prefix`; the first such event ("" after `wait`).
    std::string WaitForPrefix(const std::string& prefix,
                              std::chrono::milliseconds wait = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::string found;
        changed_.wait_for(lock, wait, [&] {
            for (const std::string& event : events_) {
                if (event.rfind(prefix, 0) == 0) {
                    found = event;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    // The oldest event that no earlier call took, waiting for it up to `wait`.
    std::optional<std::string> TakeNext(std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, wait, [&] { return events_.size() > taken_; }))
            return std::nullopt;
        return events_[taken_++];
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
    std::size_t taken_ = 0;
};

}  // namespace dedevev::test

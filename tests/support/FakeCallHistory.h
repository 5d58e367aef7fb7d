#pragma once
// A call list in memory for the call manager's tests: keeps what is added, newest first.

#include <mutex>
#include <vector>

#include "voice/CallHistory.h"

namespace dedevev::test {

class FakeCallHistory final : public ICallHistory {
public:
    int Count() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(records_.size());
    }
    bool Get(CallRecord* record, int index) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (index < 0 || index >= static_cast<int>(records_.size()))
            return false;
        *record = records_[static_cast<std::size_t>(index)];
        return true;
    }
    void Add(const CallRecord& record, bool) override {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.insert(records_.begin(), record);
    }
    void RemoveAt(int) override {}
    void Clear() override {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.clear();
    }
    int GetTalkTime() const override { return 0; }
    void ResetTalkTime() override {}
    void MarkSeen(int) override {}
    void MarkAllSeen() override {}
    int UnseenCount() const override { return 0; }
    void AddObserver(ICallHistoryObserver*) override {}
    void RemoveObserver(ICallHistoryObserver*) override {}
    void BeginUse() override {}
    void EndUse() override {}
    bool IsInUse() const override { return false; }

    std::vector<CallRecord> Records() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return records_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<CallRecord> records_;
};

}  // namespace dedevev::test

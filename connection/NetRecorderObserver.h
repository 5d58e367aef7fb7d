#pragma once
// Carries the connection history's changes to the window that shows it: each change only
// posts a message, which the window applies on its own thread.

#include <cstddef>

#include "connection/NetRecordStore.h"
#include "core/WindowMessage.h"

namespace dedevev {

// Messages of the history window.
constexpr unsigned kMsgRecordAdded = 1047;    // wparam: index of the new session
constexpr unsigned kMsgRecordRemoved = 1048;  // wparam: index of the removed session
constexpr unsigned kMsgRecordsCleared = 1049;

class CNetRecorderObserver : public INetRecordObserver {
public:
    explicit CNetRecorderObserver(IMessageTarget* target) : target_(target) {}

    void OnRecordAdded(std::size_t index) override {
        target_->Post({kMsgRecordAdded, index, 0, {}, {}});
    }
    void OnRecordRemoved(std::size_t index) override {
        target_->Post({kMsgRecordRemoved, index, 0, {}, {}});
    }
    void OnRecordsCleared() override { target_->Post({kMsgRecordsCleared, 0, 0, {}, {}}); }

private:
    IMessageTarget* target_;
};

}  // namespace dedevev

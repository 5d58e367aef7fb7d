#include "device/audio/BlockQueue.h"

namespace dedevev::audio {

void BlockQueue::Push(const Block& block) {
    {
        const std::lock_guard lock(mutex_);
        while (blocks_.size() >= capacity_ && !blocks_.empty()) {
            blocks_.pop_front();
            ++dropped_;
        }
        blocks_.push_back(block);
    }
    changed_.notify_all();
}

bool BlockQueue::Pop(IClock& clock, IClock::TimePoint deadline, Block* block) {
    std::unique_lock lock(mutex_);
    clock.WaitUntil(changed_, lock, deadline, [&] { return !blocks_.empty() || shut_; });
    if (shut_ || blocks_.empty())
        return false;
    *block = blocks_.front();
    blocks_.pop_front();
    return true;
}

bool BlockQueue::TryPop(Block* block) {
    const std::lock_guard lock(mutex_);
    if (blocks_.empty())
        return false;
    *block = blocks_.front();
    blocks_.pop_front();
    return true;
}

void BlockQueue::Clear() {
    const std::lock_guard lock(mutex_);
    blocks_.clear();
}

void BlockQueue::Shut() {
    {
        const std::lock_guard lock(mutex_);
        shut_ = true;
    }
    changed_.notify_all();
}

void BlockQueue::Reopen() {
    const std::lock_guard lock(mutex_);
    shut_ = false;
}

std::size_t BlockQueue::Size() const {
    const std::lock_guard lock(mutex_);
    return blocks_.size();
}

std::uint64_t BlockQueue::Dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace dedevev::audio

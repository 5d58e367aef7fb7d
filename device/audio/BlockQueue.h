#pragma once
// The blocks waiting in one direction of the voice path. Bounded: when a block arrives at a full
// queue the oldest one goes (a late block is worth less than the current one), and the drops
// are counted. Thread-safe; Pop waits through the clock seam.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "device/audio/AudioFormat.h"
#include "device/base/Clock.h"

namespace dedevev::audio {

using Block = std::array<std::uint8_t, kBlockBytes>;

class BlockQueue {
public:
    explicit BlockQueue(std::size_t capacity = kMaxQueuedBlocks) : capacity_(capacity) {}

    void Push(const Block& block);
    // The oldest block; false when `deadline` passed on `clock` or the queue is shut.
    bool Pop(IClock& clock, IClock::TimePoint deadline, Block* block);
    // The oldest block when there is one, without waiting.
    bool TryPop(Block* block);
    // Drops every waiting block (not counted as drops).
    void Clear();
    // Makes every Pop, waiting or to come, return false until Reopen.
    void Shut();
    void Reopen();

    std::size_t Size() const;
    std::uint64_t Dropped() const;

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> blocks_;
    std::uint64_t dropped_ = 0;
    bool shut_ = false;
};

}  // namespace dedevev::audio

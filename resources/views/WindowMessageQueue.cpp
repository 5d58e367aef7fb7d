#include "resources/views/WindowMessageQueue.h"

#include <limits>

namespace dedevev {

CWindowMessageQueue::CWindowMessageQueue(QObject* context,
                                         std::function<void(const WindowMessage&)> handler)
    : handler_(std::move(handler)),
      owner_thread_(std::this_thread::get_id()),
      wake_(context, [this] { DrainWoken(); }) {}

CWindowMessageQueue::~CWindowMessageQueue() {
    Shutdown();
}

void CWindowMessageQueue::Post(WindowMessage message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shut_down_)
            return;
        queue_.push_back({std::move(message), nullptr});
    }
    if (std::this_thread::get_id() == owner_thread_)
        ++own_posts_;
    wake_.Wake();
}

void CWindowMessageQueue::Send(WindowMessage message) {
    if (std::this_thread::get_id() == owner_thread_) {
        Drain();  // keeps the order of what was posted before
        if (handler_)
            handler_(message);
        return;
    }
    Event done(Event::Reset::kManual);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shut_down_)
            return;
        queue_.push_back({std::move(message), &done});
    }
    wake_.Wake();
    done.Wait();
}

void CWindowMessageQueue::Shutdown() {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shut_down_ = true;
        dropped.swap(queue_);
    }
    for (Entry& entry : dropped) {
        if (entry.done != nullptr)
            entry.done->Set();
    }
}

void CWindowMessageQueue::Drain() {
    HandleQueued(std::numeric_limits<std::size_t>::max());
}

void CWindowMessageQueue::DrainWoken() {
    // Only what is queued now, and what the handlers post here in turn: another thread that
    // posts as fast as this one handles must not keep the window from its other events. What
    // it posts meanwhile came with a wake of its own.
    std::size_t queued = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued = queue_.size();
    }
    HandleQueued(queued);
}

void CWindowMessageQueue::HandleQueued(std::size_t budget) {
    for (; budget > 0; --budget) {
        Entry entry;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                return;
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        own_posts_ = 0;
        if (handler_)
            handler_(entry.message);
        if (entry.done != nullptr)
            entry.done->Set();
        if (budget != std::numeric_limits<std::size_t>::max())
            budget += own_posts_;
    }
}

}  // namespace dedevev

#include "resources/views/WindowMessageQueue.h"

namespace dedevev {

CWindowMessageQueue::CWindowMessageQueue(QObject* context,
                                         std::function<void(const WindowMessage&)> handler)
    : handler_(std::move(handler)),
      owner_thread_(std::this_thread::get_id()),
      wake_(context, [this] { Drain(); }) {}

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
    for (;;) {
        Entry entry;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                return;
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        if (handler_)
            handler_(entry.message);
        if (entry.done != nullptr)
            entry.done->Set();
    }
}

}  // namespace dedevev

#include "connection/StatusResolver.h"

#include "connection/NetPageTexts.h"

namespace dedevev {

CStatusResolver::CStatusResolver(Query query, Sink sink)
    : query_(std::move(query)), sink_(std::move(sink)), thread_([this] { Run(); }) {}

CStatusResolver::~CStatusResolver() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void CStatusResolver::Show(std::u16string text, bool ok) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        waiting_.emplace_back(std::move(text), ok);
    }
    changed_.notify_all();
}

void CStatusResolver::Run() {
    for (;;) {
        std::pair<std::u16string, bool> next;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // Not a timed wait: it ends when a text comes or the owner goes.
            changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            next = std::move(waiting_.front());
            waiting_.pop_front();
        }
        const std::u16string shown = StatusWithService(next.first, query_);
        if (sink_)
            sink_(shown, next.second);
    }
}

}  // namespace dedevev

#pragma once
// A window's message queue: worker threads post (or send) WindowMessages, and the window's own
// thread handles them in order. Posting never blocks; sending waits until the handler has run,
// unless the queue is shut down first (then it returns at once, unhandled).

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/WindowMessage.h"
#include "device/base/Event.h"
#include "resources/views/ThreadWake.h"

namespace dedevev {

class CWindowMessageQueue : public IMessageTarget {
public:
    // `handler` runs on the thread of `context` for each message.
    CWindowMessageQueue(QObject* context, std::function<void(const WindowMessage&)> handler);
    ~CWindowMessageQueue();

    void Post(WindowMessage message) override;
    // From the window's own thread the handler runs at once.
    void Send(WindowMessage message) override;
    // Messages still queued are dropped and waiting senders are let go; later posts are ignored.
    void Shutdown();
    // Handles everything queued so far (window thread; tests and nested waits).
    void Drain();

private:
    // A wake handles what was queued when it came, so that the window's other events get
    // their turn under a flood of posts.
    void DrainWoken();
    void HandleQueued(std::size_t budget);
    // Posts made on the window's own thread during the handler now running.
    std::size_t own_posts_ = 0;

    struct Entry {
        WindowMessage message;
        Event* done = nullptr;  // the waiting sender's event, for a sent message
    };

    std::function<void(const WindowMessage&)> handler_;
    std::thread::id owner_thread_;
    std::mutex mutex_;
    std::deque<Entry> queue_;
    bool shut_down_ = false;
    CThreadWake wake_;
};

}  // namespace dedevev

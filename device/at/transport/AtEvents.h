#pragma once
// The event side of AtChannel: its listeners, and the thread that calls them with the
// unsolicited lines and the disconnect notice, in arrival order.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dedevev::at::detail {

struct Event {
    bool disconnect = false;  // else an unsolicited line
    std::string line;
};

// The listeners of one channel; they outlive its sessions (Open .. Close).
class ListenerSet {
public:
    int Add(const std::string& prefix, std::function<void(const std::string&)> handler);
    // Once it returns (off the dispatching thread) the listener is neither running nor called.
    void Remove(int id);
    void SetDisconnectHandler(std::function<void()> handler);
    // Whether a listener with a non-empty prefix takes `line`.
    bool Matches(std::string_view line);
    // Calls the listeners of `event` (on the event thread).
    void Dispatch(const Event& event);
    // Whether the calling thread is an event thread of this set.
    bool OnDispatchThread() const;

private:
    struct Listener {
        int id;
        std::string prefix;
        std::shared_ptr<std::function<void(const std::string&)>> handler;
    };
    std::mutex mutex_;
    std::vector<Listener> list_;
    int next_id_ = 1;
    std::shared_ptr<std::function<void()>> on_disconnect_;
    std::mutex dispatch_;  // held while the handlers of one event run
};

// One session's event thread. Shared with the thread itself, so that a listener may close
// the channel (and even destroy it) from the event thread.
class EventThread {
public:
    static std::shared_ptr<EventThread> Start(std::shared_ptr<ListenerSet> listeners);
    void Post(Event event);
    // Delivers what is queued, then ends the thread and waits for it; on the event thread
    // itself it cannot wait and lets the thread end on its own after the current listener.
    void Stop();

private:
    static void Run(std::shared_ptr<EventThread> self);
    std::shared_ptr<ListenerSet> listeners_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Event> events_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace dedevev::at::detail

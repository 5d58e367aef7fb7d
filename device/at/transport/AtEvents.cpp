#include "device/at/transport/AtEvents.h"

#include <algorithm>

namespace dedevev::at::detail {

namespace {

// The listener set and the event thread the current thread dispatches for, if any.
thread_local const ListenerSet* tls_listeners = nullptr;
thread_local const EventThread* tls_thread = nullptr;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

template <typename F>
void CallGuarded(F&& call) {
    try {
        call();
    } catch (...) {
        // A throwing listener must not take the engine down; it only loses its event.
    }
}

}  // namespace

int ListenerSet::Add(const std::string& prefix, std::function<void(const std::string&)> handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int id = next_id_++;
    list_.push_back(
        {id, prefix,
         std::make_shared<std::function<void(const std::string&)>>(std::move(handler))});
    return id;
}

void ListenerSet::Remove(int id) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        list_.erase(std::remove_if(list_.begin(), list_.end(),
                                   [&](const Listener& listener) { return listener.id == id; }),
                    list_.end());
    }
    if (!OnDispatchThread()) {
        // Wait for a dispatch that may still hold the handler.
        std::lock_guard<std::mutex> wait(dispatch_);
    }
}

void ListenerSet::SetDisconnectHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    on_disconnect_ = std::make_shared<std::function<void()>>(std::move(handler));
}

bool ListenerSet::Matches(std::string_view line) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(list_.begin(), list_.end(), [&](const Listener& listener) {
        return !listener.prefix.empty() && StartsWith(line, listener.prefix);
    });
}

bool ListenerSet::OnDispatchThread() const {
    return tls_listeners == this;
}

void ListenerSet::Dispatch(const Event& event) {
    std::lock_guard<std::mutex> dispatch(dispatch_);
    if (event.disconnect) {
        std::shared_ptr<std::function<void()>> handler;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            handler = on_disconnect_;
        }
        if (handler && *handler)
            CallGuarded([&] { (*handler)(); });
        return;
    }
    std::vector<std::shared_ptr<std::function<void(const std::string&)>>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Listener& listener : list_) {
            if (listener.prefix.empty() || StartsWith(event.line, listener.prefix))
                targets.push_back(listener.handler);
        }
    }
    for (const auto& handler : targets)
        CallGuarded([&] { (*handler)(event.line); });
}

std::shared_ptr<EventThread> EventThread::Start(std::shared_ptr<ListenerSet> listeners) {
    auto self = std::make_shared<EventThread>();
    self->listeners_ = std::move(listeners);
    self->thread_ = std::thread(&EventThread::Run, self);
    return self;
}

void EventThread::Post(Event event) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
    }
    wake_.notify_one();
}

void EventThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (tls_thread == this)
        thread_.detach();  // it ends by itself once this listener returns
    else if (thread_.joinable())
        thread_.join();
}

void EventThread::Run(std::shared_ptr<EventThread> self) {
    tls_listeners = self->listeners_.get();
    tls_thread = self.get();
    for (;;) {
        Event event;
        {
            std::unique_lock<std::mutex> lock(self->mutex_);
            self->wake_.wait(lock, [&] { return self->stop_ || !self->events_.empty(); });
            if (self->events_.empty())
                break;  // stopped, and everything queued was delivered
            event = std::move(self->events_.front());
            self->events_.pop_front();
        }
        self->listeners_->Dispatch(event);
    }
    tls_listeners = nullptr;
    tls_thread = nullptr;
}

}  // namespace dedevev::at::detail

#pragma once
// Wakes the window thread from any thread without touching Qt on the calling thread: the
// caller writes to an eventfd, a socket notifier on the window thread runs the handler.
// State handed over goes through the caller's own mutex, so thread checkers see the
// hand-over (Qt's event queue is invisible to them).

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>

#include <functional>

namespace dedevev {

class CThreadWake {
public:
    // `handler` runs on the thread of `context` after one or more Wake() calls.
    CThreadWake(QObject* context, std::function<void()> handler);
    ~CThreadWake();
    CThreadWake(const CThreadWake&) = delete;
    CThreadWake& operator=(const CThreadWake&) = delete;

    // Any thread; never blocks.
    void Wake();

private:
    int fd_ = -1;
    QPointer<QSocketNotifier> notifier_;
    std::function<void()> handler_;
};

}  // namespace dedevev

#include "resources/views/ThreadWake.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace dedevev {

CThreadWake::CThreadWake(QObject* context, std::function<void()> handler)
    : handler_(std::move(handler)) {
    fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, context);
    QObject::connect(notifier_, &QSocketNotifier::activated, context, [this] {
        std::uint64_t count = 0;
        while (read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
        }
        if (handler_)
            handler_();
    });
}

CThreadWake::~CThreadWake() {
    delete notifier_.data();
    if (fd_ >= 0)
        close(fd_);
}

void CThreadWake::Wake() {
    if (fd_ < 0)
        return;
    const std::uint64_t one = 1;
    // A full counter (never in practice) still leaves the notifier readable.
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

}  // namespace dedevev

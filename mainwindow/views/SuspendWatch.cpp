#include "mainwindow/views/SuspendWatch.h"

#include <QDBusConnection>

namespace dedevev {

CSuspendWatch::CSuspendWatch(std::function<void()> on_suspend, QObject* parent)
    : QObject(parent), on_suspend_(std::move(on_suspend)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    connected_ = bus.connect("org.freedesktop.login1", "/org/freedesktop/login1",
                             "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                             SLOT(OnPrepareForSleep(bool)));
}

void CSuspendWatch::OnPrepareForSleep(bool start) {
    if (start && on_suspend_)
        on_suspend_();
}

}  // namespace dedevev

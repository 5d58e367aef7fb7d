#pragma once
// Tells the main window when the system is about to suspend: logind's PrepareForSleep(true) on
// the system bus. Without a system bus (containers, some test machines) it simply never fires.

#include <QObject>

#include <functional>

namespace dedevev {

class CSuspendWatch : public QObject {
    Q_OBJECT
public:
    CSuspendWatch(std::function<void()> on_suspend, QObject* parent = nullptr);
    // Whether the watch reached logind.
    bool Connected() const { return connected_; }

public slots:
    // logind's signal; `start` is true before sleeping and false after waking.
    void OnPrepareForSleep(bool start);

private:
    std::function<void()> on_suspend_;
    bool connected_ = false;
};

}  // namespace dedevev

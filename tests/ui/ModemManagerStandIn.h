#pragma once
// A private D-Bus daemon, and ModemManager and NetworkManager stand-ins on it answering from a
// thread of their own, so that blocking calls from the test thread get their answers.

#include <QDBusVirtualObject>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

namespace dedevev::test {

// dbus-daemon on a socket in `folder`; Address() is empty when it could not start.
class PrivateBus {
public:
    explicit PrivateBus(const QString& folder);
    ~PrivateBus();
    const QString& Address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

struct StandInModem {
    QString path;    // "/org/freedesktop/ModemManager1/Modem/0"
    QString device;  // sysfs path: the inhibition's uid
    QStringList ports;
    bool nm_connected = false;  // NetworkManager has a connection up on it
};

class StandInServices final : public QDBusVirtualObject {
public:
    // Owns ModemManager's name on `address` (and NetworkManager's, with one device per modem,
    // when `with_network_manager`).
    StandInServices(const QString& address, QList<StandInModem> modems,
                    bool with_network_manager = false);
    ~StandInServices() override;

    // "uid:1" / "uid:0" per InhibitDevice call, in order.
    QStringList Calls() const;
    // The unique bus name of the last client that asked for an inhibition.
    QString LastCaller() const;
    void SetRefuse(bool refuse) { refuse_ = refuse; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString&) const override { return {}; }

private:
    QVariant Property(const QString& path, const QString& name) const;

    QString name_;
    QList<StandInModem> modems_;
    QThread thread_;
    mutable std::mutex mutex_;
    QStringList calls_;
    QString last_caller_;
    std::atomic<bool> refuse_{false};
};

}  // namespace dedevev::test

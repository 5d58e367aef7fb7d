#pragma once
// A private D-Bus daemon and stand-ins for ModemManager and NetworkManager on it, served from
// their own thread so that blocking calls from the test thread get answered.

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>
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

class StandInServices : public QObject {
    Q_OBJECT
public:
    // Starts the services on `address`, owning ModemManager's name (and NetworkManager's when
    // `with_network_manager`).
    StandInServices(const QString& address, QList<StandInModem> modems,
                    bool with_network_manager = false);
    ~StandInServices() override;

    // "uid:1" / "uid:0" per InhibitDevice call, in order.
    QStringList Calls() const;
    // The unique bus name of the last client that asked for an inhibition.
    QString LastCaller() const;
    void SetRefuse(bool refuse) { refuse_ = refuse; }

    // Called on the service thread by the adaptors.
    void ReplyManagedObjects(const QDBusMessage& message);
    void Inhibit(const QString& uid, bool inhibit, const QDBusMessage& message);
    const QList<StandInModem>& Modems() const { return modems_; }

private:
    void Start(bool with_network_manager);

    QString address_;
    QString name_;
    QList<StandInModem> modems_;
    QThread thread_;
    QObject* root_ = nullptr;  // lives on thread_
    mutable std::mutex mutex_;
    QStringList calls_;
    QString last_caller_;
    std::atomic<bool> refuse_{false};
};

class ObjectManagerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.ObjectManager")
public:
    ObjectManagerAdaptor(QObject* parent, StandInServices* services)
        : QDBusAbstractAdaptor(parent), services_(services) {}
public slots:
    void GetManagedObjects(const QDBusMessage& message) { services_->ReplyManagedObjects(message); }

private:
    StandInServices* services_;
};

class ModemManagerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ModemManager1")
public:
    ModemManagerAdaptor(QObject* parent, StandInServices* services)
        : QDBusAbstractAdaptor(parent), services_(services) {}
public slots:
    void InhibitDevice(const QString& uid, bool inhibit, const QDBusMessage& message) {
        services_->Inhibit(uid, inhibit, message);
    }

private:
    StandInServices* services_;
};

class NetworkManagerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(QList<QDBusObjectPath> Devices READ Devices)
public:
    NetworkManagerAdaptor(QObject* parent, QList<QDBusObjectPath> devices)
        : QDBusAbstractAdaptor(parent), devices_(std::move(devices)) {}
    QList<QDBusObjectPath> Devices() const { return devices_; }

private:
    QList<QDBusObjectPath> devices_;
};

class NetworkDeviceAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(QString Udi READ Udi)
    Q_PROPERTY(uint State READ State)
public:
    NetworkDeviceAdaptor(QObject* parent, QString udi, uint state)
        : QDBusAbstractAdaptor(parent), udi_(std::move(udi)), state_(state) {}
    QString Udi() const { return udi_; }
    uint State() const { return state_; }

private:
    QString udi_;
    uint state_;
};

}  // namespace dedevev::test

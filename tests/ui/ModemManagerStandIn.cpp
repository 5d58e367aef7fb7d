#include "ModemManagerStandIn.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>

namespace dedevev::test {
struct StandInPort {
    QString name;
    uint type = 0;
};
}  // namespace dedevev::test

Q_DECLARE_METATYPE(dedevev::test::StandInPort)

namespace dedevev::test {

QDBusArgument& operator<<(QDBusArgument& arg, const StandInPort& port) {
    arg.beginStructure();
    arg << port.name << port.type;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, StandInPort& port) {
    arg.beginStructure();
    arg >> port.name >> port.type;
    arg.endStructure();
    return arg;
}

namespace {

using InterfaceMap = QMap<QString, QVariantMap>;
using ObjectMap = QMap<QDBusObjectPath, InterfaceMap>;

constexpr uint kPortAt = 3;  // MM_MODEM_PORT_TYPE_AT
constexpr uint kActivated = 100;
constexpr uint kDisconnected = 30;

}  // namespace

PrivateBus::PrivateBus(const QString& folder) {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                                  "--address=unix:path=" + folder + "/bus"});
    // The address is the daemon's first line, printed once it listens.
    while (daemon_.waitForStarted() && !daemon_.canReadLine() && daemon_.waitForReadyRead(20000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(10000))
        daemon_.kill();
    daemon_.waitForFinished(10000);
}

StandInServices::StandInServices(const QString& address, QList<StandInModem> modems,
                                 bool with_network_manager)
    : name_(QStringLiteral("stand-in-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      modems_(std::move(modems)) {
    qDBusRegisterMetaType<StandInPort>();
    qDBusRegisterMetaType<QList<StandInPort>>();
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ObjectMap>();
    QDBusConnection bus = QDBusConnection::connectToBus(address, name_);
    bus.registerVirtualObject("/org/freedesktop", this, QDBusConnection::SubPath);
    thread_.start();
    moveToThread(&thread_);  // calls are delivered there
    bus.registerService("org.freedesktop.ModemManager1");
    if (with_network_manager)
        bus.registerService("org.freedesktop.NetworkManager");
}

StandInServices::~StandInServices() {
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(name_);
}

QStringList StandInServices::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

QString StandInServices::LastCaller() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_caller_;
}

QVariant StandInServices::Property(const QString& path, const QString& name) const {
    const QString devices = "/org/freedesktop/NetworkManager/Devices/";
    if (path == "/org/freedesktop/NetworkManager" && name == "Devices") {
        QList<QDBusObjectPath> paths;
        for (int i = 0; i < modems_.size(); ++i)
            paths << QDBusObjectPath(devices + QString::number(i));
        return QVariant::fromValue(paths);
    }
    const int index = path.startsWith(devices) ? path.mid(devices.size()).toInt() : -1;
    if (index < 0 || index >= modems_.size())
        return {};
    if (name == "Udi")
        return modems_[index].path;
    return name == "State" ? QVariant(modems_[index].nm_connected ? kActivated : kDisconnected)
                           : QVariant();
}

bool StandInServices::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    if (member == "GetManagedObjects") {
        ObjectMap objects;
        for (const StandInModem& modem : modems_) {
            QList<StandInPort> ports;
            for (const QString& port : modem.ports)
                ports.append({port, kPortAt});
            QVariantMap properties;
            properties["Device"] = modem.device;
            properties["Ports"] = QVariant::fromValue(ports);
            objects[QDBusObjectPath(modem.path)]["org.freedesktop.ModemManager1.Modem"] =
                properties;
        }
        return connection.send(message.createReply(QVariant::fromValue(objects)));
    }
    if (member == "InhibitDevice" && args.size() == 2) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_ << args[0].toString() + (args[1].toBool() ? ":1" : ":0");
            last_caller_ = message.service();
        }
        return connection.send(
            refuse_ ? message.createErrorReply(QDBusError::AccessDenied, "Not authorized")
                    : message.createReply());
    }
    if (member == "Get" && args.size() == 2) {
        const QVariant value = Property(message.path(), args[1].toString());
        if (value.isValid())
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    }
    return false;
}

}  // namespace dedevev::test

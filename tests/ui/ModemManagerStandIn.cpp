#include "ModemManagerStandIn.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMetaType>
#include <QFile>
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
    const QString config = folder + "/bus.conf";
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                       "Configuration 1.0//EN\" "
                       "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:path=%1/bus</listen>"
                       "<policy context=\"default\"><allow send_destination=\"*\"/>"
                       "<allow own=\"*\"/><allow eavesdrop=\"true\"/></policy></busconfig>\n")
            .arg(folder)
            .toUtf8());
    file.close();
    daemon_.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address"});
    if (!daemon_.waitForStarted(10000))
        return;
    // The address is the daemon's first line, printed once it listens.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(20000)) {
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
    : address_(address),
      name_(QStringLiteral("stand-in-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)),
      modems_(std::move(modems)) {
    qDBusRegisterMetaType<StandInPort>();
    qDBusRegisterMetaType<QList<StandInPort>>();
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ObjectMap>();
    thread_.start();
    Start(with_network_manager);
}

StandInServices::~StandInServices() {
    QMetaObject::invokeMethod(
        root_,
        [this] {
            QDBusConnection::disconnectFromBus(name_);
            delete root_;
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void StandInServices::Start(bool with_network_manager) {
    auto* context = new QObject;
    context->moveToThread(&thread_);
    QMetaObject::invokeMethod(
        context,
        [this, with_network_manager] {
            QDBusConnection bus = QDBusConnection::connectToBus(address_, name_);
            root_ = new QObject;
            new ObjectManagerAdaptor(root_, this);
            new ModemManagerAdaptor(root_, this);
            bus.registerObject("/org/freedesktop/ModemManager1", root_,
                               QDBusConnection::ExportAdaptors);
            bus.registerService("org.freedesktop.ModemManager1");
            if (!with_network_manager)
                return;
            QList<QDBusObjectPath> devices;
            for (int i = 0; i < modems_.size(); ++i) {
                const QString path =
                    QStringLiteral("/org/freedesktop/NetworkManager/Devices/%1").arg(i + 1);
                auto* device = new QObject(root_);
                new NetworkDeviceAdaptor(device, modems_[i].path,
                                         modems_[i].nm_connected ? kActivated : kDisconnected);
                bus.registerObject(path, device, QDBusConnection::ExportAdaptors);
                devices << QDBusObjectPath(path);
            }
            auto* manager = new QObject(root_);
            new NetworkManagerAdaptor(manager, devices);
            bus.registerObject("/org/freedesktop/NetworkManager", manager,
                               QDBusConnection::ExportAdaptors);
            bus.registerService("org.freedesktop.NetworkManager");
        },
        Qt::BlockingQueuedConnection);
    context->deleteLater();
}

QStringList StandInServices::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

QString StandInServices::LastCaller() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_caller_;
}

void StandInServices::ReplyManagedObjects(const QDBusMessage& message) {
    ObjectMap objects;
    for (const StandInModem& modem : modems_) {
        QList<StandInPort> ports;
        for (const QString& port : modem.ports)
            ports.append({port, kPortAt});
        QVariantMap properties;
        properties["Device"] = modem.device;
        properties["Ports"] = QVariant::fromValue(ports);
        objects[QDBusObjectPath(modem.path)]["org.freedesktop.ModemManager1.Modem"] = properties;
    }
    message.setDelayedReply(true);
    QDBusConnection(name_).send(message.createReply(QVariant::fromValue(objects)));
}

void StandInServices::Inhibit(const QString& uid, bool inhibit, const QDBusMessage& message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_ << uid + (inhibit ? ":1" : ":0");
        last_caller_ = message.service();
    }
    if (refuse_) {
        message.setDelayedReply(true);
        QDBusConnection(name_).send(
            message.createErrorReply(QDBusError::AccessDenied, "Not authorized"));
    }
}

}  // namespace dedevev::test

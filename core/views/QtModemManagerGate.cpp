#include "core/views/QtModemManagerGate.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>

namespace dedevev {
namespace {

const QString kMmService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kMmPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kModemInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kNmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kNmDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint kNmDeviceActivated = 100;

struct ManagedModem {
    QString path;
    QString device;  // the USB device's sysfs path; ModemManager's uid for the inhibition
    QStringList ports;
};

// One call with the gate's time-out; an error message when the bus or the peer failed.
QDBusMessage Call(QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args,
                  int timeout_ms) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, timeout_ms);
}

bool Answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

bool HasOwner(QDBusConnection& bus, const QString& service, int timeout_ms) {
    const QDBusMessage reply =
        Call(bus, QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {service},
             timeout_ms);
    return Answered(reply) && reply.arguments().first().toBool();
}

QVariant Property(QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& name, int timeout_ms) {
    const QDBusMessage reply =
        Call(bus, service, path, kProperties, QStringLiteral("Get"), {interface, name}, timeout_ms);
    if (!Answered(reply))
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

// The names of an a(su) port list ("ttyUSB2"); empty for anything else.
QStringList PortNames(const QVariant& value) {
    QStringList names;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return names;
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(su)"))
        return names;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString name;
        uint type = 0;
        arg.beginStructure();
        arg >> name >> type;
        arg.endStructure();
        names << name;
    }
    arg.endArray();
    return names;
}

// ModemManager's modems; false when it gave no usable answer.
bool ListModems(QDBusConnection& bus, int timeout_ms, QList<ManagedModem>* modems) {
    const QDBusMessage reply =
        Call(bus, kMmService, kMmPath, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
             QStringLiteral("GetManagedObjects"), {}, timeout_ms);
    if (!Answered(reply) || reply.signature() != QLatin1String("a{oa{sa{sv}}}"))
        return false;
    const QDBusArgument arg = reply.arguments().first().value<QDBusArgument>();
    arg.beginMap();
    while (!arg.atEnd()) {
        ManagedModem modem;
        QDBusObjectPath path;
        arg.beginMapEntry();
        arg >> path;
        modem.path = path.path();
        arg.beginMap();
        while (!arg.atEnd()) {
            QString interface;
            QVariantMap properties;
            arg.beginMapEntry();
            arg >> interface >> properties;
            arg.endMapEntry();
            if (interface == kModemInterface) {
                modem.device = properties.value(QStringLiteral("Device")).toString();
                modem.ports = PortNames(properties.value(QStringLiteral("Ports")));
            }
        }
        arg.endMap();
        arg.endMapEntry();
        modems->append(modem);
    }
    arg.endMap();
    return true;
}

QString Canonical(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool Matches(const ManagedModem& modem, const CardIdentity& card) {
    if (!card.usb_path.empty() && !modem.device.isEmpty() &&
        Canonical(QString::fromStdString(card.usb_path)) == Canonical(modem.device))
        return true;
    for (const QString& port : modem.ports) {
        if (CardHasPort(card, port.toStdString()))
            return true;
    }
    return false;
}

// Whether NetworkManager has the modem at `modem_path` activated.
bool ConnectionUp(QDBusConnection& bus, const QString& modem_path, int timeout_ms) {
    if (!HasOwner(bus, kNmService, timeout_ms))
        return false;
    const QVariant devices =
        Property(bus, kNmService, kNmPath, kNmService, QStringLiteral("Devices"), timeout_ms);
    for (const QDBusObjectPath& device : qdbus_cast<QList<QDBusObjectPath>>(devices)) {
        const QString udi = Property(bus, kNmService, device.path(), kNmDeviceInterface,
                                     QStringLiteral("Udi"), timeout_ms)
                                .toString();
        if (udi != modem_path)
            continue;
        return Property(bus, kNmService, device.path(), kNmDeviceInterface, QStringLiteral("State"),
                        timeout_ms)
                   .toUInt() == kNmDeviceActivated;
    }
    return false;
}

std::uint16_t ReadUsbId(const QString& device, const char* name) {
    QFile file(device + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const uint value = QString::fromLatin1(file.readAll()).trimmed().toUInt(&ok, 16);
    return ok && value <= 0xffff ? static_cast<std::uint16_t>(value) : 0;
}

}  // namespace

QtModemManagerGate::QtModemManagerGate(QString bus_address, std::chrono::milliseconds timeout)
    : address_(std::move(bus_address)),
      timeout_ms_(static_cast<int>(timeout.count())),
      connection_name_(
          QStringLiteral("dedevev-modem-manager-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)) {
}

QtModemManagerGate::~QtModemManagerGate() {
    Release();
}

ModemHold QtModemManagerGate::Hold(const CardIdentity& card,
                                   const std::function<bool()>& confirm_take) {
    // One hold at a time; Release stays free meanwhile (the question below waits on the
    // window thread, which may itself want to release).
    std::lock_guard<std::mutex> hold_lock(hold_mutex_);
    Release();
    ModemHold hold;
    QDBusConnection bus =
        address_.isEmpty()
            ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, connection_name_)
            : QDBusConnection::connectToBus(address_, connection_name_);
    const auto close = [this] { QDBusConnection::disconnectFromBus(connection_name_); };
    QList<ManagedModem> modems;
    if (!bus.isConnected() || !HasOwner(bus, kMmService, timeout_ms_) ||
        !ListModems(bus, timeout_ms_, &modems)) {
        close();
        return hold;
    }
    hold.result = ModemHoldResult::kNotManaged;
    const auto modem = std::find_if(modems.cbegin(), modems.cend(),
                                    [&card](const ManagedModem& m) { return Matches(m, card); });
    if (modem == modems.cend()) {
        close();
        return hold;
    }
    const QString device =
        modem->device.isEmpty() ? QString::fromStdString(card.usb_path) : modem->device;
    hold.vendor = ReadUsbId(device, "idVendor");
    hold.product = ReadUsbId(device, "idProduct");
    if (ConnectionUp(bus, modem->path, timeout_ms_) && !(confirm_take && confirm_take())) {
        hold.result = ModemHoldResult::kDeclined;
        close();
        return hold;
    }
    hold.result = ModemHoldResult::kRefused;
    if (modem->device.isEmpty()) {
        hold.reason = "ModemManager names no device for the modem";
        close();
        return hold;
    }
    const QDBusMessage reply =
        Call(bus, kMmService, kMmPath, kMmService, QStringLiteral("InhibitDevice"),
             {modem->device, true}, timeout_ms_);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const QString message = reply.errorMessage();
        hold.reason =
            (reply.errorName() + (message.isEmpty() ? QString() : ": " + message)).toStdString();
        close();
        return hold;
    }
    // The connection stays open: it is what keeps the inhibition alive.
    std::lock_guard<std::mutex> lock(mutex_);
    held_uid_ = modem->device;
    hold.result = ModemHoldResult::kHeld;
    return hold;
}

void QtModemManagerGate::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_uid_.isEmpty())
        return;
    QDBusConnection bus(connection_name_);
    if (bus.isConnected()) {
        // Leaving the bus would lift it too; the explicit call says so at once.
        Call(bus, kMmService, kMmPath, kMmService, QStringLiteral("InhibitDevice"),
             {held_uid_, false}, timeout_ms_);
    }
    held_uid_.clear();
    QDBusConnection::disconnectFromBus(connection_name_);
}

bool QtModemManagerGate::Holding() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !held_uid_.isEmpty();
}

}  // namespace dedevev

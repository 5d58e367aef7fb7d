// The ModemManager hand-over against stand-in services on a private bus.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ModemManagerStandIn.h"
#include "core/ModemManagerGate.h"
#include "core/views/QtModemManagerGate.h"
#include "device/probe/SimulatedCards.h"
#include "support/Eventually.h"

namespace dedevev {
namespace {

using test::StandInModem;
using test::StandInServices;

class ModemManagerGateTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(folder_.isValid());
        bus_ = std::make_unique<test::PrivateBus>(folder_.path());
        ASSERT_FALSE(bus_->Address().isEmpty()) << "dbus-daemon did not start";
        // A USB device as sysfs shows it, for the ids the refusal names.
        device_ = folder_.path() + "/usb1/1-2";
        ASSERT_TRUE(QDir().mkpath(device_));
        WriteFile(device_ + "/idVendor", "12d1\n");
        WriteFile(device_ + "/idProduct", "1506\n");
        unrelated_ = {"/org/freedesktop/ModemManager1/Modem/0",
                      folder_.path() + "/usb1/1-4",
                      {"ttyUSB7", "ttyUSB8"}};
        card_ = {"/org/freedesktop/ModemManager1/Modem/1", device_, {"ttyUSB2", "ttyUSB3"}};
    }

    static void WriteFile(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // Whether `name` is still on the bus, asked over a connection of the test's own.
    bool OnBus(const QString& name) {
        QDBusConnection bus = QDBusConnection::connectToBus(bus_->Address(), "test-observer");
        const bool owned = bus.interface()->isServiceRegistered(name).value();
        QDBusConnection::disconnectFromBus("test-observer");
        return owned;
    }

    static CardIdentity Card(std::vector<std::string> ports, std::string usb_path = {}) {
        return CardIdentity{std::move(ports), std::move(usb_path)};
    }

    QTemporaryDir folder_;
    std::unique_ptr<test::PrivateBus> bus_;
    QString device_;
    StandInModem unrelated_;
    StandInModem card_;
};

TEST_F(ModemManagerGateTest, HoldsOnlyTheMatchingModemWhileUsedAndGivesItBack) {
    const std::vector<CardIdentity> cards = {
        Card({"/dev/ttyUSB2", "/dev/ttyUSB0"}),                                // by its ports
        Card({"/dev/ttyACM4"}, (folder_.path() + "/usb1/1-2").toStdString()),  // by sysfs
    };
    for (const CardIdentity& card : cards) {
        StandInServices services(bus_->Address(), {unrelated_, card_});
        QtModemManagerGate gate(bus_->Address());
        EXPECT_EQ(gate.Hold(card, [] { return true; }).result, ModemHoldResult::kHeld);
        EXPECT_EQ(services.Calls(), QStringList{device_ + ":1"});
        // The connection that asked stays: ModemManager would lift the inhibition without it.
        EXPECT_TRUE(gate.Holding());
        const QString holder = services.LastCaller();
        EXPECT_TRUE(OnBus(holder));
        SetModemManagerGate(&gate);
        ReleaseModemManagerHold();
        SetModemManagerGate(nullptr);
        EXPECT_EQ(services.Calls(), (QStringList{device_ + ":1", device_ + ":0"}));
        EXPECT_FALSE(gate.Holding());
        EXPECT_TRUE(test::Eventually([&] { return !OnBus(holder); }));
    }
}

TEST_F(ModemManagerGateTest, AnotherCardOrNoModemManagerChangesNothing) {
    StandInServices services(bus_->Address(), {unrelated_, card_});
    QtModemManagerGate gate(bus_->Address());
    EXPECT_EQ(gate.Hold(Card({"/dev/ttyUSB9"}, "/sys/devices/usb9/9-1"), {}).result,
              ModemHoldResult::kNotManaged);
    EXPECT_TRUE(services.Calls().isEmpty());

    ASSERT_TRUE(QDir().mkpath(folder_.path() + "/empty"));
    test::PrivateBus empty_bus(folder_.path() + "/empty");
    ASSERT_FALSE(empty_bus.Address().isEmpty());
    QtModemManagerGate alone(empty_bus.Address());
    EXPECT_EQ(alone.Hold(Card({"/dev/ttyUSB2"}), {}).result, ModemHoldResult::kNoModemManager);
    QtModemManagerGate no_bus("unix:path=" + folder_.path() + "/no-such-bus");
    EXPECT_EQ(no_bus.Hold(Card({"/dev/ttyUSB2"}), {}).result, ModemHoldResult::kNoModemManager);
}

TEST_F(ModemManagerGateTest, AConnectionNetworkManagerHasUpIsTakenOnlyWhenThePersonSaysSo) {
    struct Case {
        bool connected;
        bool answer;
        int asked;
        ModemHoldResult result;
    };
    for (const Case& c : {Case{true, false, 1, ModemHoldResult::kDeclined},
                          Case{true, true, 1, ModemHoldResult::kHeld},
                          Case{false, false, 0, ModemHoldResult::kHeld}}) {
        StandInModem modem = card_;
        modem.nm_connected = c.connected;
        StandInServices services(bus_->Address(), {unrelated_, modem}, true);
        QtModemManagerGate gate(bus_->Address());
        int asked = 0;
        const auto confirm = [&] {
            ++asked;
            return c.answer;
        };
        EXPECT_EQ(gate.Hold(Card({"/dev/ttyUSB3"}), confirm).result, c.result);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(services.Calls().size(), c.result == ModemHoldResult::kHeld ? 1 : 0);
    }
}

// dedevev-at holds the card while it talks to it, and gives it back when done; a refusal is
// named but does not stop it.
TEST_F(ModemManagerGateTest, AtToolHoldsTheCardWhileItUsesThePort) {
    const QString bin = DEDEVEV_BIN_DIR;
    const QString cards = folder_.path() + "/cards";
    ASSERT_TRUE(QDir().mkpath(cards) && QDir().mkpath(folder_.path() + "/sys"));
    QProcess card;
    card.start(bin + "/dedevev-cardsim", {"--gsm", "--dir", cards});
    ASSERT_TRUE(card.waitForStarted());
    std::optional<probe::Announcement> found;
    ASSERT_TRUE(test::Eventually([&] {
        found = probe::FindSimulatedCard(cards.toStdString());
        return found.has_value();
    }));
    StandInModem modem = card_;
    modem.ports = {QFileInfo(QString::fromStdString(found->at)).fileName()};
    StandInServices services(bus_->Address(), {unrelated_, modem});

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", bus_->Address());
    env.insert("DEDEVEV_DEVICE_DIR", cards);
    env.insert("DEDEVEV_SYSFS_ROOT", folder_.path() + "/sys");
    // Held while it runs and given back at its end; then once refused, with nothing to give back.
    const QStringList after[] = {{device_ + ":1", device_ + ":0"},
                                 {device_ + ":1", device_ + ":0", device_ + ":1"}};
    for (const bool refuse : {false, true}) {
        services.SetRefuse(refuse);
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(bin + "/dedevev-at", {"card"});
        ASSERT_TRUE(tool.waitForFinished(60000));
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_EQ(tool.exitCode(), 0) << err.toStdString();
        EXPECT_EQ(services.Calls(), after[refuse ? 1 : 0]);
        // What happened, and the udev rule for this device's ids.
        for (const char* part : {"AccessDenied", "ATTRS{idVendor}==\"12d1\", ATTRS{idProduct}"})
            EXPECT_EQ(err.contains(part), refuse) << err.toStdString();
    }
    card.terminate();
    card.waitForFinished();
}

}  // namespace
}  // namespace dedevev

// The dial-up session with the real dial-up library on the simulated card: it connects, redials
// when the network drops the link, and files its sessions when the card is pulled.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

#include "SimCardFixture.h"
#include "connection/Connection.h"
#include "connection/NetRecordStore.h"
#include "core/AppSettings.h"
#include "device/at/features/ModemAgent.h"
#include "device/base/Utf.h"
#include "support/Eventually.h"

namespace dedevev::sim {
namespace {

namespace support = ::dedevev::test;

class Watcher final : public IConnectionListener {
public:
    void OnError(const std::u16string&) override {}
    void OnStatus(const std::u16string&) override {}
    void OnConnected() override { ++connected; }
    void OnStatistics(const SessionStats& stats, std::uint64_t, std::uint64_t) override {
        received = stats.bytes_received;
    }
    void OnDisconnecting() override {}
    void OnDisconnected() override { ended = true; }

    std::atomic<int> connected{0};
    std::atomic<std::uint64_t> received{0};
    std::atomic<bool> ended{false};
};

class ConnectionOnCard : public test::AgentFixture<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        ASSERT_TRUE(at::SetModemDataPort(agent, sim->DataPortPath()));
        // The library finds the card where the program would: in the simulated-device folder.
        const char* old = std::getenv("DEDEVEV_DEVICE_DIR");
        saved_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("DEDEVEV_DEVICE_DIR", DeviceDir().c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            ::setenv("DEDEVEV_DEVICE_DIR", saved_->c_str(), 1);
        else
            ::unsetenv("DEDEVEV_DEVICE_DIR");
        AgentFixture::TearDown();
    }
    ConnectionEnvironment Environment() {
        ConnectionEnvironment env;
        IDeviceControl* control = agent->GetDeviceControl();
        const std::string port = sim->DataPortPath();
        env.device_control = [control] { return control; };
        env.data_port = [port] { return port; };
        env.control_port = [port] { return port; };
        env.dial_setting = [] {
            DialSetting dial;
            dial.number = u"*99#";
            dial.user = u"user";
            dial.pass = u"secret";
            return dial;
        };
        env.operator_text = [] { return std::string(); };
        env.entry_name = [] { return std::u16string(u"Card"); };
        env.connecting_text = [] { return std::u16string(u"Connecting"); };
        env.release_failed_text = [] { return std::u16string(u"Release ATH failed!"); };
        env.show_state_names = [] { return true; };
        env.create_client = [] { return CreatePppClient(nullptr); };
        env.release_client = [](IPppClient* client) { ReleasePppClient(client); };
        return env;
    }

    std::optional<std::string> saved_;
};

TEST_F(ConnectionOnCard, RedialsAfterADropAndFilesTheSessionsWhenTheCardIsPulled) {
    Watcher watcher;
    NetRecordStore history;
    CConnection connection(Environment());
    connection.AddListener(&watcher);
    connection.SetRecorder(&history);
    ASSERT_TRUE(connection.Start());
    ASSERT_TRUE(support::Eventually([&] { return watcher.connected == 1; }));
    ASSERT_TRUE(support::Eventually([&] { return watcher.received > 0; }));

    ASSERT_EQ(sim->Control("data-drop"), "OK");
    ASSERT_TRUE(support::Eventually([&] { return watcher.connected == 2; }));
    EXPECT_EQ(history.Count(), 1u);  // the dropped session
    EXPECT_NE(sim->Control("state").find(" data=online "), std::string::npos);

    ASSERT_EQ(sim->Control("pull"), "OK");
    ASSERT_TRUE(support::Eventually([&] { return watcher.ended.load(); }));
    EXPECT_TRUE(support::Eventually([&] { return !connection.IsRunning(); }));
    EXPECT_EQ(watcher.connected, 2);  // no redial on a card that went away
    ASSERT_EQ(history.Count(), 2u);
    for (const SessionStats& session : history.Snapshot()) {
        EXPECT_GE(session.duration, 1u);
        EXPECT_GT(session.bytes_sent, 0u);
    }
    EXPECT_GT(history.Snapshot().back().bytes_received, 0u);
}

}  // namespace
}  // namespace dedevev::sim

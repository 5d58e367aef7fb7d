// The simulated link against the simulated card on ptys: the dial's states, the bytes both ends
// count, the ways a dial fails and a link ends, and the library choosing this link for any
// announced card. The link's time is a manual clock: its waits end when the test says so.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "SimCardFixture.h"
#include "device/DateTimeFields.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "device/ppp/IPppClient.h"
#include "device/ppp/SimulatedLink.h"
#include "support/Eventually.h"
#include "support/OtherProgram.h"

namespace dedevev::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using States = std::vector<std::pair<int, int>>;
namespace support = ::dedevev::test;

class StateLog final : public IRasListener {
public:
    void OnDialState(int state, int error) override {
        std::lock_guard lock(mutex_);
        states_.emplace_back(state, error);
    }
    States Get() const {
        std::lock_guard lock(mutex_);
        return states_;
    }

private:
    mutable std::mutex mutex_;
    States states_;
};

// The value of `key` in the card's `state` answer ("data=online" -> "online").
std::string StateValue(const std::string& state, const std::string& key) {
    const std::size_t at = state.find(" " + key + "=");
    if (at == std::string::npos)
        return {};
    const std::size_t begin = at + key.size() + 2;
    return state.substr(begin, state.find(' ', begin) - begin);
}

class SimLinkTest : public test::CardFixture<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm));
        NewLink();
    }
    void NewLink() {
        link = ppp::MakeSimulatedLink(nullptr);
        log = std::make_unique<StateLog>();
        link->SetListener(log.get());
    }
    bool Dial(const std::string& device = {}, const std::u16string& number = u"*99#") {
        DialParams params;
        params.device = Utf8ToUtf16(device.empty() ? sim->DataPortPath() : device);
        params.number = number;
        params.user = u"user";
        params.password = u"secret";
        return link->Dial(params);
    }
    // Waits until the link is in `state`; the error it gives then.
    int AwaitState(int state) {
        int error = 0;
        EXPECT_TRUE(support::Eventually([&] {
            error = 0;
            return link->GetState(&error) == state;
        })) << "state "
            << state;
        return error;
    }
    std::string Card(const std::string& key) { return StateValue(sim->Control("state"), key); }

    ManualClock clock;
    ScopedProcessClock scoped{clock};
    std::unique_ptr<StateLog> log;
    std::unique_ptr<IPppClient> link;
};

TEST_F(SimLinkTest, ConnectsInOrderCountsWhatBothEndsCountAndHangsUp) {
    ASSERT_TRUE(Dial());
    EXPECT_EQ(AwaitState(kDialStateConnected), kDialErrorNone);
    const States expected = {{kDialStateOpenPort, 0},
                             {kDialStatePortOpened, 0},
                             {kDialStateConnectDevice, 0},
                             {kDialStateDeviceConnected, 0},
                             {kDialStateAllDevicesConnected, 0},
                             {kDialStateAuthenticate, 0},
                             {kDialStateAuthenticated, 0},
                             {kDialStateAuthProject, 0},
                             {kDialStateProjected, 0},
                             {kDialStateConnected, 0}};
    EXPECT_EQ(log->Get(), expected);
    EXPECT_EQ(link->GetInfoText(),
              Utf8ToUtf16("Simulated link on " + sim->DataPortPath() + ", 7.2 Mbit/s"));
    EXPECT_EQ(Card("data"), "online");
    EXPECT_EQ(Card("data_link"), "up");

    // The card's stream arrives; once it stops, both ends agree on every byte.
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    ASSERT_TRUE(support::Eventually(
        [&] { return link->GetByteCounters(&sent, &received) && received > 2000; }));
    ASSERT_EQ(sim->Control("data-rate 0 0"), "OK");
    ASSERT_TRUE(support::Eventually([&] {
        link->GetByteCounters(&sent, &received);
        const std::string state = sim->Control("state");
        return StateValue(state, "data_rx") == std::to_string(sent) &&
               StateValue(state, "data_tx") == std::to_string(received);
    })) << sim->Control("state")
        << " link sent " << sent << " received " << received;
    EXPECT_GT(sent, 0u);

    clock.Advance(seconds(3));
    SessionStats stats;
    ASSERT_TRUE(link->GetStatistics(&stats));
    EXPECT_EQ(stats.duration, 3u);
    EXPECT_EQ(stats.start, ToDateTimeFields(clock.LocalNow() - seconds(3)));
    EXPECT_EQ(std::make_pair(stats.bytes_sent, stats.bytes_received),
              std::make_pair(sent, received));

    link->HangUp();
    int error = -1;
    EXPECT_EQ(link->GetState(&error), kDialStateDisconnected);
    EXPECT_EQ(error, kDialErrorNone);
    EXPECT_EQ(log->Get().back(), std::make_pair(kDialStateDisconnected, 0));
    EXPECT_TRUE(support::Eventually([&] { return Card("data") == "none"; }));
    // The session stays readable, and stands still, until the next dial.
    clock.Advance(seconds(5));
    ASSERT_TRUE(link->GetStatistics(&stats));
    EXPECT_EQ(stats.duration, 3u);
    EXPECT_TRUE(link->GetInfoText().empty());
}

TEST_F(SimLinkTest, FailedDialsEndWithTheirErrorAndLeaveNoDataCall) {
    enum class Port { kData, kHeld, kMissing };
    struct Row {
        const char* name;
        const char* control;  // may be empty
        Port port;
        int error;
    };
    const Row rows[] = {
        {"network busy", "data-refuse busy", Port::kData, kDialErrorLineBusy},
        {"network refuses", "data-refuse no-carrier", Port::kData, kDialErrorNoAnswer},
        {"no service", "service 0 0 0", Port::kData, kDialErrorNoAnswer},
        {"user refused", "data-auth refuse", Port::kData, kDialErrorAuthentication},
        {"port held by another program", "", Port::kHeld, kDialErrorPortBusy},
        {"no such port", "", Port::kMissing, kDialErrorNoDevice},
    };
    for (const Row& row : rows) {
        sim.reset();
        ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm));
        NewLink();
        if (*row.control != '\0') {
            ASSERT_EQ(sim->Control(row.control), "OK") << row.name;
        }
        std::unique_ptr<support::OtherProgramHolding> other;
        if (row.port == Port::kHeld)
            other = std::make_unique<support::OtherProgramHolding>(sim->DataPortPath());
        ASSERT_TRUE(Dial(row.port == Port::kMissing ? dir.File("ttyNone") : std::string()))
            << row.name;
        EXPECT_EQ(AwaitState(kDialStateDisconnected), row.error) << row.name;
        EXPECT_EQ(log->Get().back(), std::make_pair(kDialStateDisconnected, row.error)) << row.name;
        SessionStats stats;
        EXPECT_FALSE(link->GetStatistics(&stats)) << row.name;
        EXPECT_TRUE(support::Eventually([&] { return Card("data") == "none"; })) << row.name;
    }
    errno = 0;
    EXPECT_FALSE(Dial({}, u"*99#;"));  // a voice dial string
    EXPECT_EQ(errno, kDialErrorInvalidParams);
}

TEST_F(SimLinkTest, SilentCardIsNoAnswerOnceTheCommandTimesOut) {
    ASSERT_EQ(sim->Control("mute on"), "OK");
    const IClock::TimePoint start = clock.Now();
    ASSERT_TRUE(Dial());
    ASSERT_TRUE(clock.AwaitWaiter(start + milliseconds(5000)));
    clock.Advance(milliseconds(5000));
    EXPECT_EQ(AwaitState(kDialStateDisconnected), kDialErrorNoAnswer);
}

TEST_F(SimLinkTest, FarEndDropsOrCardPulledEndTheLinkKeepingTheSession) {
    const std::pair<const char*, int> rows[] = {{"data-drop", kDialErrorRemoteHangUp},
                                                {"pull", kDialErrorPortClosed}};
    for (const auto& [control, error] : rows) {
        sim.reset();
        ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kCdma));
        NewLink();
        ASSERT_TRUE(Dial({}, u"#777"));
        ASSERT_EQ(AwaitState(kDialStateConnected), kDialErrorNone) << control;
        clock.Advance(seconds(2));
        ASSERT_EQ(sim->Control(control), "OK");
        EXPECT_EQ(AwaitState(kDialStateDisconnected), error) << control;
        SessionStats stats;
        ASSERT_TRUE(link->GetStatistics(&stats)) << control;
        EXPECT_EQ(stats.duration, 2u) << control;
        link->HangUp();  // nothing left to end
    }
}

TEST_F(SimLinkTest, HangUpEndsADialTheCardIsSlowToAnswer) {
    ASSERT_EQ(sim->Control("latency 60000"), "OK");
    ASSERT_TRUE(Dial());
    ASSERT_TRUE(support::Eventually(
        [&] { return sim->Control("log").find("\"data: AT\"") != std::string::npos; }));
    link->HangUp();
    int error = -1;
    EXPECT_EQ(link->GetState(&error), kDialStateDisconnected);
    EXPECT_EQ(error, kDialErrorNone);
    EXPECT_TRUE(support::Eventually([&] { return Card("data") == "none"; }));
}

// The library runs the simulated link on the data port of any card announced in the
// simulated-device folder, not only on the first one's.
TEST_F(SimLinkTest, LibraryChoosesTheSimulatedLinkForEveryAnnouncedCard) {
    const char* old = std::getenv("DEDEVEV_DEVICE_DIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("DEDEVEV_DEVICE_DIR", DeviceDir().c_str(), 1);
    SimOptions options;
    options.device_dir = DeviceDir();
    CardSimulator second(options);
    ASSERT_TRUE(second.Start());
    IPppClient* client = CreatePppClient(nullptr);
    for (CardSimulator* card : {sim.get(), &second}) {
        DialParams params;
        params.device = Utf8ToUtf16(card->DataPortPath());
        params.number = u"#777";
        ASSERT_TRUE(client->Dial(params));
        int error = 0;
        EXPECT_TRUE(support::Eventually([&] {
            error = 0;
            const int state = client->GetState(&error);
            return state == kDialStateConnected || state == kDialStateDisconnected;
        }));
        EXPECT_EQ(client->GetState(&error), kDialStateConnected) << card->DataPortPath();
        client->HangUp();
    }
    ReleasePppClient(client);
    if (old != nullptr)
        ::setenv("DEDEVEV_DEVICE_DIR", saved.c_str(), 1);
    else
        ::unsetenv("DEDEVEV_DEVICE_DIR");
}

}  // namespace
}  // namespace dedevev::sim

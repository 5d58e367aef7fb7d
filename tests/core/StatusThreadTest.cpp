// The status thread against a scripted card: what it posts for each answer, and its stop.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/ExportInterfaces.h"
#include "core/StatusThread.h"
#include "core/WindowMessage.h"
#include "device/IModemAgent.h"
#include "device/base/Clock.h"
#include "device/null/NullObjects.h"
#include "tests/support/ScriptedModem.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;
using test::ScriptedAgent;
using test::ScriptedControl;

class MessageExport : public ISMSExport {
public:
    void Reserved0(int, int) override {}
    int GetUnreadCount() override { return unread; }
    int GetBox4UnreadCount() override {
        ++box4_reads;
        return 0;
    }
    bool IsCardFull() override { return full; }
    void ShowUimInbox(int, int) override {}
    int unread = 0;
    bool full = false;
    int box4_reads = 0;
};

class Inbox : public IMessageTarget {
public:
    void Post(WindowMessage message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::move(message));
        cv_.notify_all();
    }
    void Send(WindowMessage message) override { Post(std::move(message)); }
    std::vector<WindowMessage> Of(unsigned number) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<WindowMessage> found;
        for (const WindowMessage& m : messages_) {
            if (m.number == number)
                found.push_back(m);
        }
        return found;
    }
    std::vector<unsigned> Numbers() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<unsigned> numbers;
        for (const WindowMessage& m : messages_)
            numbers.push_back(m.number);
        return numbers;
    }
    // Waits (against hangs only) until `count` messages of `number` arrived.
    bool WaitFor(unsigned number, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(30), [&] {
            std::size_t n = 0;
            for (const WindowMessage& m : messages_)
                n += m.number == number ? 1 : 0;
            return n >= count;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<WindowMessage> messages_;
};

class StatusPoll : public ::testing::Test {
protected:
    void SetUp() override { ResetSmsStorageSetForTesting(); }
    void TearDown() override { ResetSmsStorageSetForTesting(); }
    StatusEnvironment Env() {
        StatusEnvironment env;
        env.agent = [this] { return static_cast<IModemAgent*>(&agent); };
        env.sms_export = [this] { return bound ? static_cast<ISMSExport*>(&messages) : nullptr; };
        env.ppp_address = [this] { return address; };
        env.clock = &clock;
        return env;
    }

    ScriptedAgent agent;
    MessageExport messages;
    bool bound = false;
    std::uint32_t address = 0;
    TestClock clock;
    Inbox inbox;
};

TEST_F(StatusPoll, OneCycleOnAReadyCardPostsInOrder) {
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);
    EXPECT_EQ(inbox.Numbers(),
              (std::vector<unsigned>{kMsgSignal, kMsgCardState, kMsgService, kMsgIndicator,
                                     kMsgHomeNetwork, kMsgMessageState, kMsgAddress}));
    EXPECT_EQ(inbox.Of(kMsgSignal)[0].wparam, 17u);
    EXPECT_EQ(inbox.Of(kMsgCardState)[0], (WindowMessage{kMsgCardState, 0x10001, 0, {}, {}}));
    EXPECT_EQ(inbox.Of(kMsgService)[0].wparam, static_cast<unsigned>(kSystemModeWcdma));
    EXPECT_EQ(inbox.Of(kMsgService)[0].lparam, kServiceAvailable);
    EXPECT_EQ(inbox.Of(kMsgIndicator)[0].wparam, 3u);
    EXPECT_EQ(inbox.Of(kMsgHomeNetwork)[0].text, "510010");
    EXPECT_EQ(inbox.Of(kMsgMessageState)[0], (WindowMessage{kMsgMessageState, 0, 0, {}, {}}));
    EXPECT_EQ(inbox.Of(kMsgAddress)[0].wparam, 0u);
    EXPECT_EQ(agent.sms.calls, (std::vector<std::string>{"SM,SM,SM"}));
    EXPECT_TRUE(SmsStorageSet());

    // The card is not asked again once ready; the storages are set once per process.
    status.PollOnce(agent);
    CThreadUpdateStatus other(&inbox, Env());
    other.PollOnce(agent);
    EXPECT_EQ(inbox.Of(kMsgCardState).size(), 2u);  // one per thread
    EXPECT_EQ(agent.sms.calls.size(), 1u);
}

struct CardCase {
    const char* label;
    std::string card;
    bool service_ok;
    std::uint64_t wparam;
    std::int64_t lparam;
    bool polled_again;  // the card is asked again next cycle
};

class CardStates : public StatusPoll, public ::testing::WithParamInterface<CardCase> {};

TEST_P(CardStates, PostsCardState) {
    const CardCase& c = GetParam();
    agent.control.card = c.card;
    agent.control.service_ok = c.service_ok;
    agent.control.service.card_type = kCardTypeUim;
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);
    status.PollOnce(agent);
    const auto posts = inbox.Of(kMsgCardState);
    ASSERT_EQ(posts.size(), c.polled_again ? 2u : 1u);
    EXPECT_EQ(posts[0].wparam, c.wparam);
    EXPECT_EQ(posts[0].lparam, c.lparam);
    EXPECT_EQ(SmsStorageSet(), c.card == "ready" || c.card == "READY");
    if (!c.service_ok) {
        EXPECT_EQ(inbox.Of(kMsgService)[0].wparam, 255u);
    }

    // After a PIN entry the card is polled again.
    status.RecheckCard();
    agent.control.card = "READY";
    status.PollOnce(agent);
    EXPECT_EQ(inbox.Of(kMsgCardState).back().wparam >> 16, 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, CardStates,
                         ::testing::Values(CardCase{"Ready", "ready", true, 0x10002, 0, false},
                                           CardCase{"ReadyWithoutService", "READY", false, 0x10000,
                                                    0, false},
                                           CardCase{"Pin", "SIM PIN", true, 2, 1, false},
                                           CardCase{"Puk", "sim puk", true, 2, 1, false},
                                           CardCase{"Absent", "SIM NOT INSERTED", true, 2, 0, true},
                                           CardCase{"NoAnswer", "", false, 0, 0, true}),
                         [](const auto& info) { return std::string(info.param.label); });

struct WifiCase {
    const char* label;
    bool workmode_ok;
    std::uint8_t mode;
    bool ssid_ok;
    std::string ssid;
    std::vector<WindowMessage> expected;  // after a first cycle that read "Home"
};

class WifiPoll : public StatusPoll, public ::testing::WithParamInterface<WifiCase> {};

TEST_P(WifiPoll, PostsNameOrLastName) {
    const WifiCase& c = GetParam();
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);  // no Wi-Fi poll until asked for
    EXPECT_TRUE(inbox.Of(kMsgWifi).empty());
    status.SetPollWifi(true);
    agent.control.workmode_ok = true;
    agent.control.workmode = kWorkModeWifi;
    agent.control.ssid = "Home";
    status.PollOnce(agent);
    agent.control.workmode_ok = c.workmode_ok;
    agent.control.workmode = c.mode;
    agent.control.ssid_ok = c.ssid_ok;
    agent.control.ssid = c.ssid;
    status.PollOnce(agent);
    std::vector<WindowMessage> expected{{kMsgWifi, 0, 0, "Home", {}}};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(inbox.Of(kMsgWifi), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WifiPoll,
    ::testing::Values(
        WifiCase{"NewName", true, kWorkModeWifi, true, "Cafe", {{kMsgWifi, 0, 0, "Cafe", {}}}},
        WifiCase{"EmptyNamePostsNothing", true, kWorkModeWifi, true, "", {}},
        WifiCase{"FailedNamePostsNothing", true, kWorkModeWifi, false, "Cafe", {}},
        WifiCase{"DongleModeKeepsLastName",
                 true,
                 kWorkModeDongle,
                 true,
                 "Cafe",
                 {{kMsgWifi, 0, 1, "Home", {}}}},
        WifiCase{"NoWorkModeKeepsLastName",
                 false,
                 kWorkModeWifi,
                 true,
                 "Cafe",
                 {{kMsgWifi, 0, 1, "Home", {}}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(StatusPoll, ImsiIsReadTwiceAtMostAndOnlyASixDigitPrefixIsPosted) {
    agent.control.imsi_answers = {{true, "51001"}, {true, "460110123"}};
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);
    EXPECT_EQ(agent.control.imsi_reads, 2);
    ASSERT_EQ(inbox.Of(kMsgHomeNetwork).size(), 1u);
    EXPECT_EQ(inbox.Of(kMsgHomeNetwork)[0].text, "460110");

    agent.control.imsi_answers = {{false, "460110123"}};
    status.PollOnce(agent);
    EXPECT_EQ(agent.control.imsi_reads, 4);
    EXPECT_EQ(inbox.Of(kMsgHomeNetwork).size(), 1u);
}

TEST_F(StatusPoll, FailedCallsOnlySkipTheirPost) {
    agent.control.signal_ok = false;
    agent.control.indicator_ok = false;
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);
    EXPECT_TRUE(inbox.Of(kMsgSignal).empty());
    EXPECT_TRUE(inbox.Of(kMsgIndicator).empty());
    EXPECT_EQ(inbox.Of(kMsgAddress).size(), 1u);
}

TEST_F(StatusPoll, MessageStateAndAddress) {
    bound = true;
    messages.unread = 4;
    messages.full = true;
    address = 0x0A404040;
    CThreadUpdateStatus status(&inbox, Env());
    status.PollOnce(agent);
    EXPECT_EQ(inbox.Of(kMsgMessageState)[0], (WindowMessage{kMsgMessageState, 1, 1, {}, {}}));
    EXPECT_EQ(messages.box4_reads, 1);
    EXPECT_EQ(inbox.Of(kMsgAddress)[0].wparam, 0x0A404040u);
}

TEST(DottedQuad, ParsesOnlyDottedQuads) {
    EXPECT_EQ(ParseDottedQuad("10.64.64.64"), 0x0A404040u);
    EXPECT_EQ(ParseDottedQuad("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "10.64.64", "10.64.64.256", "10.64.64.64.1", "a.b.c.d", "10..64.64",
                            "1000.1.1.1", " 10.1.1.1"})
        EXPECT_EQ(ParseDottedQuad(bad), 0u) << bad;
}

TEST_F(StatusPoll, ThreadPollsEveryTwoSecondsAndStopsWithinOneSlice) {
    CThreadUpdateStatus status(&inbox, Env());
    ASSERT_TRUE(status.Start());
    ASSERT_TRUE(inbox.WaitFor(kMsgSignal, 3));
    status.RequestStop();
    const auto at_stop = clock.Now();
    ASSERT_TRUE(status.Wait(std::chrono::seconds(30)));  // only against hangs
    EXPECT_FALSE(status.IsRunning());
    EXPECT_LE(clock.Now() - at_stop, milliseconds(200));
    // Ten 200 ms slices between cycles.
    const std::size_t cycles = inbox.Of(kMsgSignal).size();
    EXPECT_GE(clock.SleepCount(), static_cast<std::int64_t>((cycles - 1) * 10));
    EXPECT_LE(clock.SleepCount(), static_cast<std::int64_t>(cycles * 10));
    EXPECT_EQ(clock.Slept(), milliseconds(200) * clock.SleepCount());
}

TEST_F(StatusPoll, NoModemObjectEndsAtOnce) {
    StatusEnvironment env = Env();
    env.agent = [] { return static_cast<IModemAgent*>(nullptr); };
    CThreadUpdateStatus status(&inbox, env);
    ASSERT_TRUE(status.Start());
    ASSERT_TRUE(status.Wait(std::chrono::seconds(30)));
    EXPECT_TRUE(inbox.Numbers().empty());
}

}  // namespace
}  // namespace dedevev

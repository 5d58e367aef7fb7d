// What the USSD page gets to show when it talks to the simulated card through the modem
// library: menus, requests of the network, refusals, a network that never answers, and the
// reply encodings.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "core/TextCodec.h"
#include "settings/UssdExchange.h"
#include "support/Eventually.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

// The page's window queue: posts are kept until the test hands them to the exchange.
class Inbox : public IMessageTarget {
public:
    void Post(WindowMessage message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::move(message));
    }
    void Send(WindowMessage message) override { Post(std::move(message)); }
    std::optional<WindowMessage> Take(milliseconds wait) {
        std::optional<WindowMessage> taken;
        test::Eventually(
            [&] {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!messages_.empty()) {
                    taken = std::move(messages_.front());
                    messages_.pop_front();
                }
                return taken.has_value();
            },
            wait);
        return taken;
    }

private:
    std::mutex mutex_;
    std::deque<WindowMessage> messages_;
};

class UssdExchangeOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        int status = kStatusUntouched;
        agent->GetDeviceControl()->ConfigureB(1, &status);
        exchange = std::make_unique<CUssdExchange>(agent->GetCardService(), &inbox, clock);
    }
    void TearDown() override {
        exchange.reset();
        AgentFixture::TearDown();
    }
    // What the page shows next: "reply: <text>", "notice: <text>", or "<none>" when the
    // messages within `wait` of each other ask for nothing.
    std::string Shown(milliseconds wait = milliseconds(20000)) {
        while (std::optional<WindowMessage> message = inbox.Take(wait)) {
            const UssdAction action = exchange->Handle(*message);
            if (action.kind == UssdAction::kShowReply)
                return "reply: " + Utf16ToUtf8(action.text);
            if (action.kind == UssdAction::kShowNotice)
                return "notice: " + Utf16ToUtf8(action.text);
        }
        return "<none>";
    }
    static std::string Notice(const char* key) { return "notice: " + Utf16ToUtf8(UssdText(key)); }

    ManualClock clock;
    Inbox inbox;
    std::unique_ptr<CUssdExchange> exchange;
};

TEST_P(UssdExchangeOnCard, MenuAnsweredTwice) {
    exchange->Send("*100#");
    EXPECT_EQ(Shown(), "reply: Choose: 1 Balance, 2 Tariff");
    exchange->Send("7", false);
    EXPECT_EQ(Shown(), "reply: Invalid choice. 1 Balance, 2 Tariff");
    exchange->Send("2", false);
    EXPECT_EQ(Shown(), "reply: Your tariff is Basic: 0.10 per minute");
    EXPECT_EQ(Shown(milliseconds(300)), "<none>");
    EXPECT_FALSE(exchange->Waiting());
}

TEST_P(UssdExchangeOnCard, RequestOfTheNetworkIsShownAndAnswered) {
    Control("ussd-notify \"Top up now? 1 Yes\" expects-reply");
    EXPECT_EQ(Shown(), "reply: Top up now? 1 Yes");
    exchange->Send("1", false);
    EXPECT_EQ(Shown(), "reply: Reply received: 1");
}

TEST_P(UssdExchangeOnCard, RefusalsAreToldOnce) {
    exchange->Send("*555#");  // +CUSD: 4 right after the OK
    EXPECT_EQ(Shown(), Notice("NotSupportUssd"));
    EXPECT_EQ(Shown(milliseconds(300)), "<none>");
    exchange->Send("*999#");  // the card refuses the code
    EXPECT_EQ(Shown(), Notice("NotSupportUssd"));
    Control("ussd-delay 1500");  // the refusal comes long after the card took the request
    exchange->Send("*555#");
    EXPECT_EQ(Shown(), Notice("Refused"));
    EXPECT_FALSE(exchange->Waiting());
}

TEST_P(UssdExchangeOnCard, MuteNetworkEndsWithANotice) {
    Control("ussd-delay 600000");
    exchange->Send("*123#");
    EXPECT_EQ(Shown(milliseconds(1000)), "<none>");  // the card took it; no answer yet
    EXPECT_TRUE(exchange->Waiting());
    clock.Advance(CUssdExchange::kNoAnswerTimeout - std::chrono::seconds(1));
    EXPECT_EQ(exchange->Tick().kind, UssdAction::kNone);
    clock.Advance(std::chrono::seconds(1));
    EXPECT_EQ(exchange->Tick(), (UssdAction{UssdAction::kShowNotice, UssdText("NoAnswer")}));
    EXPECT_FALSE(exchange->Waiting());
    EXPECT_EQ(exchange->Tick().kind, UssdAction::kNone);
}

TEST_P(UssdExchangeOnCard, RepliesInEveryEncoding) {
    const std::string rouble =
        "\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81: 12,50 \xE2\x82\xBD";
    for (const char* encoding : {"text", "gsm7hex", "ucs2"}) {
        SCOPED_TRACE(encoding);
        Control(std::string("ussd-encoding ") + encoding);
        exchange->Send("*123#");
        EXPECT_EQ(Shown(), "reply: Your balance is 12.50");
        exchange->Send("*106#");
        EXPECT_EQ(Shown(), "reply: " + rouble);
    }
}

// The card's status and the network's refusal race to the window: either order tells it once.
TEST(UssdExchange, RefusalIsToldOnceWhicheverArrivesFirst) {
    const WindowMessage refusal{
        kMsgUssdReply, static_cast<std::uint64_t>(UssdResult::kRefused), 0, {}, {}};
    for (const bool refusal_first : {false, true}) {
        SCOPED_TRACE(refusal_first ? "refusal first" : "status first");
        Inbox inbox;
        CUssdExchange exchange(nullptr, &inbox);  // no card: the status stays untouched
        exchange.Send("*555#");
        const std::optional<WindowMessage> status = inbox.Take(milliseconds(20000));
        ASSERT_TRUE(status.has_value());
        std::vector<UssdAction::Kind> shown;
        for (const WindowMessage& m :
             refusal_first ? std::vector{refusal, *status} : std::vector{*status, refusal})
            shown.push_back(exchange.Handle(m).kind);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), UssdAction::kShowNotice), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, UssdExchangeOnCard,
                         ::testing::Values(sim::CardKind::kGsm, sim::CardKind::kCdma),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

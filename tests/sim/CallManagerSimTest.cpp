// The call manager on the simulated card through the modem library, on a GSM card (+CHLD for
// the second party) and on a CDMA card (flashes): each call ends in the list it belongs to,
// and a card pulled in the middle of a call ends the call without anything hanging.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "SimCardFixture.h"
#include "device/DeviceStatus.h"
#include "device/at/features/VoiceControl.h"
#include "support/Eventually.h"
#include "voice/CallHistory.h"
#include "voice/CallManager.h"

namespace dedevev {
namespace {

using test::Eventually;

class CallManagerOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        voice_ = agent->GetVoiceControl();
        // The library lists calls every second; faster here only to keep the tests short.
        dynamic_cast<at::VoiceControl*>(voice_)->SetPollInterval(std::chrono::milliseconds(150));
        // As the voice view does when it opens: the card reports callers and waiting calls.
        int status = kStatusUntouched;
        voice_->VoiceOpen(&status);
        ASSERT_EQ(status, kStatusOk);
        CallManagerEnvironment env;
        env.voice = [this]() -> IVoiceControl* { return card_in_ ? voice_ : nullptr; };
        env.missed = &missed_;
        env.accepted = &accepted_;
        env.dialed = &dialed_;
        calls_ = std::make_unique<CCallManager>(env);
    }
    void TearDown() override {
        calls_.reset();  // withdraws from the card first
        AgentFixture::TearDown();
    }
    // Dials `number` and waits until the far end answered (the card answers after a second).
    void DialTalking(const std::u16string& number) {
        calls_->DialNumber(number, u"");
        ASSERT_TRUE(Eventually([&] { return calls_->Outgoing().IsActive(); })) << "answered";
    }
    // Every call over: the manager has none and the card lists none.
    void AllOver() {
        ASSERT_TRUE(Eventually([&] { return !calls_->Current() && !calls_->Second(); }));
        ASSERT_TRUE(Eventually([&] { return Control("calls") == "OK"; }));
    }
    static std::u16string Newest(const ICallHistory& list) {
        CallRecord record;
        return list.Get(&record, 0) ? record.number : u"-";
    }

    IVoiceControl* voice_ = nullptr;
    bool card_in_ = true;
    CCallHistory missed_, accepted_, dialed_;
    std::unique_ptr<CCallManager> calls_;
};

TEST_P(CallManagerOnCard, OutgoingEndedByTheOtherSideThenIncomingAnswered) {
    DialTalking(u"5550001");
    Control("call-end-remote");
    ASSERT_NO_FATAL_FAILURE(AllOver());
    EXPECT_EQ(Newest(dialed_), u"5550001");

    Control("call-in +62811222");
    ASSERT_TRUE(Eventually([&] { return calls_->Incoming().Record().number == u"+62811222"; }));
    calls_->Send();
    ASSERT_TRUE(Eventually([&] { return calls_->Incoming().IsActive(); })) << "answered";
    calls_->HangUp();
    ASSERT_NO_FATAL_FAILURE(AllOver());
    EXPECT_EQ(Newest(accepted_), u"+62811222");
    EXPECT_EQ(dialed_.Count() + accepted_.Count() + missed_.Count(), 2);
}

TEST_P(CallManagerOnCard, WaitingCallAccepted) {
    DialTalking(u"5550001");
    Control("call-waiting +62822");
    ASSERT_TRUE(Eventually([&] { return calls_->Second() == &calls_->Waiting(); }));
    calls_->Send();  // answers the waiting call
    ASSERT_TRUE(calls_->Waiting().IsActive());
    calls_->HangUp();
    ASSERT_NO_FATAL_FAILURE(AllOver());
    EXPECT_EQ(Newest(dialed_), u"5550001");
    EXPECT_EQ(Newest(accepted_), u"+62822");
}

TEST_P(CallManagerOnCard, ThreeWayJoinedAndSecondPartyDropped) {
    DialTalking(u"5550001");
    calls_->Flash(u"5550002");
    ASSERT_EQ(calls_->Second(), &calls_->ThreeWay());
    // Joined only once the party answered: a flash while it is being called gives it up.
    ASSERT_TRUE(
        Eventually([&] { return Control("calls").find("(2,out,active") != std::string::npos; }));
    calls_->Flash(u"");  // joins
    calls_->Flash(u"");  // drops the second party
    EXPECT_EQ(Newest(dialed_), u"5550002");
    // Its end on the card leaves the first call talking.
    ASSERT_TRUE(Eventually([&] { return Control("calls").find("(2,") == std::string::npos; }));
    EXPECT_TRUE(AwaitCardOutputHandled());
    EXPECT_EQ(calls_->Current(), &calls_->Outgoing());
    Control("call-end-remote");
    ASSERT_NO_FATAL_FAILURE(AllOver());
    EXPECT_EQ(dialed_.Count(), 2);
    EXPECT_EQ(Newest(dialed_), u"5550001");
}

TEST_P(CallManagerOnCard, CardPulledDuringACall) {
    DialTalking(u"5550001");
    Control("pull");
    card_in_ = false;
    calls_->CardChanged();
    EXPECT_EQ(calls_->Current(), nullptr);
    EXPECT_EQ(dialed_.Count(), 1);
    // The keypad and the buttons still answer at once, with no card to talk to.
    calls_->DialNumber(u"5550002", u"");
    calls_->KeyFeedback('1', false);
    EXPECT_EQ(calls_->Current(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cards, CallManagerOnCard,
                         ::testing::Values(sim::CardKind::kGsm, sim::CardKind::kCdma),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

// The call events of a scripted modem on a pseudo-terminal, with their order: from the card's
// own reports, from the listing of calls, and from both at once.

#include "device/base/Clock.h"
#include "support/Eventually.h"
#include "support/ListenerMark.h"
#include "support/VoiceTestSupport.h"

namespace dedevev::at {
namespace {

using namespace voice_test;

// ---- Events -----------------------------------------------------------------------------

TEST_F(VoiceControlTest, IncomingCallReportsInOrderWithTheNumberAfterTheFirstRing) {
    voice_->SetPollInterval(milliseconds(20));
    voice_->SetVoiceEventHandler(&events_);
    listing_.Set({R"(+CLCC: 1,1,4,0,0,"",128)"});
    peer_.SendLine("RING");  // the caller's number is not known yet
    peer_.SendLine("RING");
    peer_.SendLine(R"(+CLIP: "+62811",145,,,,0)");
    peer_.SendLine("+CRING: VOICE");
    peer_.SendLine(R"(+CLIP: "+62811",145,,,,0)");
    ASSERT_TRUE(events_.WaitFor(2));
    listing_.Set({R"(+CLCC: 1,1,0,0,0,"+62811",145)"});
    peer_.SendLine("^DDCONN: 1");
    ASSERT_TRUE(events_.WaitFor(3));
    listing_.Set({});
    peer_.SendLine("^DDCEND: 1,16");
    peer_.SendLine("NO CARRIER");
    ASSERT_TRUE(events_.WaitFor(4));
    ASSERT_TRUE(WaitUntilIdle());  // the last listings add nothing
    EXPECT_EQ(events_.Events(), (Commands{"incoming ", "incoming +62811", "connected 1", "ended"}));
    EXPECT_TRUE(events_.AllOnOtherThreads(std::this_thread::get_id()));
}

TEST_F(VoiceControlTest, WithheldCallerAndCallerIdentities) {
    struct Case {
        const char* clip;
        Commands events;
    };
    const std::vector<Case> cases = {
        {R"(+CLIP: "",128,,,,1)", {"incoming ", "incoming  withheld"}},
        {R"(+CLIP: "",128,,,,2)", {"incoming "}},  // not available: nothing new
        {R"(+CLIP: "5551234",129,"",0,"",0)", {"incoming ", "incoming 5551234"}},
    };
    voice_->SetPollInterval(milliseconds(3600000));
    voice_->SetVoiceEventHandler(&events_);
    std::size_t seen = 0;
    for (const Case& c : cases) {
        peer_.SendLine("RING");
        peer_.SendLine(c.clip);
        peer_.SendLine(R"(^DDCINFO: "marker")");
        ASSERT_TRUE(events_.WaitFor(seen + c.events.size() + 1));
        Commands expected = c.events;
        expected.push_back("info marker");
        const Commands all = events_.Events();
        EXPECT_EQ(Commands(all.begin() + static_cast<long>(seen), all.end()), expected) << c.clip;
        peer_.SendLine("^DDCEND: 1,19");  // never answered
        ASSERT_TRUE(events_.WaitFor(seen + expected.size() + 1));
        seen = events_.Events().size();
        EXPECT_EQ(events_.Events().back(), "ended");
    }
}

// The same card with the modem object on a manual clock: the calls are listed only when the
// test moves the clock on.
struct OnManualClock {
    ManualClock clock;
    ScopedProcessClock installed{clock};
};

class VoiceControlClockTest : protected OnManualClock, public VoiceControlTest {
protected:
    static constexpr Millis kInterval{1000};
    // Moves the clock to the next listing; true once that listing has been handled (the watch
    // waits for the one after).
    bool NextListing() {
        clock.Advance(kInterval);
        return clock.AwaitWaiter(clock.Now() + kInterval);
    }
};

TEST_F(VoiceControlClockTest, CardWithoutReportsIsWatchedByListingItsCalls) {
    voice_->SetPollInterval(kInterval);
    voice_->SetVoiceEventHandler(&events_);
    peer_.On("ATD5551234;", kOk);
    listing_.Set({R"(+CLCC: 1,0,2,0,0,"5551234",129)"});
    int status = kStatusUntouched;
    voice_->VoiceDial("5551234", &status);
    ASSERT_EQ(status, kStatusOk);
    ASSERT_TRUE(clock.AwaitWaiter(clock.Now() + kInterval));  // watching
    ASSERT_TRUE(NextListing());
    ASSERT_TRUE(NextListing());
    EXPECT_TRUE(events_.Events().empty());  // dialing is no event
    listing_.Set({R"(+CLCC: 1,0,0,0,0,"5551234",129)"});
    ASSERT_TRUE(NextListing());
    EXPECT_EQ(events_.Events(), Commands{"connected 1"});
    listing_.Set({});
    ASSERT_TRUE(NextListing());
    EXPECT_EQ(events_.Events(), (Commands{"connected 1", "ended"}));
    EXPECT_FALSE(voice_->Polling());  // no call listed: the watch stops
    const std::size_t commands = peer_.CommandCount();
    clock.Advance(kInterval * 10);
    ASSERT_TRUE(clock.AwaitWaiter(IClock::kNever));  // waits for a call, not for time
    EXPECT_EQ(peer_.CommandCount(), commands);
}

TEST_F(VoiceControlTest, ReportsAndListingTogetherTellEachChangeOnce) {
    voice_->SetPollInterval(milliseconds(10));
    voice_->SetVoiceEventHandler(&events_);
    peer_.On("ATD777;", Script().Ok().Line("^DDORIG: 1"));
    listing_.Set({R"(+CLCC: 1,0,3,0,0,"777",129)"});
    int status = kStatusUntouched;
    voice_->VoiceDial("777", &status);
    ASSERT_EQ(status, kStatusOk);
    ASSERT_TRUE(events_.WaitFor(1));
    listing_.Set({R"(+CLCC: 1,0,0,0,0,"777",129)"});
    ASSERT_TRUE(WaitForListings(2));
    peer_.SendLine("^DDCONN: 1");  // after the listing already showed it
    peer_.SendLine("^CONF:1");
    ASSERT_TRUE(events_.WaitFor(3));
    peer_.SendLine("^DDCEND: 1,16");
    ASSERT_TRUE(events_.WaitFor(4));
    listing_.Set({});
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(events_.Events(), (Commands{"setup", "connected 1", "status", "ended"}));
}

TEST_F(VoiceControlTest, NoCarrierAsksAtOnceWhichCallEnded) {
    voice_->SetPollInterval(milliseconds(3600000));
    voice_->SetVoiceEventHandler(&events_);
    peer_.On("ATD42;", kOk);
    int status = kStatusUntouched;
    voice_->VoiceDial("42", &status);
    ASSERT_EQ(status, kStatusOk);
    peer_.SendLine("^ORIG:1,0");
    peer_.SendLine("^CONN:1,0");
    ASSERT_TRUE(events_.WaitFor(2));
    listing_.Set({});
    peer_.SendLine("NO CARRIER");  // the other side hung up
    ASSERT_TRUE(events_.WaitFor(3));
    EXPECT_EQ(events_.Events(), (Commands{"setup", "connected 1", "ended"}));
}

TEST_F(VoiceControlTest, CardWithoutListingEndsTheCallOnNoCarrier) {
    voice_->SetPollInterval(milliseconds(10));
    voice_->SetVoiceEventHandler(&events_);
    peer_.ClearRules();
    peer_.On("AT+CLCC", Script().Error());
    peer_.SendLine("RING");
    ASSERT_TRUE(events_.WaitFor(1));
    ASSERT_TRUE(WaitForListings(1));
    peer_.SendLine("^CONN:1,0");
    ASSERT_TRUE(events_.WaitFor(2));
    peer_.SendLine("NO CARRIER");
    ASSERT_TRUE(events_.WaitFor(3));
    peer_.SendLine("NO CARRIER");  // nothing left to end
    peer_.SendLine(R"(^DDCINFO: "done")");
    ASSERT_TRUE(events_.WaitFor(4));
    EXPECT_EQ(events_.Events(), (Commands{"incoming ", "connected 1", "ended", "info done"}));
}

TEST_F(VoiceControlTest, WaitingCallIsToldOnceAndTheSecondPartyIsTheNewerCall) {
    voice_->SetPollInterval(milliseconds(10));
    voice_->SetVoiceEventHandler(&events_);
    listing_.Set({R"(+CLCC: 2,1,0,0,0,"111",129)"});
    peer_.SendLine("^DDCONN: 2");
    ASSERT_TRUE(events_.WaitFor(1));
    ASSERT_TRUE(WaitForListings(1));
    // The waiting call gets the lower free id: the second party is still the newer call.
    listing_.Set({R"(+CLCC: 2,1,0,0,0,"111",129)", R"(+CLCC: 1,1,5,0,0,"222",129)"});
    peer_.SendLine(R"(+CCWA: "222",129,1)");
    peer_.SendLine(R"(+CCWA: "222",129,1)");
    ASSERT_TRUE(events_.WaitFor(2));
    ASSERT_TRUE(WaitForListings(2));
    peer_.On("AT+CHLD=2", kOk);
    int status = kStatusUntouched;
    voice_->VoiceAcceptWaiting(&status);
    ASSERT_EQ(status, kStatusOk);
    listing_.Set({R"(+CLCC: 2,1,1,0,0,"111",129)", R"(+CLCC: 1,1,0,0,0,"222",129)"});
    ASSERT_TRUE(events_.WaitFor(3));
    peer_.On("AT+CHLD=11", kOk);
    status = kStatusUntouched;
    voice_->VoiceEndSecond(&status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_TRUE(peer_.WaitForCommand("AT+CHLD=11", kHangBound));
    listing_.Set({R"(+CLCC: 2,1,0,0,0,"111",129)"});
    ASSERT_TRUE(events_.WaitFor(4));
    EXPECT_EQ(events_.Events(), (Commands{"connected 2", "waiting 222", "connected 1", "ended"}));
}

TEST_F(VoiceControlTest, NoHandlerRunsAfterItWasWithdrawn) {
    voice_->SetPollInterval(milliseconds(3600000));
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    events_.on_incoming = [&] {
        inside = true;
        std::this_thread::sleep_for(milliseconds(200));
        finished = true;
    };
    voice_->SetVoiceEventHandler(&events_);
    peer_.SendLine("RING");
    ASSERT_TRUE(test::Eventually([&] { return inside.load(); }));
    voice_->SetVoiceEventHandler(nullptr);  // waits for the running handler
    EXPECT_TRUE(finished);
    peer_.SendLine("^DDCONN: 1");
    peer_.SendLine(R"(^DDCINFO: "late")");
    ASSERT_TRUE(test::AwaitListenersCaughtUp(
        agent_.Context().Channel(), [&](const std::string& line) { peer_.SendLine(line); }));
    EXPECT_EQ(events_.Events(), Commands{"incoming "});
}

// A handler that withdraws itself from inside its own call must not deadlock.
class Withdrawing final : public IVoiceEventHandler {
public:
    explicit Withdrawing(VoiceControl& voice) : voice_(voice) {}
    void OnCallSetup() override {}
    void OnIncomingCall(const std::string&, bool) override {
        voice_.SetVoiceEventHandler(nullptr);
        ++calls;
    }
    void OnCallWaiting(const std::string&, bool) override {}
    void OnCallConnected(int) override { ++calls; }
    void OnCallEnded() override {}
    void OnCallStatus() override {}
    void OnCallInfo(const std::string&) override {}
    std::atomic<int> calls{0};

private:
    VoiceControl& voice_;
};

TEST_F(VoiceControlTest, HandlerMayWithdrawItselfWhileCalled) {
    voice_->SetPollInterval(milliseconds(3600000));
    Withdrawing handler(*voice_);
    voice_->SetVoiceEventHandler(&handler);
    peer_.SendLine("RING");
    peer_.SendLine("^DDCONN: 1");
    ASSERT_TRUE(test::Eventually([&] { return handler.calls > 0; }));
    voice_->SetVoiceEventHandler(&events_);  // waits for anything running
    peer_.SendLine(R"(^DDCINFO: "after")");
    ASSERT_TRUE(events_.WaitForEvent("info after"));
    EXPECT_EQ(handler.calls.load(), 1);  // withdrawn inside its first call
    EXPECT_EQ(events_.Events().back(), "info after");
}

}  // namespace
}  // namespace dedevev::at

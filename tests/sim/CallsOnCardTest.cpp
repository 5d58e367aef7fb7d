// The modem library's voice calls on the simulated card, as a CDMA and as a GSM card, with and
// without the card's call reports: the order of the call events the call manager relies on
// for incoming, withheld, late-numbered, waiting, three-way and outgoing calls, DTMF, and a
// data hang-up that leaves the voice call alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/DeviceStatus.h"
#include "device/IVoiceControl.h"
#include "device/at/features/ModemAgent.h"
#include "device/at/features/VoiceControl.h"
#include "support/OtherProgram.h"
#include "support/VoiceTestSupport.h"

namespace dedevev {
namespace {

using Events = std::vector<std::string>;
using std::chrono::milliseconds;

struct Param {
    sim::CardKind kind;
    bool reports;
};

class CallsOnCard : public sim::test::AgentFixture<::testing::TestWithParam<Param>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam().kind));
        Control(std::string("call-reports ") + (GetParam().reports ? "on" : "off"));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        voice_ = agent->GetVoiceControl();
        // The library lists calls every second; faster here only to keep the tests short.
        dynamic_cast<at::VoiceControl*>(voice_)->SetPollInterval(milliseconds(150));
        int status = kStatusUntouched;
        voice_->VoiceOpen(&status);
        ASSERT_EQ(status, kStatusOk);
        voice_->SetVoiceEventHandler(&events_);
    }
    void TearDown() override {
        if (voice_)
            voice_->SetVoiceEventHandler(nullptr);
        AgentFixture::TearDown();
    }
    bool Gsm() const { return GetParam().kind == sim::CardKind::kGsm; }
    // "setup" only comes from the card's own reports.
    Events WithSetup(Events rest) const {
        if (GetParam().reports)
            rest.insert(rest.begin(), "setup");
        return rest;
    }
    void Ok(const std::function<void(int*)>& operation, const char* what) {
        int status = kStatusUntouched;
        operation(&status);
        EXPECT_EQ(status, kStatusOk) << what;
    }
    // Dials and waits until the far end answered (the card answers after a second).
    void DialConnected(const std::string& number, Events* expected) {
        Ok([&](int* s) { voice_->VoiceDial(number, s); }, "dial");
        const Events more = WithSetup({"connected 1"});
        expected->insert(expected->end(), more.begin(), more.end());
        ASSERT_EQ(EventsOnceThere(expected->size()), *expected);
    }
    // The call events once `count` have come (all there are after 20 s).
    Events EventsOnceThere(std::size_t count) {
        events_.WaitFor(count);
        return events_.Events();
    }
    // No event came that was not expected once the library had everything the card sent
    // and had stopped listing the calls (its last listing found none left).
    void Settle(const Events& expected) {
        auto* voice = dynamic_cast<at::VoiceControl*>(voice_);
        EXPECT_TRUE(AwaitCardOutputHandled());
        EXPECT_TRUE(test::Eventually([&] { return !voice->Polling(); }));
        EXPECT_EQ(events_.Events(), expected);
    }
    // The card's calls (`calls`) once they show every part of `wanted` (or after the hang net).
    std::string CallsShowing(const std::vector<std::string>& wanted) {
        std::string calls;
        test::Eventually([&] {
            calls = Control("calls");
            return std::all_of(wanted.begin(), wanted.end(), [&](const std::string& part) {
                return calls.find(part) != std::string::npos;
            });
        });
        return calls;
    }

    IVoiceControl* voice_ = nullptr;
    at::voice_test::Recorder events_;
};

TEST_P(CallsOnCard, IncomingCallAnsweredThenEndedByTheCaller) {
    Control("call-in +62811222");
    Events expected = {"incoming ", "incoming +62811222"};
    ASSERT_EQ(EventsOnceThere(2), expected);
    Ok([&](int* s) { voice_->VoiceAnswer(s); }, "answer");
    expected.push_back("connected 1");
    ASSERT_EQ(EventsOnceThere(3), expected);
    Control("call-end-remote");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(4), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, IncomingCallNeverAnsweredEndsOnce) {
    Control("call-in 5551234");
    Events expected = {"incoming ", "incoming 5551234"};
    ASSERT_EQ(EventsOnceThere(2), expected);
    Control("call-end-remote");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(3), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, WithheldCallerRejected) {
    Control("call-in withheld");
    Events expected = {"incoming ", "incoming  withheld"};
    ASSERT_EQ(EventsOnceThere(2), expected);
    Ok([&](int* s) { voice_->VoiceHangUp(s); }, "reject");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(3), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, NumberArrivingAfterTheFirstRing) {
    Control("call-in unknown");
    ASSERT_EQ(EventsOnceThere(1), Events{"incoming "});
    Control("call-number +62899");
    Events expected = {"incoming ", "incoming +62899"};
    ASSERT_EQ(EventsOnceThere(2), expected);
    Ok([&](int* s) { voice_->VoiceAnswer(s); }, "answer");
    expected.push_back("connected 1");
    ASSERT_EQ(EventsOnceThere(3), expected);
    Ok([&](int* s) { voice_->VoiceHangUp(s); }, "hang up");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(4), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, WaitingCallAcceptedAndSwapped) {
    Events expected;
    DialConnected("5550001", &expected);
    Control("call-waiting +62822");
    expected.push_back("waiting +62822");
    ASSERT_EQ(EventsOnceThere(expected.size()), expected);
    Ok([&](int* s) { voice_->VoiceAcceptWaiting(s); }, "accept waiting");
    expected.push_back("connected 2");
    ASSERT_EQ(EventsOnceThere(expected.size()), expected);
    EXPECT_NE(Control("calls").find("(2,in,active"), std::string::npos);
    Ok([&](int* s) { voice_->VoiceSwapWaiting(s); }, "swap");
    const std::string calls = CallsShowing({"(1,out,active", "(2,in,held"});
    EXPECT_NE(calls.find("(1,out,active"), std::string::npos) << calls;
    EXPECT_NE(calls.find("(2,in,held"), std::string::npos) << calls;
    Ok([&](int* s) { voice_->VoiceHangUp(s); }, "hang up");
    expected.insert(expected.end(), {"ended", "ended"});  // once per call
    EXPECT_EQ(EventsOnceThere(expected.size()), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, ThreeWayCallJoinedAndSecondPartyDropped) {
    Events expected;
    DialConnected("5550001", &expected);
    Ok([&](int* s) { voice_->VoiceSendFlash("5550002", s); }, "call the second party");
    const Events second = WithSetup({"connected 2"});
    expected.insert(expected.end(), second.begin(), second.end());
    ASSERT_EQ(EventsOnceThere(expected.size()), expected);
    Ok([&](int* s) { voice_->VoiceJoin(s); }, "join");
    const std::string joined = CallsShowing({"(1,out,active", "(2,out,active"});
    EXPECT_NE(joined.find("(1,out,active"), std::string::npos) << joined;
    EXPECT_NE(joined.find("(2,out,active"), std::string::npos) << joined;
    Ok([&](int* s) { voice_->VoiceEndSecond(s); }, "drop the second party");
    expected.push_back("ended");
    ASSERT_EQ(EventsOnceThere(expected.size()), expected);
    const std::string left = Control("calls");
    EXPECT_NE(left.find("(1,out,active"), std::string::npos) << left;
    EXPECT_EQ(left.find("(2,"), std::string::npos) << left;
    Control("call-end-remote");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(expected.size()), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, OutgoingCallEndedByTheOtherSide) {
    Events expected;
    DialConnected("+62811333", &expected);
    Control("call-end-remote");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(expected.size()), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, OutgoingCallBusyEndsWithoutConnecting) {
    Control("call-autoanswer 0");
    Control("log clear");
    Ok([&](int* s) { voice_->VoiceDial("5550009", s); }, "dial");
    // The library has seen the call: one listing was answered, as the next one was asked.
    ASSERT_TRUE(AwaitCardCommand("AT+CLCC", 2));
    Control("call-busy");
    const Events expected = WithSetup({"ended"});
    EXPECT_EQ(EventsOnceThere(expected.size()), expected);
    Settle(expected);
}

TEST_P(CallsOnCard, DtmfDuringACallReachesTheCard) {
    Events expected;
    DialConnected("5550001", &expected);
    Control("dtmf-log clear");
    for (char key : std::string("12#*A"))
        Ok([&](int* s) { voice_->VoiceSendDtmf(1, key, s); }, "dtmf");
    int status = kStatusUntouched;
    voice_->VoiceSendDtmf(1, 'x', &status);
    EXPECT_NE(status, kStatusOk);
    const std::string log = Control("dtmf-log");
    for (const char* key : {"1", "2", "#", "*", "A"})
        EXPECT_NE(log.find(key), std::string::npos) << log;
    EXPECT_EQ(log.find('x'), std::string::npos) << log;
    EXPECT_EQ(voice_->GetCallState(&status), 1);
    Ok([&](int* s) { voice_->VoiceHangUp(s); }, "hang up");
    expected.push_back("ended");
    EXPECT_EQ(EventsOnceThere(expected.size()), expected);
    status = kStatusUntouched;
    EXPECT_EQ(voice_->GetCallState(&status), 0);
    EXPECT_EQ(status, kStatusOk);
}

TEST_P(CallsOnCard, NetworkInformationText) {
    Control("call-info Welcome to the network");
    if (!GetParam().reports) {
        Settle({});  // the texts come with the card's own reports only
        return;
    }
    EXPECT_EQ(EventsOnceThere(1), Events{"info Welcome to the network"});
}

// The connection's data hang-up while a voice call talks. With the data port free, the data
// call ends there and the voice call goes on; with the data port held by another program the
// AT port would end the voice call too, so the hang-up fails and leaves both; once no voice
// call is left the AT port ends the data call. Each released data call is gone for good: the
// data port dials again.
TEST_P(CallsOnCard, DataHangUpLeavesTheTalkingCall) {
    Events expected;
    DialConnected("5550001", &expected);
    sim::test::PtyHost data(sim->DataPortPath());
    ASSERT_TRUE(data.IsOpen());
    auto data_final = [&data](const std::string& line) {
        data.Clear();
        data.Write(line + "\r");
        return sim::test::Compact(data.ReadUntil(
            [](const std::string& t) {
                return sim::test::Arrived("CONNECT")(t) || t.find("OK\r\n") != std::string::npos;
            },
            5000));
    };
    const std::string dial = Gsm() ? "ATD*99#" : "ATD#777";
    const std::string connect = Gsm() ? "CONNECT 7200000" : "CONNECT 3100000";
    ASSERT_EQ(data_final("ATE0"), "ATE0|OK");
    ASSERT_EQ(data_final("ATS12=5"), "OK");  // a guard time of 100 ms
    at::Timeouts timeouts;
    timeouts.data_port.guard = milliseconds(150);
    dynamic_cast<at::ModemAgent&>(*agent).SetTimeouts(timeouts);
    ASSERT_TRUE(at::SetModemDataPort(agent, sim->DataPortPath()));
    const std::string talking = "OK (1,out,active,\"5550001\")";

    struct Row {
        const char* name;
        bool port_held;  // by another program
        bool voice;      // the voice call still talks
        int status;
        bool data_left;  // the data call is still up afterwards
    };
    for (const Row& row : {Row{"data port held", true, true, kStatusUntouched, true},
                           Row{"data port free", false, true, kStatusOk, false},
                           Row{"data port held, no voice call", true, false, kStatusOk, false}}) {
        if (!row.voice && Control("calls").find("active") != std::string::npos) {
            Ok([&](int* s) { voice_->VoiceHangUp(s); }, "hang up");
            expected.push_back("ended");
            ASSERT_EQ(EventsOnceThere(expected.size()), expected);
        }
        if (Control("calls").find(",data,") == std::string::npos) {
            ASSERT_EQ(data_final(dial), connect) << row.name;
        }
        // The data call is no voice call, though a GSM card lists it.
        int status = kStatusUntouched;
        EXPECT_EQ(voice_->GetCallState(&status), row.voice ? 1 : 0) << row.name;
        std::unique_ptr<test::OtherProgramHolding> other;
        if (row.port_held)
            other = std::make_unique<test::OtherProgramHolding>(sim->DataPortPath());
        status = kStatusUntouched;
        agent->GetDeviceControl()->HangUpData(&status);
        EXPECT_EQ(status, row.status) << row.name;
        const std::string calls = Control("calls");
        EXPECT_EQ(calls.find(",data,") != std::string::npos, row.data_left) << row.name;
        if (row.voice) {
            EXPECT_EQ(calls.substr(0, talking.size()), talking) << row.name;
        }
        EXPECT_EQ(events_.Events(), expected) << row.name;
        if (row.port_held && !row.data_left) {  // ended from the AT port: the link hears it
            data.Clear();
            EXPECT_EQ(sim::test::Compact(data.ReadUntil(sim::test::Arrived("NO CARRIER"), 5000)),
                      "NO CARRIER");
        }
        if (!row.data_left) {
            EXPECT_EQ(data_final(dial), connect) << row.name << ": no new dial";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CallsOnCard,
    ::testing::Values(Param{sim::CardKind::kGsm, true}, Param{sim::CardKind::kGsm, false},
                      Param{sim::CardKind::kCdma, true}, Param{sim::CardKind::kCdma, false}),
    [](const auto& info) {
        return std::string(info.param.kind == sim::CardKind::kGsm ? "Gsm" : "Cdma") +
               (info.param.reports ? "WithReports" : "ByListing");
    });

}  // namespace
}  // namespace dedevev

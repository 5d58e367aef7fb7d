// The call manager on a scripted voice control and call lists in memory: which list each call
// ends in and with what talk time, the keypad and its tones, the second party, calling back,
// and the card going away.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "core/Customization.h"
#include "device/DeviceStatus.h"
#include "support/FakeCallHistory.h"
#include "support/ScriptedVoice.h"
#include "voice/CallManager.h"

namespace dedevev {
namespace {

using namespace std::chrono_literals;
using test::FakeCallHistory;
using test::ScriptedVoice;
using Commands = ScriptedVoice::Commands;

class TestCustomization final : public CCustomizationOtp {
public:
    bool CallWaitingAllowed() const override { return waiting; }
    bool InternationalPrefixRule() const override { return prefix_rule; }
    std::u16string ThreeWayJoinText() const override { return join_text; }
    bool waiting = true;
    bool prefix_rule = false;
    std::u16string join_text;
};

class CallManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<CCallManager> Make() {
        CallManagerEnvironment env;
        env.voice = [this]() -> IVoiceControl* { return card_in ? &voice : nullptr; };
        env.missed = &missed;
        env.accepted = &accepted;
        env.dialed = &dialed;
        env.customization = &custom;
        env.rings = [this] { return rings; };
        env.play_key_tone = [this](int hz, int ms) { synth.push_back({hz, ms}); };
        env.clock = &clock;
        return std::make_unique<CCallManager>(env);
    }
    void SetUp() override { calls = Make(); }
    // An outgoing call to `number` the far end answered.
    void Talking(const std::string& number) {
        calls->DialNumber(U16(number), u"");
        calls->OnCallConnected(1);
        ASSERT_TRUE(calls->Outgoing().IsActive());
    }
    static std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
    static std::vector<std::pair<std::u16string, int>> Entries(const FakeCallHistory& list) {
        std::vector<std::pair<std::u16string, int>> out;
        for (const CallRecord& r : list.Records())
            out.emplace_back(r.number, r.duration);
        return out;
    }
    using Entries_t = std::vector<std::pair<std::u16string, int>>;

    TestClock clock;
    ScriptedVoice voice;
    bool card_in = true;
    FakeCallHistory missed, accepted, dialed;
    TestCustomization custom;
    RingSetting rings;
    std::vector<std::pair<int, int>> synth;
    std::unique_ptr<CCallManager> calls;
};

TEST_F(CallManagerTest, OutgoingCallsFiledOnlyWhenAnswered) {
    struct Row {
        const char* name;
        bool answered;
        bool user_hangs_up;
        Entries_t dialed;
    };
    for (const Row& row :
         {Row{"remote hang-up", true, false, {{u"5551", 65}}},
          Row{"user hang-up", true, true, {{u"5551", 65}}}, Row{"busy", false, false, {}}}) {
        SCOPED_TRACE(row.name);
        dialed.Clear();
        calls->DialNumber(u"5551", u"Ann");
        EXPECT_EQ(calls->Current(), &calls->Outgoing());
        if (row.answered)
            calls->OnCallConnected(1);
        clock.Advance(65'400ms);
        if (row.user_hangs_up)
            calls->HangUp();
        else
            calls->OnCallEnded();
        EXPECT_EQ(Entries(dialed), row.dialed);
        EXPECT_EQ(calls->Current(), nullptr);
        EXPECT_TRUE(calls->Outgoing().IsIdle());
        EXPECT_EQ(calls->LastCall()->number, u"5551");
    }
    EXPECT_EQ(voice.commands.front(), "dial 5551");
}

TEST_F(CallManagerTest, IncomingCallsEndInAcceptedOrMissed) {
    struct Row {
        const char* name;
        int how;  // 0 answered, 1 rejected, 2 never answered
        Entries_t missed, accepted;
    };
    for (const Row& row :
         {Row{"answered", 0, {}, {{u"0811", 30}}}, Row{"rejected", 1, {{u"0811", 0}}, {}},
          Row{"missed", 2, {{u"0811", 0}}, {}}}) {
        SCOPED_TRACE(row.name);
        missed.Clear();
        accepted.Clear();
        voice.commands.clear();
        calls->OnIncomingCall("0811", false);
        EXPECT_EQ(calls->Incoming().State(), CInCall::kRinging);
        if (row.how == 0) {
            calls->Send();
            EXPECT_EQ(calls->Incoming().State(), CInCall::kAnswering);
            calls->OnCallConnected(1);
        } else if (row.how == 1) {
            calls->RejectOrDropWaiting();
            EXPECT_EQ(voice.commands, Commands{"hangup"});
        }
        clock.Advance(30s);
        calls->OnCallEnded();
        EXPECT_EQ(Entries(missed), row.missed);
        EXPECT_EQ(Entries(accepted), row.accepted);
        EXPECT_TRUE(calls->LastWasIncoming());
    }
}

TEST_F(CallManagerTest, LateCallerNumberFillsInAndIsTold) {
    struct Counter final : ICallStateListener {
        void OnCallStateChanged(CCallBase*) override { ++told; }
        int told = 0;
    } counter;
    calls->Incoming().AddListener(&counter);
    calls->OnIncomingCall("", false);
    EXPECT_EQ(counter.told, 1);
    EXPECT_TRUE(calls->Incoming().Record().number.empty());
    calls->OnIncomingCall("+62899", false);
    EXPECT_EQ(counter.told, 2);
    EXPECT_EQ(calls->Incoming().Record().number, u"+62899");
    calls->Incoming().RemoveListener(&counter);
    calls->OnCallEnded();
    EXPECT_EQ(counter.told, 2);
    EXPECT_EQ(Entries(missed), (Entries_t{{u"+62899", 0}}));
}

TEST_F(CallManagerTest, WaitingCallAcceptedSwappedAndFiled) {
    Talking("5551");
    calls->OnCallWaiting("0822", false);
    EXPECT_EQ(calls->Second(), &calls->Waiting());
    calls->Send();  // answers the waiting call
    EXPECT_TRUE(calls->Waiting().IsActive());
    calls->Flash(u"");  // swaps
    clock.Advance(12s);
    calls->OnCallEnded();
    EXPECT_EQ(Entries(dialed), (Entries_t{{u"5551", 12}}));
    EXPECT_EQ(Entries(accepted), (Entries_t{{u"0822", 12}}));
    EXPECT_EQ(voice.commands, (Commands{"dial 5551", "accept", "swap"}));
    EXPECT_EQ(calls->Second(), nullptr);

    custom.waiting = false;
    Talking("5552");
    calls->OnCallWaiting("0823", false);
    EXPECT_EQ(calls->Second(), nullptr);
    EXPECT_TRUE(calls->Waiting().IsIdle());
}

TEST_F(CallManagerTest, ThreeWayJoinedThenSecondPartyDropped) {
    custom.join_text = u"77";
    calls = Make();
    Talking("5551");
    EXPECT_TRUE(calls->CanAddParty());
    calls->Flash(u"5552");
    EXPECT_EQ(calls->Second(), &calls->ThreeWay());
    clock.Advance(5s);
    calls->Flash(u"");  // joins, with the join text a moment before
    EXPECT_TRUE(calls->ThreeWay().Joined());
    EXPECT_EQ(clock.Slept(), 100ms);
    calls->Flash(u"");  // drops the second party
    EXPECT_EQ(calls->Second(), nullptr);
    EXPECT_EQ(voice.commands,
              (Commands{"dial 5551", "flash 5552", "flash 77", "join", "endsecond"}));
    // The card reports that party's end; the first call still talks.
    voice.calls_listed = 1;
    calls->OnCallEnded();
    EXPECT_EQ(calls->Current(), &calls->Outgoing());
    EXPECT_EQ(Entries(dialed), (Entries_t{{u"5552", 5}}));
    voice.calls_listed = 0;
    calls->OnCallEnded();
    EXPECT_EQ(calls->Current(), nullptr);
    EXPECT_EQ(dialed.Count(), 2);
}

TEST_F(CallManagerTest, RefusedFlashLeavesRoomForAnotherTry) {
    Talking("5551");
    voice.failing["flash"] = true;
    calls->Flash(u"5552");
    EXPECT_EQ(calls->Second(), nullptr);
    EXPECT_TRUE(calls->CanAddParty());
}

TEST_F(CallManagerTest, HangUpWithThreeWayActiveFilesBoth) {
    Talking("5551");
    calls->Flash(u"5552");
    clock.Advance(8s);
    calls->HangUp();
    EXPECT_EQ(Entries(dialed), (Entries_t{{u"5552", 8}, {u"5551", 8}}));
    EXPECT_EQ(calls->LastSecond()->number, u"5552");
    EXPECT_TRUE(calls->ThreeWay().IsIdle());
}

TEST_F(CallManagerTest, KeypadAndTones) {
    for (int i = 0; i < 40; ++i)
        calls->PressKey('1');
    EXPECT_EQ(calls->DialBuffer().size(), 32u);
    calls->HangUp();  // no call: empties the buffer
    Talking("5551");
    voice.commands.clear();
    const std::string keys = "+0123456789*#0123456789*#0123456789";
    for (char key : keys)
        calls->PressKey(key);
    EXPECT_EQ(voice.commands.size(), keys.size() - 1);  // "+" has no tone
    EXPECT_EQ(calls->Outgoing().DtmfSent(), keys.substr(keys.size() - 32));
    EXPECT_TRUE(calls->DialBuffer().empty());
}

TEST_F(CallManagerTest, KeyToneFrequencies) {
    struct Row {
        char key;
        int card_hz, synth_hz;
    };
    for (const Row& row : {Row{'1', 440, 262}, Row{'2', 493, 294}, Row{'4', 587, 370},
                           Row{'0', 1244, 740}, Row{'x', 440, 1480}}) {
        EXPECT_EQ(CCallManager::CardToneHz(row.key), row.card_hz) << row.key;
        EXPECT_EQ(CCallManager::SynthToneHz(row.key), row.synth_hz) << row.key;
    }
    calls->KeyFeedback('2', false);
    calls->KeyFeedback('2', true);
    EXPECT_EQ(voice.commands, Commands{"tone 493 200"});
    EXPECT_EQ(synth, (std::vector<std::pair<int, int>>{{294, 80}}));
}

TEST_F(CallManagerTest, CallBackRedialAndInternationalPrefix) {
    calls->OnIncomingCall("0811", false);
    calls->OnCallEnded();
    calls->Send();  // empty buffer: calls the last caller back
    EXPECT_EQ(voice.commands.back(), "dial 0811");
    calls->HangUp();
    calls->Redial();
    EXPECT_EQ(voice.commands.back(), "dial 0811");
    calls->HangUp();

    custom.prefix_rule = true;
    rings.international_call = true;
    rings.international_code = u"00";
    calls->DialNumber(u"+62+1", u"");
    EXPECT_EQ(voice.commands.back(), "dial 0062001");
    EXPECT_EQ(calls->LastNumber(), u"0062001");
}

TEST_F(CallManagerTest, CardGoneEndsAndFilesTheCall) {
    Talking("5551");
    EXPECT_EQ(voice.handler, calls.get());
    clock.Advance(3s);
    card_in = false;
    voice.commands.clear();
    calls->CardChanged();
    EXPECT_EQ(voice.handler, nullptr);
    EXPECT_EQ(calls->Current(), nullptr);
    EXPECT_EQ(Entries(dialed), (Entries_t{{u"5551", 3}}));
    EXPECT_TRUE(voice.commands.empty());
    card_in = true;
    calls->CardChanged();
    EXPECT_EQ(voice.handler, calls.get());
}

TEST_F(CallManagerTest, ShutdownDropsTheWaitingCallAndWithdraws) {
    Talking("5551");
    calls->OnCallWaiting("0822", false);
    calls.reset();
    EXPECT_EQ(voice.handler, nullptr);
    EXPECT_EQ(voice.commands.back(), "endsecond");
    EXPECT_EQ(Entries(missed), (Entries_t{{u"0822", 0}}));
    EXPECT_EQ(dialed.Count(), 1);
}

// A listener that waits for another thread which reads the manager: told while the manager's
// lock was held, this would never end.
TEST_F(CallManagerTest, ListenersAreToldWithoutTheManagersLock) {
    struct Waiter final : ICallStateListener {
        void OnCallStateChanged(CCallBase*) override {
            auto read = std::async(std::launch::async, [this] { return manager->DialBuffer(); });
            finished = read.wait_for(20s) == std::future_status::ready;
        }
        CCallManager* manager = nullptr;
        bool finished = false;
    } waiter;
    waiter.manager = calls.get();
    calls->Incoming().AddListener(&waiter);
    calls->OnIncomingCall("0811", false);
    EXPECT_TRUE(waiter.finished);
    calls->Incoming().RemoveListener(&waiter);
}

}  // namespace
}  // namespace dedevev

// The call manager on a scripted voice control: which list each call ends in and with what
// talk time, the keypad and its tones, the second party, calling back, the card going away.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "core/Customization.h"
#include "support/ScriptedVoice.h"
#include "voice/CallManager.h"

namespace dedevev {
namespace {

using namespace std::chrono_literals;
using Commands = test::ScriptedVoice::Commands;
using Entries = std::vector<std::pair<std::u16string, int>>;  // number, seconds; newest first

class TestCustomization final : public CCustomizationOtp {
public:
    bool CallWaitingAllowed() const override { return waiting; }
    bool InternationalPrefixRule() const override { return prefix_rule; }
    std::u16string ThreeWayJoinText() const override { return join_text; }
    bool waiting = true, prefix_rule = false;
    std::u16string join_text;
};

class CallManagerTest : public ::testing::Test {
protected:
    void SetUp() override { Make(); }
    void Make() {
        CallManagerEnvironment env;
        env.voice = [this]() -> IVoiceControl* { return card_in ? &voice : nullptr; };
        env.missed = &missed;
        env.accepted = &accepted;
        env.dialed = &dialed;
        env.customization = &custom;
        env.rings = [this] { return rings; };
        env.play_key_tone = [this](int hz, int ms) { synth.push_back({hz, ms}); };
        env.clock = &clock;
        calls = std::make_unique<CCallManager>(env);
    }
    // An outgoing call to `number` the far end answered.
    void Talking(const std::u16string& number) {
        calls->DialNumber(number, u"");
        calls->OnCallConnected(1);
        ASSERT_TRUE(calls->Outgoing().IsActive());
    }
    static Entries Of(ICallHistory& list) {
        Entries out;
        CallRecord r;
        for (int i = 0; list.Get(&r, i); ++i)
            out.emplace_back(r.number, r.duration);
        list.Clear();
        return out;
    }

    TestClock clock;
    test::ScriptedVoice voice;
    bool card_in = true;
    CCallHistory missed, accepted, dialed;
    TestCustomization custom;
    RingSetting rings;
    std::vector<std::pair<int, int>> synth;
    std::unique_ptr<CCallManager> calls;
};

TEST_F(CallManagerTest, EachCallEndsInItsList) {
    struct Row {
        const char* name;
        bool incoming, answered, user_ends;
        Entries missed, accepted, dialed;
        std::string first;  // the first command to the card
    };
    const Entries call = {{u"0811", 65}}, unanswered = {{u"0811", 0}};
    for (const Row& row : {Row{"out, remote end", false, true, false, {}, {}, call, "dial 0811"},
                           Row{"out, hung up", false, true, true, {}, {}, call, "dial 0811"},
                           Row{"out, busy", false, false, false, {}, {}, {}, "dial 0811"},
                           Row{"in, answered", true, true, false, {}, call, {}, "answer"},
                           Row{"in, rejected", true, false, true, unanswered, {}, {}, "hangup"},
                           Row{"in, missed", true, false, false, unanswered, {}, {}, ""}}) {
        SCOPED_TRACE(row.name);
        voice.commands.clear();
        if (row.incoming)
            calls->OnIncomingCall("0811", false);
        else
            calls->DialNumber(u"0811", u"");
        if (row.answered) {
            calls->Send();  // answers a ringing call; nothing more during an outgoing one
            calls->OnCallConnected(1);
        }
        clock.Advance(65'400ms);
        if (row.user_ends)
            calls->HangUp();
        else
            calls->OnCallEnded();
        EXPECT_EQ(Of(missed), row.missed);
        EXPECT_EQ(Of(accepted), row.accepted);
        EXPECT_EQ(Of(dialed), row.dialed);
        EXPECT_EQ(calls->Current(), nullptr);
        EXPECT_EQ(calls->LastWasIncoming(), row.incoming);
        EXPECT_EQ(voice.commands.empty() ? "" : voice.commands.front(), row.first);
    }
}

TEST_F(CallManagerTest, LateCallerNumberFillsInAndIsTold) {
    struct Counter final : ICallStateListener {
        void OnCallStateChanged(CCallBase*) override { ++told; }
        int told = 0;
    } counter;
    calls->Incoming().AddListener(&counter);
    calls->OnIncomingCall("", false);
    calls->OnIncomingCall("+62899", false);
    EXPECT_EQ(counter.told, 2);
    calls->Incoming().RemoveListener(&counter);
    calls->OnCallEnded();
    EXPECT_EQ(counter.told, 2);
    EXPECT_EQ(Of(missed), (Entries{{u"+62899", 0}}));
}

TEST_F(CallManagerTest, WaitingCallAcceptedSwappedAndFiled) {
    Talking(u"5551");
    calls->OnCallWaiting("0822", false);
    calls->Send();      // answers the waiting call
    calls->Flash(u"");  // swaps
    clock.Advance(12s);
    calls->OnCallEnded();
    EXPECT_EQ(Of(dialed), (Entries{{u"5551", 12}}));
    EXPECT_EQ(Of(accepted), (Entries{{u"0822", 12}}));
    EXPECT_EQ(voice.commands, (Commands{"dial 5551", "accept", "swap"}));

    custom.waiting = false;
    Talking(u"5552");
    calls->OnCallWaiting("0823", false);
    EXPECT_EQ(calls->Second(), nullptr);
}

TEST_F(CallManagerTest, ThreeWayJoinedThenSecondPartyDropped) {
    custom.join_text = u"77";
    Make();
    Talking(u"5551");
    voice.failing["flash"] = true;  // a refused call of the party leaves room for another try
    calls->Flash(u"5552");
    EXPECT_TRUE(calls->CanAddParty());
    voice.failing["flash"] = false;
    calls->Flash(u"5552");
    clock.Advance(5s);
    calls->Flash(u"");  // joins, the join text a moment before
    EXPECT_EQ(clock.Slept(), 100ms);
    calls->Flash(u"");  // drops the second party
    EXPECT_EQ(voice.commands,
              (Commands{"dial 5551", "flash 5552", "flash 5552", "flash 77", "join", "endsecond"}));
    EXPECT_EQ(Of(dialed), (Entries{{u"5552", 5}}));
    // The card reports that party's end; the first call still talks.
    voice.calls_listed = 1;
    calls->OnCallEnded();
    EXPECT_EQ(calls->Current(), &calls->Outgoing());
    voice.calls_listed = 0;
    calls->OnCallEnded();
    EXPECT_EQ(Of(dialed), (Entries{{u"5551", 5}}));
}

TEST_F(CallManagerTest, HangUpWithThreeWayActiveFilesBoth) {
    Talking(u"5551");
    calls->Flash(u"5552");
    clock.Advance(8s);
    calls->HangUp();
    EXPECT_EQ(Of(dialed), (Entries{{u"5552", 8}, {u"5551", 8}}));
    EXPECT_TRUE(calls->ThreeWay().IsIdle());
}

TEST_F(CallManagerTest, KeypadDtmfAndKeyTones) {
    for (int i = 0; i < 40; ++i)
        calls->PressKey('1');
    EXPECT_EQ(calls->DialBuffer().size(), 32u);
    calls->HangUp();  // no call: empties the buffer
    Talking(u"5551");
    voice.commands.clear();
    const std::string keys = "+0123456789*#0123456789*#0123456789";
    for (char key : keys)
        calls->PressKey(key);
    EXPECT_EQ(voice.commands.size(), keys.size() - 1);  // "+" has no tone
    EXPECT_EQ(calls->Outgoing().DtmfSent(), keys.substr(keys.size() - 32));

    struct Row {
        char key;
        int card_hz, synth_hz;
    };
    for (const Row& row : {Row{'1', 440, 262}, Row{'2', 493, 294}, Row{'4', 587, 370},
                           Row{'0', 1244, 740}, Row{'x', 440, 1480}}) {
        EXPECT_EQ(CCallManager::CardToneHz(row.key), row.card_hz) << row.key;
        EXPECT_EQ(CCallManager::SynthToneHz(row.key), row.synth_hz) << row.key;
    }
    voice.commands.clear();
    calls->KeyFeedback('2', false);
    calls->KeyFeedback('2', true);
    EXPECT_EQ(voice.commands, Commands{"tone 493 200"});
    EXPECT_EQ(synth, (std::vector<std::pair<int, int>>{{294, 80}}));
}

TEST_F(CallManagerTest, CallBackRedialAndInternationalPrefix) {
    calls->OnIncomingCall("0811", false);
    calls->OnCallEnded();
    calls->Send();  // empty buffer: calls the last caller back
    calls->HangUp();
    calls->Redial();
    calls->HangUp();
    custom.prefix_rule = rings.international_call = true;
    rings.international_code = u"00";
    calls->DialNumber(u"+62+1", u"");
    EXPECT_EQ(voice.commands,
              (Commands{"dial 0811", "hangup", "dial 0811", "hangup", "dial 0062001"}));
}

TEST_F(CallManagerTest, CardGoneEndsAndFilesTheCall) {
    Talking(u"5551");
    clock.Advance(3s);
    card_in = false;
    voice.commands.clear();
    calls->CardChanged();
    EXPECT_EQ(voice.handler, nullptr);
    EXPECT_EQ(calls->Current(), nullptr);
    EXPECT_EQ(Of(dialed), (Entries{{u"5551", 3}}));
    EXPECT_TRUE(voice.commands.empty());
    card_in = true;
    calls->CardChanged();
    EXPECT_EQ(voice.handler, calls.get());
}

TEST_F(CallManagerTest, EndDropsTheWaitingCallAndWithdraws) {
    Talking(u"5551");
    calls->OnCallWaiting("0822", false);
    calls.reset();
    EXPECT_EQ(voice.handler, nullptr);
    EXPECT_EQ(voice.commands.back(), "endsecond");
    EXPECT_EQ(Of(missed), (Entries{{u"0822", 0}}));
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

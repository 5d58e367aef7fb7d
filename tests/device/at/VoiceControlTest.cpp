// Voice calls against a scripted modem on a pseudo-terminal: the commands each operation sends
// on GSM and CDMA cards with their refusals and fallbacks, and the call events with their
// order, from the card's reports, from the listing of calls, and from both at once.

#include "device/at/VoiceControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "device/at/ModemAgent.h"
#include "support/PtyPeer.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;
using std::chrono::milliseconds;

constexpr Millis kHangBound{20000};  // only a net against hangs

const Script kOk = Script().Ok();
const char* kGsmCaps = "+GCAP: +CGSM,+DS,+ES";
const char* kCdmaCaps = "+GCAP: +CIS707-A,+MS,+ES,+DS";

// Records every call event as text, with the thread it came on.
class Recorder final : public IVoiceEventHandler {
public:
    void OnCallSetup() override { Add("setup"); }
    void OnIncomingCall(const std::string& number, bool withheld) override {
        Add("incoming " + number + (withheld ? " withheld" : ""));
        if (on_incoming)
            on_incoming();
    }
    void OnCallWaiting(const std::string& number, bool withheld) override {
        Add("waiting " + number + (withheld ? " withheld" : ""));
    }
    void OnCallConnected(int id) override { Add("connected " + std::to_string(id)); }
    void OnCallEnded() override { Add("ended"); }
    void OnCallStatus() override { Add("status"); }
    void OnCallInfo(const std::string& text) override { Add("info " + text); }

    bool WaitForEvent(const std::string& event) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] {
            return std::find(events_.begin(), events_.end(), event) != events_.end();
        });
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return events_.size() >= count; });
    }
    Commands Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    bool AllOnOtherThreads(std::thread::id test_thread) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::thread::id& id : threads_) {
            if (id == test_thread)
                return false;
        }
        return true;
    }
    std::function<void()> on_incoming;

private:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    Commands events_;
    std::vector<std::thread::id> threads_;
};

// The calls the scripted card lists for AT+CLCC, changed by the test as the call goes on.
class Listing {
public:
    void Set(Commands lines) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_ = std::move(lines);
    }
    Script Answer() {
        std::lock_guard<std::mutex> lock(mutex_);
        Script script;
        for (const std::string& line : lines_)
            script.Line(line);
        return script.Ok();
    }

private:
    std::mutex mutex_;
    Commands lines_;
};

class VoiceControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.IsOpen());
        int status = kStatusUntouched;
        ASSERT_TRUE(agent_.Open(peer_.SlavePath(), 115200, &status)) << agent_.LastError();
        voice_ = dynamic_cast<VoiceControl*>(agent_.GetVoiceControl());
        ASSERT_NE(voice_, nullptr);
        peer_.On("AT+GCAP", Script().Line(kGsmCaps).Ok());
        peer_.OnCall(R"(AT\+CLCC)", [this](const std::smatch&) { return listing_.Answer(); });
    }
    void TearDown() override { voice_->SetVoiceEventHandler(nullptr); }

    // Waits until the card has been asked for its calls `more` more times.
    bool WaitForListings(std::size_t more) {
        const auto count = [&] {
            std::size_t n = 0;
            for (const std::string& c : peer_.Commands())
                n += c == "AT+CLCC";
            return n;
        };
        const std::size_t target = count() + more;
        const auto deadline = std::chrono::steady_clock::now() + kHangBound;
        while (count() < target && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(5));
        return count() >= target;
    }

    // Waits until the calls are no longer listed (no call is up any more).
    bool WaitUntilIdle() {
        const auto deadline = std::chrono::steady_clock::now() + kHangBound;
        while (voice_->Polling() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(5));
        return !voice_->Polling();
    }

    Recorder events_;  // outlives the modem object that calls it
    Listing listing_;
    PtyPeer peer_;
    ModemAgent agent_;
    VoiceControl* voice_ = nullptr;
};

// ---- Commands of every operation --------------------------------------------------------

struct Rule {
    std::string command;
    Script script;
};

struct SlotCase {
    const char* name;
    const char* caps;
    std::vector<Rule> rules;
    std::function<int(VoiceControl&, int*)> call;
    int status;
    Commands sent;  // besides AT+GCAP
    int result = 0;
};

std::function<int(VoiceControl&, int*)> Do(std::function<void(VoiceControl&, int*)> f) {
    return [f](VoiceControl& v, int* s) {
        f(v, s);
        return 0;
    };
}

std::vector<SlotCase> SlotCases() {
    const Script error = Script().Error();
    const std::string both = R"(+CLCC: 1,0,1,0,0,"111",129)";
    return {
        {"Dial",
         kGsmCaps,
         {{"ATD+62811;", kOk}},
         Do([](auto& v, int* s) { v.VoiceDial("+62811", s); }),
         1,
         {"ATD+62811;"}},
        {"DialRefused",
         kGsmCaps,
         {{"ATD112;", Script().Line("NO CARRIER")}},
         Do([](auto& v, int* s) { v.VoiceDial("112", s); }),
         256,
         {"ATD112;"}},
        {"DialUnsafeNumberNeverSent",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceDial("123;H", s); }),
         256,
         {}},
        {"OpenToleratesRefusals",
         kGsmCaps,
         {{"AT+CLIP=1", kOk}, {"AT+CCWA=1", error}, {"AT+CRC=1", kOk}, {"AT^DDVOICE=1", error}},
         Do([](auto& v, int* s) { v.VoiceOpen(s); }),
         1,
         {"AT+CLIP=1", "AT+CCWA=1", "AT+CRC=1", "AT^DDVOICE=1"}},
        {"Answer",
         kGsmCaps,
         {{"ATA", kOk}},
         Do([](auto& v, int* s) { v.VoiceAnswer(s); }),
         1,
         {"ATA"}},
        {"AnswerTooLate",
         kGsmCaps,
         {{"ATA", Script().Line("NO CARRIER")}},
         Do([](auto& v, int* s) { v.VoiceAnswer(s); }),
         256,
         {"ATA"}},
        {"HangUp",
         kGsmCaps,
         {{"AT+CHUP", kOk}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         1,
         {"AT+CHUP"}},
        {"HangUpFallsBackToAth",
         kGsmCaps,
         {{"AT+CHUP", Script().CmeError(4)}, {"ATH", kOk}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         1,
         {"AT+CHUP", "ATH"}},
        {"HangUpRefusedBoth",
         kGsmCaps,
         {{"AT+CHUP", error}, {"ATH", error}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         256,
         {"AT+CHUP", "ATH"}},
        {"GsmFlashDialsTheSecondParty",
         kGsmCaps,
         {{"ATD555;", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("555", s); }),
         1,
         {"AT+GCAP", "ATD555;"}},
        {"GsmFlashWithoutNumberFails",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendFlash("", s); }),
         256,
         {"AT+GCAP"}},
        {"CdmaFlashWithNumber",
         kCdmaCaps,
         {{R"(AT^DDFLASH="555")", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("555", s); }),
         1,
         {"AT+GCAP", R"(AT^DDFLASH="555")"}},
        {"CdmaFlashWithoutNumber",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("", s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"CdmaFlashUnsafeNumber",
         kCdmaCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendFlash("5\"5", s); }),
         256,
         {"AT+GCAP"}},
        {"GsmJoin",
         kGsmCaps,
         {{"AT+CHLD=3", kOk}},
         Do([](auto& v, int* s) { v.VoiceJoin(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=3"}},
        {"CdmaJoin",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceJoin(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmAcceptWaiting",
         kGsmCaps,
         {{"AT+CHLD=2", kOk}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"GsmAcceptWaitingRefused",
         kGsmCaps,
         {{"AT+CHLD=2", Script().CmeError(3)}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         256,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"CdmaAcceptWaiting",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmSwap",
         kGsmCaps,
         {{"AT+CHLD=2", kOk}},
         Do([](auto& v, int* s) { v.VoiceSwapWaiting(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"CdmaSwap",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceSwapWaiting(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmEndSecondReleasesTheOtherCall",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Line(R"(+CLCC: 2,0,0,0,0,"222",129)").Ok()},
          {"AT+CHLD=12", kOk}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         1,
         {"AT+GCAP", "AT+CLCC", "AT+CHLD=12"}},
        {"GsmEndSecondWithoutSecondParty",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Ok()}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         256,
         {"AT+GCAP", "AT+CLCC"}},
        {"CdmaEndSecond",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"Dtmf",
         kGsmCaps,
         {{"AT+VTS=#", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, '#', s); }),
         1,
         {"AT+VTS=#"}},
        {"DtmfLowerCaseLetter",
         kGsmCaps,
         {{"AT+VTS=B", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, 'b', s); }),
         1,
         {"AT+VTS=B"}},
        {"DtmfBadKeyNeverSent",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, '+', s); }),
         256,
         {}},
        {"Tone",
         kGsmCaps,
         {{"AT^DDTONE=466,200", kOk}},
         Do([](auto& v, int* s) { v.VoicePlayTone(466, 200, s); }),
         1,
         {"AT^DDTONE=466,200"}},
        {"ToneWithoutFrequency",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoicePlayTone(0, 200, s); }),
         256,
         {}},
        {"SetVolume",
         kGsmCaps,
         {{"AT+CLVL=8", kOk}},
         Do([](auto& v, int* s) { v.SetVolume(8, s); }),
         1,
         {"AT+CLVL=8"}},
        {"SetVolumeOutOfRange",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.SetVolume(9, s); }),
         256,
         {}},
        {"GetVolume",
         kGsmCaps,
         {{"AT+CLVL?", Script().Line("+CLVL: 5").Ok()}},
         [](VoiceControl& v, int* s) { return v.GetVolume(s); },
         1,
         {"AT+CLVL?"},
         5},
        {"CallStateCountsCalls",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Line(R"(+CLCC: 2,1,5,0,0,"",128)").Ok()}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         1,
         {"AT+CLCC"},
         2},
        {"CallStateNoCall",
         kGsmCaps,
         {{"AT+CLCC", kOk}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         1,
         {"AT+CLCC"},
         0},
        {"CallStateRefused",
         kGsmCaps,
         {{"AT+CLCC", error}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         256,
         {"AT+CLCC"},
         0},
    };
}

TEST_F(VoiceControlTest, EveryOperationSendsItsCommandsPerFamily) {
    voice_->SetPollInterval(milliseconds(3600000));  // no listing in between
    for (const SlotCase& c : SlotCases()) {
        voice_->Reset();
        peer_.ClearRules();
        peer_.On("AT+GCAP", Script().Line(c.caps).Ok());
        for (const Rule& rule : c.rules)
            peer_.On(rule.command, rule.script);
        const std::size_t before = peer_.CommandCount();
        int status = kStatusUntouched;
        const int result = c.call(*voice_, &status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(result, c.result) << c.name;
        const Commands all = peer_.Commands();
        EXPECT_EQ(Commands(all.begin() + static_cast<long>(before), all.end()), c.sent) << c.name;
    }
}

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

TEST_F(VoiceControlTest, CardWithoutReportsIsWatchedByListingItsCalls) {
    voice_->SetPollInterval(milliseconds(20));
    voice_->SetVoiceEventHandler(&events_);
    peer_.On("ATD5551234;", kOk);
    listing_.Set({R"(+CLCC: 1,0,2,0,0,"5551234",129)"});
    int status = kStatusUntouched;
    voice_->VoiceDial("5551234", &status);
    ASSERT_EQ(status, kStatusOk);
    ASSERT_TRUE(WaitForListings(2));
    EXPECT_TRUE(events_.Events().empty());  // dialing is no event
    listing_.Set({R"(+CLCC: 1,0,0,0,0,"5551234",129)"});
    ASSERT_TRUE(events_.WaitFor(1));
    ASSERT_TRUE(WaitForListings(3));
    listing_.Set({});
    ASSERT_TRUE(events_.WaitFor(2));
    EXPECT_TRUE(WaitUntilIdle());  // no call listed: the watch stops
    const std::size_t listings = peer_.CommandCount();
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(peer_.CommandCount(), listings);
    EXPECT_EQ(events_.Events(), (Commands{"connected 1", "ended"}));
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
    const auto deadline = std::chrono::steady_clock::now() + kHangBound;
    while (!inside && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(1));
    ASSERT_TRUE(inside);
    voice_->SetVoiceEventHandler(nullptr);  // waits for the running handler
    EXPECT_TRUE(finished);
    peer_.SendLine("^DDCONN: 1");
    peer_.SendLine(R"(^DDCINFO: "late")");
    std::this_thread::sleep_for(milliseconds(100));
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
    const auto deadline = std::chrono::steady_clock::now() + kHangBound;
    while (handler.calls == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(1));
    voice_->SetVoiceEventHandler(&events_);  // waits for anything running
    peer_.SendLine(R"(^DDCINFO: "after")");
    ASSERT_TRUE(events_.WaitForEvent("info after"));
    EXPECT_EQ(handler.calls.load(), 1);  // withdrawn inside its first call
    EXPECT_EQ(events_.Events().back(), "info after");
}

}  // namespace
}  // namespace dedevev::at

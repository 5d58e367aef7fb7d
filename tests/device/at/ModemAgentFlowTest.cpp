// The modem object over several commands: what the card lacks is learned, UCS2 names and
// registration by number, PIN and PUK with their counters, USSD with its result before and
// after the OK, the encoding retry and network-initiated requests, a mute card, a pulled
// card, concurrent callers, the port held by another program, and the log.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "device/at/features/ModemAgent.h"
#include "device/at/transport/PortOwner.h"
#include "device/base/Clock.h"
#include "support/OtherProgram.h"
#include "support/PtyPeer.h"
#include "support/TempDir.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;

// Only a net against hangs: no test depends on how fast anything is.
constexpr Millis kHangBound{20000};

const Script kOk = Script().Ok();

// Collects replies with the thread each came on.
class Listener final : public IUssdEventHandler {
public:
    void OnUssdReply(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_.push_back(text);
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return replies_.size() >= count; });
    }
    std::vector<std::string> Replies() {
        std::lock_guard<std::mutex> lock(mutex_);
        return replies_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> replies_;
    std::vector<std::thread::id> threads_;
};

class ModemAgentFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.IsOpen());
        int status = kStatusUntouched;
        ASSERT_TRUE(agent_.Open(peer_.SlavePath(), 115200, &status)) << agent_.LastError();
        ASSERT_EQ(status, kStatusOk);
    }

    IDeviceControl& Device() { return *agent_.GetDeviceControl(); }
    ICardService& Card() { return *agent_.GetCardService(); }

    // The listeners outlive the modem object that calls them.
    Listener listener_;
    Listener second_;
    PtyPeer peer_;
    ModemAgent agent_;
};

TEST_F(ModemAgentFlowTest, WhatTheCardLacksIsNotAskedAgain) {
    peer_.On("AT+CREG?", Script().Line(R"(+CREG: 2,1,"1A2B","0000C3D4",7)").Ok());
    for (int i = 0; i < 2; ++i) {
        int status = kStatusUntouched;
        EXPECT_EQ(Device().GetServiceInfo(&status).system_mode, kSystemModeLte);
        EXPECT_EQ(status, kStatusOk);
        status = kStatusUntouched;
        Device().GetIndicator(&status);
        EXPECT_EQ(status, kStatusUntouched);
    }
    EXPECT_EQ(peer_.Commands(), (Commands{"AT^DDSRV?", "AT^SYSINFOEX", "AT^SYSINFO", "AT+CREG?",
                                          "AT^DDIND?", "AT+CREG?"}));
}

TEST_F(ModemAgentFlowTest, Ucs2NamesAreShownAsTextAndSelectionFallsBackToTheNumber) {
    peer_.On(R"(AT+CSCS="UCS2")", kOk);
    peer_.On("AT+COPS=?", Script()
                              .Line(R"(+COPS: (2,"004D0054005300200052005500530053",)"
                                    R"("041C04220421","25001",2))")
                              .Ok());
    peer_.On(R"(AT+COPS=1,2,"25001")", kOk);
    Device().SetCharacterSet("UCS2", nullptr);
    int status = kStatusUntouched;
    const std::vector<std::string> rows = Device().SearchNetworks(&status);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], "2,\"MTS RUSS\",\"\xD0\x9C\xD0\xA2\xD0\xA1\",\"25001\",2");
    status = kStatusUntouched;
    Device().SelectNetwork("\xD0\x9C\xD0\xA2\xD0\xA1", &status);  // the name column
    EXPECT_EQ(status, kStatusOk);
    const Commands sent = peer_.Commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], R"(AT+COPS=1,1,"041C04220421")");  // refused by the card
    EXPECT_EQ(sent.back(), R"(AT+COPS=1,2,"25001")");
}

// ---- PIN and PUK with counters ----------------------------------------------------------

// A SIM as the card keeps it: three PIN attempts, then the PUK with ten.
class FakeSim {
public:
    void Install(PtyPeer& peer) {
        peer.OnCall(R"re(AT\+CPIN\?)re", [this](const std::smatch&) {
            std::lock_guard<std::mutex> lock(mutex_);
            return Script().Line(pin_left_ > 0 ? "+CPIN: READY" : "+CPIN: SIM PUK").Ok();
        });
        peer.OnCall(R"re(AT\+CPINR="SIM (PIN|PUK)")re", [this](const std::smatch& m) {
            std::lock_guard<std::mutex> lock(mutex_);
            const int left = m[1] == "PIN" ? pin_left_ : puk_left_;
            return Script()
                .Line("+CPINR: SIM " + m[1].str() + "," + std::to_string(left) + ",3")
                .Ok();
        });
        peer.OnCall(R"re(AT\+CLCK="SC",1,"(\d+)")re", [this](const std::smatch& m) {
            std::lock_guard<std::mutex> lock(mutex_);
            return Try(m[1] == pin_, &pin_left_, 3);
        });
        peer.OnCall(R"re(AT\+CPIN="(\d+)","(\d+)")re", [this](const std::smatch& m) {
            std::lock_guard<std::mutex> lock(mutex_);
            const bool right = m[1] == puk_;
            Script script = Try(right, &puk_left_, 10);
            if (right) {
                pin_ = m[2];
                pin_left_ = 3;
            }
            return script;
        });
    }

private:
    Script Try(bool right, int* left, int full) {
        if (*left == 0) {
            return Script().CmeError(12);
        }
        if (!right) {
            --*left;
            return Script().CmeError(16);
        }
        *left = full;
        return Script().Ok();
    }

    std::mutex mutex_;
    std::string pin_ = "1234";
    std::string puk_ = "12345678";
    int pin_left_ = 3;
    int puk_left_ = 10;
};

TEST(ModemAgentPin, WrongPinsUseUpTheAttemptsAndThePukUnblocks) {
    FakeSim sim;  // outlives the modem thread that runs its rules
    PtyPeer peer;
    sim.Install(peer);
    ModemAgent agent;
    ASSERT_TRUE(agent.Open(peer.SlavePath(), 115200, nullptr)) << agent.LastError();
    ICardService& card = *agent.GetCardService();
    for (int expected_left : {2, 1, 0}) {
        int status = kStatusUntouched;
        card.SetPinLock("0000", true, &status);
        EXPECT_EQ(status, kStatusUntouched);
        status = kStatusUntouched;
        EXPECT_EQ(card.GetRemainingAttempts(&status), expected_left);
        EXPECT_EQ(status, kStatusOk);
    }
    int status = kStatusUntouched;
    EXPECT_TRUE(card.IsPukRequired(&status));
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    card.UnlockWithPuk("87654321", "4321", &status);
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_EQ(card.GetRemainingPukAttempts(nullptr), 9);
    status = kStatusUntouched;
    card.UnlockWithPuk("12345678", "4321", &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(card.GetRemainingAttempts(nullptr), 3);
    EXPECT_EQ(card.GetRemainingPukAttempts(nullptr), 10);
    EXPECT_FALSE(card.IsPukRequired(nullptr));
    status = kStatusUntouched;
    card.SetPinLock("4321", true, &status);  // the new PIN counts
    EXPECT_EQ(status, kStatusOk);
}

// ---- USSD -------------------------------------------------------------------------------

TEST_F(ModemAgentFlowTest, UssdReplyAfterAndBeforeTheOk) {
    Card().SetUssdListener(&listener_);
    peer_.On(R"(AT+CUSD=1,"*123#",15)",
             Script().Ok().Delay(Millis(50)).Line(R"(+CUSD: 0,"Balance: 5.00 EUR",15)"));
    peer_.On(R"(AT+CUSD=1,"*100#",15)", Script().Line(R"(+CUSD: 1,"1 Balance, 2 Tariff",15)").Ok());
    peer_.On(R"(AT+CUSD=1,"2",15)", Script().Ok().Line(R"(+CUSD: 0,"Tariff: S",15)"));

    int status = kStatusUntouched;
    Card().SendUssd("*123#", &status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(1));
    status = kStatusUntouched;
    Card().SendUssd("*100#", &status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(2));
    status = kStatusUntouched;
    Card().SendUssd("2", &status);  // the answer to the menu, in the same exchange
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(3));
    EXPECT_EQ(listener_.Replies(),
              (Commands{"Balance: 5.00 EUR", "1 Balance, 2 Tariff", "Tariff: S"}));
    for (std::thread::id id : listener_.Threads()) {
        EXPECT_NE(id, std::this_thread::get_id());  // the engine's event thread
    }
    EXPECT_EQ(peer_.Commands(), (Commands{R"(AT+CUSD=1,"*123#",15)", R"(AT+CUSD=1,"*100#",15)",
                                          R"(AT+CUSD=1,"2",15)"}));
    Card().SetUssdListener(nullptr);
}

TEST_F(ModemAgentFlowTest, UssdRetriesInTheOtherEncodingAndRemembersIt) {
    Card().SetUssdListener(&listener_);
    peer_.On(R"(AT+CSCS="UCS2")", kOk);
    // A card in UCS2 that takes requests and gives replies as UCS2 hex only.
    peer_.OnCall(R"re(AT\+CUSD=1,"([0-9A-F]+)",15)re", [](const std::smatch& m) {
        return Script().Ok().Line("+CUSD: 0,\"004F004B0020" + m[1].str() + "\",15");
    });
    Device().SetCharacterSet("UCS2", nullptr);
    int status = kStatusUntouched;
    Card().SendUssd("*1#", &status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.Replies()[0], "OK *1#");
    Card().SendUssd("*2#", &status);
    ASSERT_TRUE(listener_.WaitFor(2));
    EXPECT_EQ(listener_.Replies()[1], "OK *2#");
    EXPECT_EQ(peer_.Commands(),
              (Commands{R"(AT+CSCS="UCS2")", R"(AT+CUSD=1,"*1#",15)",
                        R"(AT+CUSD=1,"002A00310023",15)", R"(AT+CUSD=1,"002A00320023",15)"}));
    Card().SetUssdListener(nullptr);
}

TEST_F(ModemAgentFlowTest, UssdOnAPackedHexCard) {
    Card().SetUssdListener(&listener_);
    peer_.On(R"(AT+CUSD=1,"AA180C3602",15)",
             Script().Ok().Line(R"(+CUSD: 0,"C2303BEC1E9775A018CC058301",15)"));
    int status = kStatusUntouched;
    Card().SendUssd("*100#", &status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.Replies()[0], "Balance: 10.00");
    EXPECT_EQ(peer_.Commands(),
              (Commands{R"(AT+CUSD=1,"*100#",15)", R"(AT+CUSD=1,"AA180C3602",15)"}));
    Card().SetUssdListener(nullptr);
}

TEST_F(ModemAgentFlowTest, UssdGuessMisreadByTheCardIsFollowedByTheNextGuess) {
    Card().SetUssdListener(&listener_);
    peer_.On(R"(AT+CSCS="UCS2")", kOk);
    // A packed-hex card in the UCS2 set: it refuses text, takes UCS2 hex as packed hex and
    // gets garbage refused by the network, and answers packed hex properly.
    peer_.On(R"(AT+CUSD=1,"*100#",15)", Script().CmeError(25));
    peer_.On(R"(AT+CUSD=1,"002A0031003000300023",15)", Script().Ok().Line("+CUSD: 4"));
    peer_.On(R"(AT+CUSD=1,"AA180C3602",15)",
             Script().Ok().Line(R"(+CUSD: 0,"C2303BEC1E9775A018CC058301",15)"));
    Device().SetCharacterSet("UCS2", nullptr);
    int status = kStatusUntouched;
    Card().SendUssd("*100#", &status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.Replies()[0], "Balance: 10.00");
    Card().SendUssd("*100#", &status);  // what worked comes first now
    ASSERT_TRUE(listener_.WaitFor(2));
    EXPECT_EQ(peer_.Commands(),
              (Commands{R"(AT+CSCS="UCS2")", R"(AT+CUSD=1,"*100#",15)",
                        R"(AT+CUSD=1,"002A0031003000300023",15)", R"(AT+CUSD=1,"AA180C3602",15)",
                        R"(AT+CUSD=1,"AA180C3602",15)"}));
    Card().SetUssdListener(nullptr);
}

TEST_F(ModemAgentFlowTest, UssdRefusals) {
    struct Case {
        const char* name;
        Script answer;
        std::size_t attempts;
    };
    const Case cases[] = {
        {"refused in every encoding", Script().CmeError(3), 3},
        {"no network: no retry", Script().CmeError(30), 1},
        {"not supported, before the OK", Script().Line("+CUSD: 4").Ok(), 1},
    };
    for (const Case& c : cases) {
        peer_.ClearRules();
        peer_.OnRegex(R"re(AT\+CUSD=1,.*)re", c.answer);
        const std::size_t before = peer_.CommandCount();
        int status = kStatusUntouched;
        Card().SendUssd("*999#", &status);
        EXPECT_EQ(status, kStatusNotSupported) << c.name;
        EXPECT_EQ(peer_.CommandCount() - before, c.attempts) << c.name;
    }
}

TEST_F(ModemAgentFlowTest, NetworkRequestsAndANewCodeDuringAMenu) {
    Card().SetUssdListener(&listener_);
    peer_.On("AT+CUSD=2", kOk);
    peer_.SendLine(R"(+CUSD: 1,"Accept the offer? 1 Yes",15)");  // from the network
    ASSERT_TRUE(listener_.WaitFor(1));
    EXPECT_EQ(listener_.Replies()[0], "Accept the offer? 1 Yes");
    // A new service code ends the network's open question first.
    peer_.On(R"(AT+CUSD=1,"*123#",15)", Script().Ok().Line(R"(+CUSD: 0,"Balance",15)"));
    Card().SendUssd("*123#", nullptr);
    ASSERT_TRUE(listener_.WaitFor(2));
    EXPECT_EQ(peer_.Commands(), (Commands{"AT+CUSD=2", R"(AT+CUSD=1,"*123#",15)"}));
    // Only the listener set last hears what comes next.
    Card().SetUssdListener(&second_);
    peer_.SendLine(R"(+CUSD: 0,"For the second",15)");
    ASSERT_TRUE(second_.WaitFor(1));
    EXPECT_EQ(second_.Replies()[0], "For the second");
    EXPECT_EQ(listener_.Replies().size(), 2u);
    Card().SetUssdListener(nullptr);
}

// ---- Mute, pulled, busy -----------------------------------------------------------------

TEST_F(ModemAgentFlowTest, AMuteCardFailsEveryCallWithoutFallbacks) {
    Timeouts timeouts;
    timeouts.query = Millis(200);
    timeouts.alive = Millis(200);
    timeouts.ussd = Millis(200);
    agent_.SetTimeouts(timeouts);
    peer_.SetMute(true);
    int status = kStatusUntouched;
    Device().CheckAlive(&status);
    Device().GetServiceInfo(&status);
    Card().GetRemainingAttempts(&status);
    Card().SendUssd("*100#", &status);
    Device().ConfigureA(0, &status);
    EXPECT_EQ(status, kStatusUntouched);
    // One command each: a mute card gets no fallbacks and no retries.
    EXPECT_EQ(peer_.Commands(), (Commands{"AT", "AT^DDSRV?", R"(AT+CPINR="SIM PIN")",
                                          R"(AT+CUSD=1,"*100#",15)", "ATE0"}));
}

TEST_F(ModemAgentFlowTest, APulledCardFailsThePendingAndEveryLaterCall) {
    peer_.On("AT+COPS=?", Script().Delay(Millis(100)).HangUp());
    int status = kStatusUntouched;
    EXPECT_TRUE(Device().SearchNetworks(&status).empty());
    EXPECT_EQ(status, kStatusUntouched);
    const std::vector<std::function<void(int*)>> calls = {
        [&](int* s) { Device().GetSignalLevel(s); },
        [&](int* s) { Device().GetServiceInfo(s); },
        [&](int* s) { Card().VerifyPin("1234", s); },
        [&](int* s) { Card().SendUssd("*100#", s); },
    };
    for (const auto& call : calls) {
        status = kStatusUntouched;
        call(&status);
        EXPECT_EQ(status, kStatusUntouched);
    }
    EXPECT_EQ(peer_.Commands(), (Commands{"AT+COPS=?"}));
}

TEST_F(ModemAgentFlowTest, ThreeThreadsGetTheirOwnAnswers) {
    peer_.On("AT+CSQ", Script().Line("+CSQ: 21,99").Ok());
    peer_.On("AT+CIMI", Script().Line("262019876543210").Ok());
    peer_.On("AT+CGSN", Script().Line("356938035643809").Ok());
    std::atomic<int> wrong{0};
    const auto run = [&](const std::function<bool()>& check) {
        for (int i = 0; i < 30; ++i) {
            if (!check()) {
                ++wrong;
            }
        }
    };
    std::thread a(run, [&] { return Device().GetSignalLevel(nullptr) == 21; });
    std::thread b(run, [&] { return Device().GetImsi(nullptr) == "262019876543210"; });
    std::thread c(run, [&] { return Device().GetHardwareId(nullptr) == "356938035643809"; });
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(wrong.load(), 0);
}

// ---- Time -------------------------------------------------------------------------------

// A card without new-message notices is polled when the modem's clock passes each interval,
// never before; the interval runs from the end of the previous poll.
TEST(ModemAgentClock, MessagesArePolledWhenTheClockPassesThePollInterval) {
    ManualClock clock;
    ScopedProcessClock installed(clock);  // the modem object takes it when it is made
    PtyPeer peer;
    ModemAgent agent;
    int status = kStatusUntouched;
    ASSERT_TRUE(agent.Open(peer.SlavePath(), 115200, &status)) << agent.LastError();
    peer.On("AT+CPMS?", Script().Line(R"(+CPMS: "SM",0,50,"SM",0,50,"SM",0,50)").Ok());
    auto& sms = dynamic_cast<SmsControl&>(*agent.GetSmsControl());
    const Millis interval{10000};
    sms.SetPollInterval(interval);
    sms.SetNewMessageIndication(2, 1, 0, 2, 0, &status);  // refused: the card is polled
    ASSERT_TRUE(sms.Polling());
    const auto polls = [&] {
        const Commands sent = peer.Commands();
        return std::count(sent.begin(), sent.end(), "AT+CPMS?");
    };
    for (int poll = 1; poll <= 2; ++poll) {
        const IClock::TimePoint due = clock.Now() + interval;
        ASSERT_TRUE(clock.AwaitWaiter(due)) << "poll " << poll;
        clock.Advance(interval - Millis(1));
        ASSERT_TRUE(clock.AwaitWaiter(due)) << "poll " << poll;
        EXPECT_EQ(polls(), poll - 1);
        clock.Advance(Millis(1));
        ASSERT_TRUE(peer.WaitForCommands(peer.CommandCount() + 1, kHangBound));
        EXPECT_EQ(polls(), poll);
    }
}

// ---- The port and the log ---------------------------------------------------------------

TEST(ModemAgentPort, OpenFailuresKeepTheReason) {
    ModemAgent agent;
    int status = kStatusUntouched;
    EXPECT_FALSE(agent.Open("/nonexistent/ttyUSB9", 115200, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_NE(agent.LastError().find("/nonexistent/ttyUSB9"), std::string::npos);

    PtyPeer peer;
    test::OtherProgramHolding other(peer.SlavePath());
    ASSERT_NE(other.Pid(), 0);
    EXPECT_FALSE(agent.Open(peer.SlavePath(), 115200, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_EQ(agent.LastError(),
              "sleep (pid " + std::to_string(other.Pid()) + ") is using " + peer.SlavePath());
    EXPECT_EQ(LastModemError(&agent), agent.LastError());
    other.Stop();
    // Once the other program is gone the port opens and the reason is forgotten.
    EXPECT_TRUE(agent.Open(peer.SlavePath(), 115200, &status));
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(agent.LastError(), "");
}

TEST(ModemAgentPort, LogGoesToTheDataFolderWithoutPins) {
    test::TempDir dir;
    SetLogFolder(dir.Path() + "data");
    PtyPeer peer;
    peer.On("AT+CSQ", Script().Line("+CSQ: 9,99").Ok());
    peer.On(R"(AT+CPIN="9876")", kOk);
    {
        ModemAgent agent;
        agent.EnableLog(true);
        ASSERT_TRUE(agent.Open(peer.SlavePath(), 115200, nullptr));
        EXPECT_EQ(agent.GetDeviceControl()->GetSignalLevel(nullptr), 9);
        agent.GetCardService()->VerifyPin("9876", nullptr);
    }
    SetLogFolder("");
    const std::string log = test::ReadFile(dir.Path() + "data/" + kLogFileName);
    EXPECT_NE(log.find("AT+CSQ"), std::string::npos);
    EXPECT_NE(log.find("+CSQ: 9,99"), std::string::npos);
    EXPECT_EQ(log.find("9876"), std::string::npos);
}

TEST(ModemAgentPort, DefaultLogFolderFollowsXdg) {
    SetLogFolder("");
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(LogFolder(), "/srv/data/Dataline");
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        EXPECT_EQ(LogFolder(), std::string(home) + "/.local/share/Dataline");
    }
    SetLogFolder("/opt/elsewhere");
    EXPECT_EQ(LogFolder(), "/opt/elsewhere");
    SetLogFolder("");
    if (old != nullptr) {
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    }
}

TEST(ModemAgentPort, EntryPointsMakeOurObject) {
    IModemAgent* agent = CreateModemAgent();
    ASSERT_NE(agent, nullptr);
    EXPECT_NE(dynamic_cast<ModemAgent*>(agent), nullptr);
    EXPECT_NE(agent->GetSmsControl(), nullptr);
    EXPECT_NE(agent->GetVoiceControl(), nullptr);
    EXPECT_NE(agent->GetPhonebookStore(), nullptr);
    ReleaseModemAgent(agent);
    ReleaseModemAgent(nullptr);
}

}  // namespace
}  // namespace dedevev::at

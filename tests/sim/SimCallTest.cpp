// Voice calls on the running card over its AT pty: the reports of every call flow in order
// (outgoing answered, busy, ended by either side; incoming with and without the caller's
// number, a number that comes late, RING repeating), the GSM hold/swap/join operations, the
// CDMA flash, the report switch, DTMF and tones, and the PCM voice port. The data port: its
// dial strings and commands, the escape, and the data call beside the voice calls.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SimCardFixture.h"
#include "SimTestSupport.h"
#include "sim/CallModel.h"
#include "sim/DataLine.h"

namespace dedevev::sim {
namespace {

using test::Compact;
using test::PtyHost;

class SimCallTest : public test::HostFixture<> {
protected:
    void Start(CardKind kind) {
        ASSERT_NO_FATAL_FAILURE(StartCard(kind));
        ASSERT_NO_FATAL_FAILURE(OpenHost());
        ASSERT_EQ(sim->Control("call-autoanswer 0"), "OK");  // tests answer explicitly
    }
    // The control command `line`, then what arrives until `last` is on its line (or 4 s pass).
    std::string Control(const std::string& line, const std::string& last) {
        host->Clear();
        EXPECT_EQ(sim->Control(line), "OK") << line;
        return Compact(host->ReadUntil(test::Arrived(last), 4000));
    }
    // An outgoing call the far end answered; returns nothing, checks the reports.
    void Talk(const std::string& number, int id) {
        const std::string orig = "^DDORIG: " + std::to_string(id);
        EXPECT_EQ(SendUntil("ATD" + number + ";", orig, 3000), "OK|" + orig);
        EXPECT_EQ(Control("call-answer-remote", "^DDCONN"), "^DDCONN: " + std::to_string(id));
    }
};

TEST_F(SimCallTest, OutgoingAnsweredAfterTheDelayThenEndedByTheFarEnd) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    ASSERT_EQ(sim->Control("call-autoanswer 300"), "OK");
    EXPECT_EQ(SendUntil("ATD+62811;", "^DDCONN: 1", 4000), "OK|^DDORIG: 1|^DDCONN: 1");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"+62811\",145|OK");
    EXPECT_EQ(Control("call-end-remote", "NO CARRIER"), "^DDCEND: 1,16|NO CARRIER");
    EXPECT_EQ(Cmd("AT+CLCC"), "OK");
    EXPECT_EQ(sim->Control("call-end-remote"), "ERR no call");
}

TEST_F(SimCallTest, OutgoingBusyAndAlertingStates) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kCdma));
    EXPECT_EQ(Send("ATD08123;", 500), "OK|^DDORIG: 1");  // then dialing turns into alerting
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,3,0,0,\"08123\",129|OK");
    EXPECT_EQ(Control("call-busy", "NO CARRIER"), "^DDCEND: 1,17|NO CARRIER");
    Steps({
        {"ATD12a;", "+CME ERROR: 27"},
        {"ATD;", "+CME ERROR: 27"},
        {"ATD" + std::string(41, '1') + ";", "+CME ERROR: 26"},
        {"ATA", "NO CARRIER"},
        {"AT+VTS=1", "+CME ERROR: 3"},
        {"AT+CHLD=2", "+CME ERROR: 4"},  // no +CHLD on a CDMA card
        {"AT^DDFLASH", "+CME ERROR: 3"},
    });
    ASSERT_EQ(sim->Control("service 0 0 0"), "OK");
    EXPECT_EQ(Cmd("ATD123;"), "+CME ERROR: 30");
}

TEST_F(SimCallTest, IncomingRingsWithTheCallersNumber) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    ASSERT_EQ(Cmd("AT+CLIP=1"), "OK");
    EXPECT_EQ(Cmd("AT+CLIP?"), "+CLIP: 1,1|OK");
    EXPECT_EQ(Control("call-in +62812", "+CLIP"), "RING|+CLIP: \"+62812\",145,,,,0");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,1,4,0,0,\"+62812\",145|OK");
    // RING comes again every 3 s while it rings.
    EXPECT_EQ(Until("+CLIP", 1, 4000), "RING|+CLIP: \"+62812\",145,,,,0");
    EXPECT_EQ(sim->Control("call-in 555"),
              "ERR a call is in progress (use call-waiting during a talking call)");
    EXPECT_EQ(SendUntil("ATA", "^DDCONN: 1", 3000), "OK|^DDCONN: 1");
    // Our own hang-up: the end is reported, but no NO CARRIER after the OK.
    EXPECT_EQ(Send("AT+CHUP", 400), "OK|^DDCEND: 1,16");
}

TEST_F(SimCallTest, WithheldLateNumberAndCring) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    ASSERT_EQ(Cmd("AT+CLIP=1;+CRC=1"), "OK");
    EXPECT_EQ(Control("call-in withheld", "+CLIP"), "+CRING: VOICE|+CLIP: \"\",128,,,,1");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,1,4,0,0|OK");
    EXPECT_EQ(Control("call-end-remote 1", "NO CARRIER"), "^DDCEND: 1,16|NO CARRIER");
    ASSERT_EQ(Cmd("AT+CRC=0"), "OK");
    // The first RING before the number is known, the number a moment later.
    EXPECT_EQ(sim->Control("call-in unknown"), "OK");
    EXPECT_EQ(Quiet(300), "RING");
    EXPECT_EQ(Control("call-number 0812", "+CLIP"), "+CLIP: \"0812\",129,,,,0");
    EXPECT_EQ(Until("+CLIP", 1, 4000), "RING|+CLIP: \"0812\",129,,,,0");
    EXPECT_EQ(sim->Control("call-number 0813"), "ERR no incoming call waits for its number");
    // A rejected call.
    EXPECT_EQ(Send("ATH", 400), "OK|^DDCEND: 1,21");
}

TEST_F(SimCallTest, GsmHoldSwapJoinAndRelease) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    ASSERT_EQ(Cmd("AT+CCWA=1"), "OK");
    Talk("111", 1);
    EXPECT_EQ(Control("call-waiting +6285", "+CCWA"), "+CCWA: \"+6285\",145,1,,0");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"111\",129|+CLCC: 2,1,5,0,0,\"+6285\",145|OK");
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"AT+CHLD=?", "+CHLD: (0,1,1x,2,2x,3)|OK"},
        {"AT+CHLD=2", "OK|^DDCONN: 2"},  // hold 1, accept the waiting call
        {"AT+CLCC", "+CLCC: 1,0,1,0,0,\"111\",129|+CLCC: 2,1,0,0,0,\"+6285\",145|OK"},
        {"AT+CHLD=2", "OK"},  // swap
        {"AT+CLCC", "+CLCC: 1,0,0,0,0,\"111\",129|+CLCC: 2,1,1,0,0,\"+6285\",145|OK"},
        {"AT+CHLD=3", "OK"},  // conference
        {"AT+CLCC", "+CLCC: 1,0,0,0,1,\"111\",129|+CLCC: 2,1,0,0,1,\"+6285\",145|OK"},
        {"AT+CHLD=22", "OK"},  // private talk with 2, 1 waits on hold
        {"AT+CLCC", "+CLCC: 1,0,1,0,0,\"111\",129|+CLCC: 2,1,0,0,0,\"+6285\",145|OK"},
        {"AT+CHLD=3", "OK"},
        {"AT+CHLD=12", "OK|^DDCEND: 2,16"},  // release 2: the conference of one is no more
        {"AT+CLCC", "+CLCC: 1,0,0,0,0,\"111\",129|OK"},
        {"AT+CHLD=3", "+CME ERROR: 3"},
        {"AT+CHLD=19", "+CME ERROR: 3"},
        {"AT^DDFLASH", "+CME ERROR: 4"},  // no flash on a GSM card
        {"ATD222;", "OK|^DDORIG: 2"},     // a second call holds the first
        {"ATD333;", "+CME ERROR: 3"},
        {"AT+CLCC", "+CLCC: 1,0,1,0,0,\"111\",129|+CLCC: 2,0,3,0,0,\"222\",129|OK"},
    };
    for (const auto& [command, answer] : steps)
        EXPECT_EQ(Send(command, 250), answer) << command;
    EXPECT_EQ(Control("call-answer-remote", "^DDCONN"), "^DDCONN: 2");
    // Release the active one, the held one comes back.
    EXPECT_EQ(Send("AT+CHLD=1", 250), "OK|^DDCEND: 2,16");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"111\",129|OK");
    // A waiting call rejected with CHLD=0.
    EXPECT_EQ(Control("call-waiting withheld", "+CCWA"), "+CCWA: \"\",128,1,,1");
    EXPECT_EQ(Send("AT+CHLD=0", 250), "OK|^DDCEND: 2,21");
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,active,\"111\")");
}

TEST_F(SimCallTest, CdmaFlashThreeWayAndWaiting) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kCdma));
    Talk("111", 1);
    auto step = [&](const std::string& command) { return Send(command, 250); };
    EXPECT_EQ(step("AT^DDFLASH=\"222\""), "OK|^DDORIG: 2");
    Quiet(200);
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,held,\"111\") (2,out,alerting,\"222\")");
    EXPECT_EQ(Control("call-answer-remote", "^DDCONN"), "^DDCONN: 2");
    EXPECT_EQ(step("AT^DDFLASH=\"333\""), "+CME ERROR: 3");
    EXPECT_EQ(step("AT^DDFLASH"), "OK");  // joins
    EXPECT_EQ(sim->Control("calls"),
              "OK (1,out,active,\"111\",multiparty) (2,out,active,\"222\",multiparty)");
    EXPECT_EQ(step("AT^DDFLASH"), "OK|^DDCEND: 2,16");  // drops the third party
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,active,\"111\")");
    // Call waiting: a flash accepts, the next one swaps back.
    ASSERT_EQ(Cmd("AT+CCWA=1"), "OK");
    EXPECT_EQ(Control("call-waiting 444", "+CCWA"), "+CCWA: \"444\",129,1,,0");
    EXPECT_EQ(step("AT^DDFLASH"), "OK|^DDCONN: 2");
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,held,\"111\") (2,in,active,\"444\")");
    EXPECT_EQ(step("AT^DDFLASH"), "OK");
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,active,\"111\") (2,in,held,\"444\")");
    // The far end of the talking call hangs up: the other party is back (no hold on CDMA).
    EXPECT_EQ(Control("call-end-remote 1", "^DDCEND"), "^DDCEND: 1,16");
    EXPECT_EQ(sim->Control("calls"), "OK (2,in,active,\"444\")");
}

TEST_F(SimCallTest, ReportSwitchInfoAndDtmf) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kCdma));
    ASSERT_EQ(sim->Control("call-reports off"), "OK");
    EXPECT_EQ(Send("ATD555;", 300), "OK");
    ASSERT_EQ(sim->Control("call-answer-remote"), "OK");
    EXPECT_EQ(Quiet(200), "");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"555\",129|OK");
    ASSERT_EQ(sim->Control("call-info \"Welcome\""), "OK");
    EXPECT_EQ(Quiet(200), "");
    ASSERT_EQ(sim->Control("call-reports on"), "OK");
    EXPECT_EQ(Control("call-info Saldo 5000", "^DDCINFO"), "^DDCINFO: \"Saldo 5000\"");
    Steps({
        {"AT+VTS=1", "OK"},
        {"AT+VTS=\"#\"", "OK"},
        {"AT+VTS=a", "OK"},
        {"AT+VTS=X", "+CME ERROR: 50"},
        {"AT^DDTONE=425,200", "OK"},
        {"AT^DDTONE=0,200", "+CME ERROR: 50"},
        {"AT+CLVL=7", "OK"},
        {"AT+CLVL?", "+CLVL: 7|OK"},
        {"AT+CLVL=9", "+CME ERROR: 50"},
    });
    EXPECT_EQ(sim->Control("dtmf-log"), "OK 1 # A tone:425,200");
    EXPECT_EQ(sim->Control("dtmf-log clear"), "OK");
    EXPECT_EQ(sim->Control("dtmf-log"), "OK");
    EXPECT_EQ(Control("call-end-remote", "NO CARRIER"), "^DDCEND: 1,16|NO CARRIER");
}

TEST_F(SimCallTest, VoicePortSendsToneThenEcho) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    PtyHost voice(sim->VoicePortPath());
    ASSERT_TRUE(voice.IsOpen());
    Talk("111", 1);
    EXPECT_TRUE(voice.Collect(200).empty());  // nothing until the path is switched on
    ASSERT_EQ(Cmd("AT^DDVOICE=1"), "OK");
    EXPECT_EQ(Cmd("AT^DDVOICE?"), "^DDVOICE: 1|OK");
    voice.Clear();
    std::string pcm = voice.Collect(300);
    ASSERT_GE(pcm.size(), 3200u);  // about 15 blocks in 300 ms
    EXPECT_EQ(pcm.size() % 320, 0u);
    int zero_crossings = 0;
    for (std::size_t i = 2; i + 1 < 3200; i += 2) {
        const auto a = static_cast<std::int16_t>(static_cast<unsigned char>(pcm[i - 2]) |
                                                 (static_cast<unsigned char>(pcm[i - 1]) << 8));
        const auto b = static_cast<std::int16_t>(static_cast<unsigned char>(pcm[i]) |
                                                 (static_cast<unsigned char>(pcm[i + 1]) << 8));
        zero_crossings += (a < 0) != (b < 0);
    }
    // 425 Hz over 0.2 s crosses zero about 170 times.
    EXPECT_NEAR(zero_crossings, 170, 6);
    // What the host plays comes back.
    std::string marker(320, '\0');
    for (std::size_t i = 0; i < marker.size(); ++i)
        marker[i] = static_cast<char>(0x40 + i % 32);
    voice.Clear();
    ASSERT_TRUE(voice.Write(marker));
    const std::string back = voice.ReadUntil(
        [&](const std::string& t) { return t.find(marker) != std::string::npos; }, 2000);
    EXPECT_NE(back.find(marker), std::string::npos);
    // The call ends: the blocks stop.
    EXPECT_EQ(Send("AT+CHUP", 300), "OK|^DDCEND: 1,16");
    voice.Collect(100);
    voice.Clear();
    EXPECT_TRUE(voice.Collect(200).empty());
}

// ---- The data port

// The data port's commands, line by line: the packet data dial strings, one data call at a
// time, ATO and ATH of the data call, S12, a voice dial, which ATH there leaves alone, and the
// network refusing the dial.
TEST(SimDataPortCommands, DialStringsHangUpAndGuardTime) {
    for (CardKind kind : {CardKind::kGsm, CardKind::kCdma}) {
        test::Bench b(kind, DataPortCommandTable());
        const std::string connect = kind == CardKind::kGsm ? "CONNECT 7200000" : "CONNECT 3100000";
        const std::vector<std::pair<std::string, std::string>> steps = {
            {"ATD*99***1#", connect},
            {"ATD*99#", "+CME ERROR: 3"},  // one data call at a time
            {"ATO", "NO CARRIER"},         // the call is online already
            {"ATH", "OK"},
            {"ATH", "OK"},  // nothing left to end
            {"ATO", "NO CARRIER"},
            {"ATD*99***9#", "NO CARRIER"},     // no context 9
            {"ATD12345", "NO CARRIER"},        // not a packet data number
            {"ATD*99**X25*1#", "NO CARRIER"},  // only PPP as layer 2 protocol
            {"ATD*99*1*2*3*4#", "NO CARRIER"},
            {"ATD*99**PPP*1#", connect},
            {"ATH", "OK"},
            {"ATDT#777", connect},
            {"AT+CPAS", "+CPAS: 4|OK"},
            {"AT^DDIND?", "^DDIND: 4|OK"},  // data call up
            {"ATH0", "OK"},
            {"AT+CPAS", "+CPAS: 0|OK"},
            {"AT^DDIND?", "^DDIND: 0|OK"},
            {"ATS12?", "050|OK"},
            {"ATS12=5", "OK"},
            {"ATS12?", "005|OK"},
            {"ATS12=256", "ERROR"},
            {"ATD555;", "OK"},
            {"ATD*99#", connect},
            {"ATH", "OK"},
        };
        for (const auto& [command, answer] : steps)
            EXPECT_EQ(b.Run(command), answer) << command;
        EXPECT_EQ(b.card.Calls().Calls().size(), 1u);  // the voice call is still there
        EXPECT_FALSE(b.card.Calls().Data());
        b.card.Calls().SetRefusal(DataRefusal::kBusy);
        EXPECT_EQ(b.Run("ATD*99#"), "BUSY");
        b.card.Calls().SetRefusal(DataRefusal::kNoCarrier);
        EXPECT_EQ(b.Run("ATD*99#"), "NO CARRIER");
        b.card.Calls().SetRefusal(DataRefusal::kNone);
        ASSERT_TRUE(b.card.SetService(0, 0, 0));
        EXPECT_EQ(b.Run("ATD*99#"), "NO CARRIER");
        b.card.ForceState(CardState::kPinRequired);
        EXPECT_EQ(b.Run("ATD*99#"), "+CME ERROR: 11");
    }
}

// The escape of V.250: "+++" with a guard time of silence before and after it (100 ms here).
TEST(SimDataLine, EscapeNeedsSilenceAroundThePluses) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> writes;  // ms after the call connected
        int check_ms;
        bool escaped;
    };
    const std::vector<Case> cases = {
        {"silence before and after", {{200, "+++"}}, 300, true},
        {"not before the guard after it", {{200, "+++"}}, 299, false},
        {"one by one within the guard", {{200, "+"}, {250, "+"}, {299, "+"}}, 399, true},
        {"right behind data", {{150, "abc"}, {200, "+++"}}, 400, false},
        {"inside one write", {{200, "x+++"}}, 400, false},
        {"followed by data", {{200, "+++"}, {250, "y"}}, 400, false},
        {"four pluses", {{200, "++++"}}, 400, false},
        {"pluses too far apart", {{200, "+"}, {301, "++"}}, 500, false},
    };
    const auto guard = std::chrono::milliseconds(100);
    for (const Case& c : cases) {
        DataLine line;
        const DataLine::Clock::time_point start{};
        line.Start(start);
        std::size_t bytes = 0;
        for (const auto& [ms, text] : c.writes) {
            line.Receive(text, start + std::chrono::milliseconds(ms), guard);
            bytes += text.size();
        }
        EXPECT_EQ(line.TakeEscape(start + std::chrono::milliseconds(c.check_ms)), c.escaped)
            << c.name;
        EXPECT_EQ(line.Online(), !c.escaped) << c.name;
        EXPECT_EQ(line.LinkBytes(), bytes) << c.name;
    }
}

// A host on the running card's data port beside the one on its AT port.
class SimDataCallTest : public SimCallTest {
protected:
    void OpenData() {
        data = std::make_unique<PtyHost>(sim->DataPortPath());
        ASSERT_TRUE(data->IsOpen());
        ASSERT_EQ(Data("ATE0"), "ATE0|OK");
    }
    // `line` on the data port and its answer, up to a final result (CONNECT, NO CARRIER too).
    std::string Data(const std::string& line) {
        data->Clear();
        data->Write(line + "\r");
        return Compact(data->ReadUntil(
            [](const std::string& t) {
                return PtyHost::HasFinal(t) || test::Arrived("\r\nCONNECT")(t) ||
                       t.find("\r\nNO CARRIER\r\n") != std::string::npos;
            },
            5000));
    }
    // Bytes written on the data port as they are, and what arrives until `marker`.
    std::string DataRaw(const std::string& bytes, const std::string& marker) {
        data->Clear();
        data->Write(bytes);
        return Compact(data->ReadUntil(test::Arrived(marker), 5000));
    }
    // The answer to the control command `line` once it is `expected` (asked again until then,
    // within a bound against hangs).
    std::string ControlBecomes(const std::string& line, const std::string& expected) {
        std::string answer = sim->Control(line);
        for (int i = 0; i < 500 && answer != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            answer = sim->Control(line);
        }
        return answer;
    }

    std::unique_ptr<PtyHost> data;
};

TEST_F(SimDataCallTest, EscapeResumeAndHangUpOnTheDataPortSpareTheVoiceCall) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kGsm));
    Talk("111", 1);
    ASSERT_NO_FATAL_FAILURE(OpenData());
    ASSERT_EQ(Data("ATS12=0"), "OK");  // no guard time: the escape is taken at once
    ASSERT_EQ(Data("ATD*99#"), "CONNECT 7200000");
    // Online, a command line is the link's; "+++" brings the online command state back.
    ASSERT_TRUE(data->Write("AT\r"));
    EXPECT_EQ(DataRaw("+++", "OK"), "OK");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"111\",129|+CLCC: 2,0,0,1,0,\"*99#\",129|OK");
    EXPECT_EQ(Cmd("AT+CPAS"), "+CPAS: 4|OK");
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,active,\"111\") (2,data,command,\"*99#\")");
    EXPECT_EQ(Data("ATO"), "CONNECT");
    EXPECT_EQ(sim->Control("calls"), "OK (1,out,active,\"111\") (2,data,online,\"*99#\")");
    EXPECT_EQ(DataRaw("+++", "OK"), "OK");
    EXPECT_EQ(Data("ATH"), "OK");
    EXPECT_EQ(Cmd("AT+CLCC"), "+CLCC: 1,0,0,0,0,\"111\",129|OK");
    const std::string state = sim->Control("state");
    EXPECT_NE(state.find(" data=none data_rx=9"), std::string::npos) << state;
    // Dialled again, and ended as the host closes the port.
    EXPECT_EQ(Data("ATD*99#"), "CONNECT 7200000");
    data.reset();
    EXPECT_EQ(ControlBecomes("calls", "OK (1,out,active,\"111\")"), "OK (1,out,active,\"111\")");
}

TEST_F(SimDataCallTest, LostByTheNetworkOrEndedWithEveryCallByTheAtPort) {
    ASSERT_NO_FATAL_FAILURE(Start(CardKind::kCdma));
    ASSERT_NO_FATAL_FAILURE(OpenData());
    ASSERT_EQ(Data("ATD#777"), "CONNECT 3100000");
    EXPECT_EQ(Cmd("AT+CLCC"), "OK");  // a CDMA card lists voice calls only
    EXPECT_EQ(Cmd("AT+CPAS"), "+CPAS: 4|OK");
    data->Clear();
    ASSERT_EQ(sim->Control("data-end-remote"), "OK");
    EXPECT_EQ(Compact(data->ReadUntil(test::Arrived("NO CARRIER"), 5000)), "NO CARRIER");
    EXPECT_EQ(Data("AT"), "OK");  // command state again
    EXPECT_EQ(sim->Control("data-drop"), "ERR no data call");
    EXPECT_EQ(Data("ATD#777"), "CONNECT 3100000");
    Talk("111", 2);  // the data call has id 1
    data->Clear();
    EXPECT_EQ(Send("ATH", 300), "OK|^DDCEND: 2,16");
    EXPECT_EQ(Compact(data->ReadUntil(test::Arrived("NO CARRIER"), 5000)), "NO CARRIER");
    EXPECT_EQ(Cmd("AT+CPAS"), "+CPAS: 0|OK");
}

// The model's own clock: what becomes due when, without a card around it.
std::vector<std::string> Kinds(CallModel& model) {
    static const char* const kNames[] = {"ring", "clip", "waiting", "orig",
                                         "conn", "end",  "info",    "nocarrier"};
    std::vector<std::string> out;
    for (const CallNotice& n : model.TakeNotices())
        out.push_back(std::string(kNames[static_cast<int>(n.kind)]) +
                      (n.kind == CallNotice::Kind::kEnd ? ":" + std::to_string(n.cause) : ""));
    return out;
}

TEST(CallModelTest, TimedStepsAndTheWaitingCallThatStartsToRing) {
    CallModel model(true);
    model.Advance(10000);
    int id = 0;
    ASSERT_EQ(model.Dial("+62811", &id), 0);
    EXPECT_EQ(model.NextDue(), 10000 + CallModel::kAlertDelayMs);
    model.Advance(10299);
    EXPECT_EQ(model.Find(id)->state, CallState::kDialing);
    model.Advance(10300);
    EXPECT_EQ(model.Find(id)->state, CallState::kAlerting);
    EXPECT_EQ(model.NextDue(), 11000);
    model.Advance(11000);
    EXPECT_EQ(model.Find(id)->state, CallState::kActive);
    EXPECT_EQ(model.NextDue(), -1);
    EXPECT_EQ(Kinds(model), (std::vector<std::string>{"orig", "conn"}));
    std::string error;
    ASSERT_TRUE(model.CallWaiting("555", &error)) << error;
    EXPECT_FALSE(model.CallWaiting("556", &error));
    // The talking call ends: the waiting one rings at once and every 3 s.
    ASSERT_TRUE(model.RemoteEnd(id, &error));
    EXPECT_EQ(Kinds(model), (std::vector<std::string>{"waiting", "end:16", "ring"}));
    EXPECT_EQ(model.Calls().at(0).state, CallState::kIncoming);
    model.Advance(11000 + 2999);
    EXPECT_TRUE(Kinds(model).empty());
    model.Advance(11000 + 3000);
    EXPECT_EQ(Kinds(model), (std::vector<std::string>{"ring"}));
    model.HangUpAll();
    EXPECT_EQ(Kinds(model), (std::vector<std::string>{"end:21"}));  // no NO CARRIER
}

TEST(CallModelTest, AutoAnswerOffAndReportsOff) {
    CallModel model(false);
    model.SetAutoAnswerMs(0);
    model.SetReports(false);
    int id = 0;
    ASSERT_EQ(model.Dial("123", &id), 0);
    EXPECT_EQ(model.Dial("456", &id), 3);  // CDMA: one call, more with a flash
    model.Advance(100000);
    EXPECT_EQ(model.Calls().at(0).state, CallState::kAlerting);
    std::string error;
    ASSERT_TRUE(model.RemoteBusy(&error));
    EXPECT_EQ(Kinds(model), (std::vector<std::string>{"nocarrier"}));
}

}  // namespace
}  // namespace dedevev::sim

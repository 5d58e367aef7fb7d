// The AT engine over a real pseudo-terminal, against a scripted modem: answers, echo, error
// codes, prompts, unsolicited codes in the middle of answers, mute and slow cards, noise, a
// pulled card, concurrent callers, and a port held by another program.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

#include "device/at/transport/AtChannel.h"
#include "device/at/transport/PortOwner.h"
#include "device/base/Clock.h"
#include "support/OtherProgram.h"
#include "support/PtyPeer.h"
#include "support/TempDir.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Clock = std::chrono::steady_clock;

// Only a net against hangs: no test depends on how fast anything is.
constexpr Millis kHangBound{20000};

// Collects unsolicited lines with the thread each arrived on.
class Collector {
public:
    UnsolicitedHandler Handler() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
            threads_.push_back(std::this_thread::get_id());
            changed_.notify_all();
        };
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return lines_.size() >= count; });
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::vector<std::thread::id> threads_;
};

class AtChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.IsOpen());
        std::string error;
        ASSERT_TRUE(channel_.Open(peer_.SlavePath(), 115200, &error)) << error;
    }

    PtyPeer peer_;
    AtChannel channel_;
};

struct AnswerCase {
    std::string command;
    Script script;
    Final final;
    int code;
    std::vector<std::string> lines;
};

TEST_F(AtChannelTest, AnswersWithEchoOffAndOn) {
    const std::vector<AnswerCase> cases = {
        {"AT+CSQ", Script().Line("+CSQ: 20,99").Ok(), Final::kOk, -1, {"+CSQ: 20,99"}},
        {"AT+CIMI", Script().Line("262011234567890").Ok(), Final::kOk, -1, {"262011234567890"}},
        {"AT+CGMR",
         Script().Line("11.608.12.02.21").Line("build 2").Ok(),
         Final::kOk,
         -1,
         {"11.608.12.02.21", "build 2"}},
        {"AT+CPIN?", Script().CmeError(10), Final::kCmeError, 10, {}},
        {"AT+CPIN=\"0000\"",
         Script().Line("+CME ERROR: incorrect password"),
         Final::kCmeError,
         16,
         {}},
        {"AT+CMGD=7", Script().CmsError(321), Final::kCmsError, 321, {}},
        {"AT+NOPE", Script().Error(), Final::kError, -1, {}},
        {"AT^HWVER", Script().Line("COMMAND NOT SUPPORT"), Final::kError, -1, {}},
        {"ATD*99#", Script().Line("CONNECT 115200"), Final::kConnect, -1, {}},
        {"ATD+4930123;", Script().Line("NO CARRIER"), Final::kNoCarrier, -1, {}},
        {"ATD+4940123;", Script().Line("BUSY"), Final::kBusy, -1, {}},
        {"ATD+4950123;", Script().Line("NO ANSWER"), Final::kNoAnswer, -1, {}},
        // An answer line cut across writes, CR-only line ends.
        {"AT+CGSN",
         Script().Raw("\r\n3520990").Raw("17654321\r").Raw("\r\nOK\r"),
         Final::kOk,
         -1,
         {"352099017654321"}},
    };
    for (const AnswerCase& c : cases)
        peer_.On(c.command, c.script);
    for (const bool echo : {false, true}) {
        ASSERT_TRUE(channel_.Send(echo ? "ATE1" : "ATE0").Ok());
        for (const AnswerCase& c : cases) {
            const Response response = channel_.Send(c.command);
            EXPECT_EQ(response.final, c.final) << c.command << " echo " << echo;
            EXPECT_EQ(response.error_code, c.code) << c.command << " echo " << echo;
            EXPECT_EQ(response.lines, c.lines) << c.command << " echo " << echo;
        }
    }
    EXPECT_TRUE(channel_.IsAlive());
}

TEST_F(AtChannelTest, SendsDataAtThePrompt) {
    const std::string pdu = "0011000B914971234567F00000AA04D4F29C0E";
    peer_.On("AT+CMGS=19", Script().Prompt().Line("+CMGS: 7").Ok());
    for (const bool echo : {false, true}) {
        peer_.SetEcho(echo);
        Command command;
        command.text = "AT+CMGS=19";
        command.data = pdu;
        const Response response = channel_.Send(command);
        EXPECT_EQ(response.final, Final::kOk) << Describe(response) << " echo " << echo;
        EXPECT_EQ(response.lines, std::vector<std::string>{"+CMGS: 7"}) << "echo " << echo;
    }
    EXPECT_EQ(peer_.DataEntries(), (std::vector<std::string>{pdu, pdu}));
}

TEST_F(AtChannelTest, UnsolicitedCodesInsideAnAnswerGoToListenersOnTheEventThread) {
    Collector messages, signal, everything;
    channel_.AddListener("+CMTI:", messages.Handler());
    channel_.AddListener("^RSSI:", signal.Handler());
    channel_.AddListener("", everything.Handler());
    peer_.On("AT+CPBR=1,2", Script()
                                .Line("+CPBR: 1,\"+4930123\",145,\"Home, main\"")
                                .Line("+CMTI: \"SM\",5")
                                .Line("^RSSI:17")
                                .Line("RING")
                                .Line("+CPBR: 2,\"+4940123\",145,\"Work\"")
                                .Ok());
    const Response response = channel_.Send("AT+CPBR=1,2");
    ASSERT_EQ(response.final, Final::kOk);
    EXPECT_EQ(response.Values("+CPBR:"),
              (std::vector<std::string>{"1,\"+4930123\",145,\"Home, main\"",
                                        "2,\"+4940123\",145,\"Work\""}));
    EXPECT_EQ(response.lines.size(), 2u);

    ASSERT_TRUE(everything.WaitFor(3));
    EXPECT_EQ(everything.Lines(),
              (std::vector<std::string>{"+CMTI: \"SM\",5", "^RSSI:17", "RING"}));
    ASSERT_TRUE(messages.WaitFor(1));
    ASSERT_TRUE(signal.WaitFor(1));
    EXPECT_EQ(messages.Lines(), std::vector<std::string>{"+CMTI: \"SM\",5"});
    EXPECT_EQ(signal.Lines(), std::vector<std::string>{"^RSSI:17"});
    for (const std::thread::id id : everything.Threads())
        EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(AtChannelTest, CommandPrefixesWinOverListenerPrefixes) {
    Collector pin, vendor;
    channel_.AddListener("+CPIN:", pin.Handler());
    channel_.AddListener("+ZPASR:", vendor.Handler());
    // The command's own answer line stays in the answer although a listener wants "+CPIN:"; a
    // code only a listener knows is taken out of the answer.
    peer_.On("AT+CPIN?", Script().Line("+ZPASR: \"UMTS\"").Line("+CPIN: SIM PIN").Ok());
    const Response response = channel_.Send("AT+CPIN?");
    EXPECT_EQ(response.lines, std::vector<std::string>{"+CPIN: SIM PIN"});
    // Explicit prefixes work the same for a set command.
    peer_.On("AT+CPIN=\"1234\"", Script().Line("+CPIN: READY").Ok());
    Command enter;
    enter.text = "AT+CPIN=\"1234\"";
    enter.prefixes = {"+CPIN:"};
    EXPECT_EQ(channel_.Send(enter).lines, std::vector<std::string>{"+CPIN: READY"});
    // Outside a command the same line is unsolicited.
    peer_.SendLine("+CPIN: READY");
    ASSERT_TRUE(pin.WaitFor(1));
    EXPECT_EQ(pin.Lines(), std::vector<std::string>{"+CPIN: READY"});
    ASSERT_TRUE(vendor.WaitFor(1));
    EXPECT_EQ(vendor.Lines(), std::vector<std::string>{"+ZPASR: \"UMTS\""});
}

TEST_F(AtChannelTest, TwoLineCodesAndCallEndsAreUnsolicited) {
    Collector sms, calls;
    channel_.AddListener("+CMT:", sms.Handler());
    channel_.AddListener("NO CARRIER", calls.Handler());
    const std::string pdu = "07914977000000F0040B914971234567F0000042103021445580034F2A0B";
    peer_.On("AT+CSQ",
             Script().Line("+CMT: ,24").Line(pdu).Line("NO CARRIER").Line("+CSQ: 18,99").Ok());
    const Response response = channel_.Send("AT+CSQ");
    EXPECT_EQ(response.final, Final::kOk);
    EXPECT_EQ(response.lines, std::vector<std::string>{"+CSQ: 18,99"});
    peer_.SendLine("+CMT: \"+4917012345\",,\"24/01/31,12:00:00+04\"");
    peer_.SendLine("Hello, world");
    ASSERT_TRUE(sms.WaitFor(2));
    EXPECT_EQ(sms.Lines(),
              (std::vector<std::string>{"+CMT: ,24\n" + pdu,
                                        "+CMT: \"+4917012345\",,\"24/01/31,12:00:00+04\"\n"
                                        "Hello, world"}));
    ASSERT_TRUE(calls.WaitFor(1));
    EXPECT_EQ(calls.Lines(), std::vector<std::string>{"NO CARRIER"});
}

// On a manual clock: a command times out when the clock passes its time-out, not before; the
// next command waits for the late rest of that answer, on the same clock and at most
// kLateAnswerGrace, and the late answer never leaks into it.
TEST(AtChannelClock, TimeOutAndLateAnswerGraceRunOnTheChannelsClock) {
    ManualClock clock;
    PtyPeer peer;
    AtChannel channel(&clock);
    std::string error;
    ASSERT_TRUE(channel.Open(peer.SlavePath(), 115200, &error)) << error;
    Collector stray;
    channel.AddListener("", stray.Handler());
    peer.On("AT+CGMI", Script().Line("Maker").Ok());
    const Millis timeout = std::chrono::hours(1);  // no real time-out could end it in the test
    for (const bool late_answer : {true, false}) {
        peer.SetEcho(!late_answer);
        peer.SetMute(true);
        const IClock::TimePoint due = clock.Now() + timeout;
        const std::size_t asked = peer.CommandCount();
        auto mute = std::async(std::launch::async, [&] { return channel.Send("AT+CSQ", timeout); });
        ASSERT_TRUE(clock.AwaitWaiter(due));
        // The muted card must have taken the command before it speaks again, or it would
        // answer it after all (no real time passes on this clock).
        ASSERT_TRUE(peer.WaitForCommands(asked + 1, kHangBound));
        clock.Advance(timeout - Millis(1));
        ASSERT_TRUE(clock.AwaitWaiter(due));
        EXPECT_EQ(mute.wait_for(Millis(0)), std::future_status::timeout);
        clock.Advance(Millis(1));
        ASSERT_EQ(mute.wait_for(kHangBound), std::future_status::ready);
        EXPECT_EQ(mute.get().final, Final::kTimeout);
        peer.SetMute(false);

        const std::size_t sent = peer.CommandCount();
        const IClock::TimePoint grace_end = clock.Now() + AtChannel::kLateAnswerGrace;
        auto next = std::async(std::launch::async, [&] { return channel.Send("AT+CGMI"); });
        if (late_answer) {
            peer.SendLine("+CSQ: 20,99");
            peer.SendLine("OK");
        } else {
            ASSERT_TRUE(clock.AwaitWaiter(grace_end));
            clock.Advance(AtChannel::kLateAnswerGrace - Millis(1));
            ASSERT_TRUE(clock.AwaitWaiter(grace_end));
            EXPECT_EQ(peer.CommandCount(), sent);  // still waiting for the late answer
            clock.Advance(Millis(1));
        }
        ASSERT_EQ(next.wait_for(kHangBound), std::future_status::ready);
        const Response response = next.get();
        EXPECT_EQ(response.final, Final::kOk) << "late answer " << late_answer;
        EXPECT_EQ(response.lines, std::vector<std::string>{"Maker"})
            << "late answer " << late_answer;
    }
    EXPECT_TRUE(stray.Lines().empty());
}

TEST_F(AtChannelTest, GarbageIsSurvived) {
    Collector unsolicited;
    channel_.AddListener("+CREG:", unsolicited.Handler());
    peer_.On("AT+CSQ", Script().Garbage(64).Line("+CSQ: 20,99").Garbage(40, 7).Ok());
    Response response = channel_.Send("AT+CSQ");
    EXPECT_EQ(response.final, Final::kOk);
    EXPECT_EQ(response.Value("+CSQ:"), "20,99");
    peer_.SendRaw(std::string("\0\xff\xfe\x01\r\n\x80\x81\r\n", 10));
    peer_.SendRaw(std::string(3000, '\x90'));  // a long line without end
    peer_.SendLine("+CREG: 1");
    ASSERT_TRUE(unsolicited.WaitFor(1));
    peer_.On("AT", Script().Ok());
    EXPECT_TRUE(channel_.Send("AT").Ok());
    EXPECT_TRUE(channel_.IsAlive());
}

TEST_F(AtChannelTest, PulledCardFailsThePendingAndEveryLaterCommandAtOnce) {
    std::atomic<int> disconnects{0};
    std::mutex mutex;
    std::condition_variable changed;
    channel_.SetDisconnectHandler([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++disconnects;
        changed.notify_all();
    });
    peer_.On("AT+COPS=?", Script().Line("+COPS: (2,\"A\",\"A\",\"26201\",2)").Delay(Millis(60000)));
    std::thread puller([&] {
        if (peer_.WaitForCommand("AT+COPS=?", kHangBound))
            peer_.HangUp();
    });
    const auto start = Clock::now();
    const Response response = channel_.Send("AT+COPS=?", Millis(120000));
    puller.join();
    EXPECT_EQ(response.final, Final::kIoError);
    EXPECT_LT(Clock::now() - start, kHangBound);
    EXPECT_FALSE(channel_.IsAlive());
    EXPECT_TRUE(channel_.IsOpen());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(channel_.Send("AT+CSQ", Millis(60000)).final, Final::kIoError);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, kHangBound, [&] { return disconnects > 0; }));
    }
    channel_.Close();  // delivers anything still queued
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(channel_.Send("AT").final, Final::kNotOpen);
}

TEST_F(AtChannelTest, CardPulledWhileIdleIsNoticed) {
    std::promise<void> gone;
    channel_.SetDisconnectHandler([&] { gone.set_value(); });
    peer_.HangUp();
    ASSERT_EQ(gone.get_future().wait_for(kHangBound), std::future_status::ready);
    EXPECT_EQ(channel_.Send("AT").final, Final::kIoError);
}

TEST_F(AtChannelTest, ConcurrentCallersGetTheirOwnAnswers) {
    peer_.OnCall(R"(AT\+ECHO=(\d+)-(\d+))", [](const std::smatch& m) {
        Script script;
        script.Line("+ECHO: " + m[1].str() + "-" + m[2].str());
        if (std::stoi(m[2].str()) % 3 == 0)
            script.Line("+CMTI: \"SM\"," + m[2].str());  // noise between the lines
        return script.Line("+ECHO: end " + m[1].str()).Ok();
    });
    Collector unsolicited;
    channel_.AddListener("+CMTI:", unsolicited.Handler());
    constexpr int kThreads = 3;
    constexpr int kCommands = 30;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCommands; ++i) {
                const std::string tag = std::to_string(t) + "-" + std::to_string(i);
                const Response response = channel_.Send("AT+ECHO=" + tag);
                const std::vector<std::string> expected = {"+ECHO: " + tag,
                                                           "+ECHO: end " + std::to_string(t)};
                if (!response.Ok() || response.lines != expected)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(unsolicited.WaitFor(kThreads * 10));
    EXPECT_EQ(peer_.CommandCount(), static_cast<std::size_t>(kThreads * kCommands));
}

TEST_F(AtChannelTest, CloseWhileAnotherThreadWaitsDoesNotHang) {
    peer_.SetMute(true);
    Response response;
    std::thread caller([&] { response = channel_.Send("AT+COPS=?", Millis(120000)); });
    ASSERT_TRUE(peer_.WaitForCommand("AT+COPS=?", kHangBound));
    const auto start = Clock::now();
    channel_.Close();
    caller.join();
    EXPECT_LT(Clock::now() - start, kHangBound);
    EXPECT_EQ(response.final, Final::kNotOpen);
    EXPECT_FALSE(channel_.IsOpen());
    // The same object opens again.
    peer_.SetMute(false);
    std::string error;
    ASSERT_TRUE(channel_.Open(peer_.SlavePath(), 115200, &error)) << error;
    EXPECT_TRUE(channel_.Send("AT").Ok());
}

TEST_F(AtChannelTest, ListenersMayCloseTheChannelAndAreRemovable) {
    Collector first;
    const int id = channel_.AddListener("+CREG:", first.Handler());
    peer_.SendLine("+CREG: 1");
    ASSERT_TRUE(first.WaitFor(1));
    channel_.RemoveListener(id);
    std::promise<void> closed;
    channel_.AddListener("+CGREG:", [&](const std::string&) {
        channel_.Close();  // on the event thread: must not wait for itself
        closed.set_value();
    });
    peer_.SendLine("+CREG: 2");
    peer_.SendLine("+CGREG: 1");
    ASSERT_EQ(closed.get_future().wait_for(kHangBound), std::future_status::ready);
    EXPECT_FALSE(channel_.IsOpen());
    EXPECT_EQ(first.Lines(), std::vector<std::string>{"+CREG: 1"});
}

TEST_F(AtChannelTest, RefusesCommandsThatWouldSmuggleAnotherCommand) {
    for (const std::string text : {"AT+CGDCONT=1,\"IP\",\"apn\"\rAT+CFUN=0", "AT\n", "AT\x1a"}) {
        const Response response = channel_.Send(text);
        EXPECT_EQ(response.final, Final::kError);
    }
    EXPECT_TRUE(channel_.Send("AT").Ok());
    EXPECT_EQ(peer_.Commands(), std::vector<std::string>{"AT"});
}

TEST_F(AtChannelTest, LogsTrafficWithTimeStamps) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(channel_.SetLogFile(dir.File("at.log"), &error)) << error;
    peer_.On("AT+CSQ", Script().Line("+CSQ: 20,99").Ok());
    peer_.On("AT+CPIN=\"1234\"", Script().Ok());
    ASSERT_TRUE(channel_.Send("AT+CSQ").Ok());
    ASSERT_TRUE(channel_.Send("AT+CPIN=\"1234\"").Ok());
    channel_.SetLogFile("");
    const std::string log = test::ReadFile(dir.File("at.log"));
    const std::string stamp = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} )";
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + R"(> AT\+CSQ\n)"))) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + R"(< \+CSQ: 20,99\n)"))) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + R"(< OK\n)"))) << log;
    EXPECT_NE(log.find("AT+CPIN=\"****\""), std::string::npos) << log;
    EXPECT_EQ(log.find("1234"), std::string::npos) << log;
    EXPECT_FALSE(channel_.SetLogFile(dir.File("missing/dir/at.log"), &error));
}

std::string Expected(const std::string& name, pid_t pid, const std::string& path) {
    return name + " (pid " + std::to_string(pid) + ") is using " + path;
}

TEST(AtChannelPort, NamesAnotherProgramHoldingThePort) {
    PtyPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    test::OtherProgramHolding other(peer.SlavePath());
    ASSERT_NE(other.Pid(), 0);

    AtChannel channel;
    std::string error;
    EXPECT_FALSE(channel.Open(peer.SlavePath(), 115200, &error));
    EXPECT_EQ(error, Expected("sleep", other.Pid(), peer.SlavePath()));
    other.Stop();
    EXPECT_TRUE(FindPortHolders(peer.SlavePath()).empty());
    ASSERT_TRUE(channel.Open(peer.SlavePath(), 115200, &error)) << error;
    EXPECT_TRUE(channel.Send("AT").Ok());
}

TEST(AtChannelPort, NamesThisProcessAndTellsTheFarEndApart) {
    PtyPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    const std::string name = ProcessName(::getpid());
    ASSERT_FALSE(name.empty());
    // This process holds the port, as another program would. It also drives the pty's master
    // (the scripted modem), which makes it the port's far end: a simulated card keeping its
    // slave open is no competitor. Counting the far end too, the holder is named.
    const int held = peer.OpenSlave();
    ASSERT_GE(held, 0);
    const std::vector<PortHolder> holders = FindPortHolders(peer.SlavePath());
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, ::getpid());
    EXPECT_EQ(holders[0].name, name);
    EXPECT_TRUE(holders[0].pty_far_end);
    // Looking only for a named program finds this process under its own name, not another.
    EXPECT_EQ(FindPortHolders(peer.SlavePath(), name).size(), 1u);
    EXPECT_TRUE(FindPortHolders(peer.SlavePath(), name + "x").empty());
    EXPECT_TRUE(FindPortHolders(peer.SlavePath(), "PortKeeper").empty());
    SerialOptions strict;
    strict.ignore_pty_far_end = false;
    AtChannel channel;
    std::string error;
    EXPECT_FALSE(channel.Open(peer.SlavePath(), strict, &error));
    EXPECT_EQ(error, Expected(name, ::getpid(), peer.SlavePath()));
    ASSERT_TRUE(channel.Open(peer.SlavePath(), SerialOptions(), &error)) << error;
    EXPECT_TRUE(channel.Send("AT").Ok());
    // The channel's exclusive use ends with it, though the port stays open elsewhere.
    int exclusive = 0;
    ASSERT_EQ(::ioctl(held, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    channel.Close();
    ASSERT_EQ(::ioctl(held, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(held);

    // A second channel on a port the first one has open.
    AtChannel first, second;
    ASSERT_TRUE(first.Open(peer.SlavePath(), strict, &error)) << error;
    EXPECT_FALSE(second.Open(peer.SlavePath(), strict, &error));
    EXPECT_EQ(error, Expected(name, ::getpid(), peer.SlavePath()));
    EXPECT_FALSE(first.Open(peer.SlavePath(), strict, &error));  // already open
    EXPECT_EQ(error, "already open");
    EXPECT_EQ(second.Send("AT").final, Final::kNotOpen);
    EXPECT_TRUE(first.Send("AT").Ok());
    // Missing ports and bad speeds are plain errors.
    const test::TempDir dir;
    EXPECT_FALSE(second.Open(dir.File("ttyUSB0"), 115200, &error));  // never created
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(second.Open(peer.SlavePath(), 12345, &error));
    EXPECT_NE(error.find("speed"), std::string::npos) << error;
}

TEST(AtChannelPort, AdoptsAnOpenDescriptor) {
    PtyPeer peer;
    peer.On("AT+CGMM", Script().Line("E1750").Ok());
    AtChannel channel;
    std::string error;
    ASSERT_TRUE(channel.Adopt(peer.OpenSlave(), &error)) << error;
    EXPECT_EQ(channel.Send("AT+CGMM").lines, std::vector<std::string>{"E1750"});
}

}  // namespace
}  // namespace dedevev::at

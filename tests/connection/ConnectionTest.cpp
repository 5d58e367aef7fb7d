// The dial-up session against a scripted card and link, on a test clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "connection/Connection.h"
#include "core/AppSettings.h"
#include "support/EventLog.h"
#include "tests/connection/ConnectionFakes.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;
using test::DialScript;
using test::Service;

std::size_t CountOf(const std::vector<std::string>& events, const std::string& event) {
    return static_cast<std::size_t>(std::count(events.begin(), events.end(), event));
}

// One session with its card, link, history and listener; the clock is the process clock too.
class Session {
public:
    explicit Session(IClock& clock)
        : scoped_(clock), clock_(clock), card(log), link(clock, log), listener(log, store) {
        dial.number = u"123";
        dial.user = u"user";
        dial.pass = u"pass";
        store.AddObserver(&listener);
    }
    ~Session() { connection.reset(); }

    CConnection& Make() {
        ConnectionEnvironment env;
        env.device_control = [this] { return &card; };
        env.dial_setting = [this] { return dial; };
        env.connecting_text = [] { return std::u16string(u"Connecting..."); };
        env.release_failed_text = [] { return std::u16string(u"ATH"); };
        env.show_state_names = [this] { return state_names; };
        env.create_client = [this] { return &link; };
        env.assistor = &assistor;
        env.clock = &clock_;
        connection = std::make_unique<CConnection>(env);
        connection->AddListener(&listener);
        connection->SetRecorder(&store);
        return *connection;
    }
    // Runs the session until it has ended; every event.
    std::vector<std::string> Run() {
        EXPECT_TRUE(Make().Start());
        EXPECT_NE(log.WaitForPrefix("disconnected"), "");
        EXPECT_TRUE(connection->Wait(milliseconds(20000)));
        return log.All();
    }

    test::EventLog log;

private:
    ScopedProcessClock scoped_;
    IClock& clock_;

public:
    test::FakeCard card;
    test::FakeLink link;
    NetRecordStore store;
    test::SessionLog listener;
    CDialAssistor assistor;
    DialSetting dial;
    bool state_names = true;
    std::unique_ptr<CConnection> connection;
};

DialScript Up(int up_ms, int end_code = 0, std::uint32_t duration = 5) {
    DialScript s;
    s.up_ms = up_ms;
    s.end_code = end_code;
    s.stats.duration = duration;
    return s;
}
DialScript Pulled() {
    DialScript s = Up(1000);
    s.drop_code = kDialErrorPortClosed;
    return s;
}
DialScript Refused() {
    DialScript s;
    s.starts = false;
    return s;
}
DialScript NeverUp(int code) {
    DialScript s;
    s.comes_up = false;
    s.end_code = code;
    return s;
}

struct NumberCase {
    std::optional<int> system_mode;  // nothing: the card does not answer the first query
    const char16_t* mcc_mnc;
    const char16_t* number;
    bool account_kept;
};

class ConnectionNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConnectionNumber, DialStringAndAccountFollowTheSystem) {
    const NumberCase& c = GetParam();
    TestClock clock;
    Session s(clock);
    s.dial.mcc_mnc = c.mcc_mnc;
    s.card.answers = {c.system_mode ? std::optional(Service(*c.system_mode)) : std::nullopt,
                      Service(kSystemModeCdma)};
    s.link.script = {Refused()};
    s.Run();
    ASSERT_EQ(s.link.dialled.size(), 1u);
    const DialParams& p = s.link.dialled[0];
    EXPECT_EQ(p.number, c.number);
    EXPECT_EQ(p.user, c.account_kept ? u"user" : u"");
    EXPECT_EQ(p.password, c.account_kept ? u"pass" : u"");
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectionNumber,
                         ::testing::Values(NumberCase{9, u" 46003 ", u"*99#", false},
                                           NumberCase{5, u"46005", u"*99#", false},
                                           NumberCase{3, u"46011", u"*99#", false},
                                           NumberCase{3, u"51001", u"*99#", true},
                                           NumberCase{2, u"46003", u"#777", true},
                                           NumberCase{4, u"", u"#777", true},
                                           NumberCase{1, u"46003", u"123", true},
                                           NumberCase{std::nullopt, u"46003", u"123", true}));

TEST(Connection, NoServiceWaitsFiveSecondsAndEndsWithoutDialling) {
    TestClock clock;
    Session s(clock);
    s.card.answers = {Service(kSystemModeCdma, kServiceNone)};
    s.card.release_ok = false;
    const auto events = s.Run();
    const std::vector<std::string> release = {"release", "release", "release", "error:ATH"};
    std::vector<std::string> expected = release;
    for (const char* e : {"disconnecting", "listener:null", "hangup"})
        expected.push_back(e);
    expected.insert(expected.end(), release.begin(), release.end());
    expected.push_back("disconnected");
    EXPECT_EQ(events, expected);
    EXPECT_EQ(clock.Slept(), milliseconds(5000));
}

struct EndCase {
    const char* label;
    std::vector<DialScript> script;
    std::size_t dials;
    std::vector<std::string> errors;
    int least_gap_ms;  // between the first two dials
};

class ConnectionEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(ConnectionEnd, RedialsOnlyAfterALinkThatWasUp) {
    const EndCase& c = GetParam();
    TestClock clock;
    Session s(clock);
    s.link.script = {c.script.begin(), c.script.end()};
    const auto events = s.Run();
    ASSERT_EQ(s.link.dialled.size(), c.dials);
    std::vector<std::string> errors;
    std::copy_if(events.begin(), events.end(), std::back_inserter(errors),
                 [](const std::string& e) { return e.rfind("error:", 0) == 0; });
    EXPECT_EQ(errors, c.errors);
    if (c.dials > 1) {
        EXPECT_GE(s.link.dial_times[1] - s.link.dial_times[0], milliseconds(c.least_gap_ms));
    }
    EXPECT_EQ(s.store.Count(), CountOf(events, "connected"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionEnd,
    ::testing::Values(
        EndCase{"DropRedialsAtMostTenTimes", {Up(1000)}, 11, {}, 1000},
        EndCase{"PulledCardEndsTheRun", {Pulled()}, 1, {}, 0},
        EndCase{"PortClosedEndsTheRun", {Up(1000, kDialErrorPortClosed)}, 1, {"error:E619"}, 0},
        EndCase{"OtherErrorRedialsAfterEightSeconds",
                {Up(1000, kDialErrorRemoteHangUp), Refused()},
                2,
                {"error:E629", "error:E633"},
                9000},
        EndCase{"ErrorBeforeUpIsNotRepeated", {NeverUp(kDialErrorNoAnswer)}, 1, {"error:E678"}, 0},
        EndCase{"RefusedDialIsNotRepeated", {Refused()}, 1, {"error:E633"}, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Connection, DroppedSessionIsRecordedBeforeTheHangUpOfTheRedial) {
    TestClock clock;
    Session s(clock);
    s.link.script = {Up(1000), Refused()};
    const auto events = s.Run();
    const auto drop = std::find(events.begin(), events.end(), "disconnecting");
    ASSERT_NE(drop, events.end());
    EXPECT_EQ(std::vector<std::string>(drop, drop + 4),
              (std::vector<std::string>{"disconnecting", "recorded:5", "hangup", "release"}));
}

struct RecordCase {
    std::uint32_t duration;
    std::uint64_t bytes;
    std::optional<std::uint32_t> recorded;
};

class ConnectionRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ConnectionRecord, SessionsWithoutTimeOrBytesAreNotFiled) {
    const RecordCase& c = GetParam();
    TestClock clock;
    Session s(clock);
    DialScript up = Up(500, 0, c.duration);
    up.stats.bytes_received = c.bytes;
    s.link.script = {up, Refused()};
    s.Run();
    SessionStats filed;
    ASSERT_EQ(s.store.Count(), c.recorded ? 1u : 0u);
    if (c.recorded) {
        ASSERT_TRUE(s.store.At(0, &filed));
        EXPECT_EQ(filed.duration, *c.recorded);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, ConnectionRecord,
                         ::testing::Values(RecordCase{0, 10, 1}, RecordCase{0, 0, std::nullopt},
                                           RecordCase{7, 0, 7}));

class ConnectionStop : public ::testing::TestWithParam<bool> {};

TEST_P(ConnectionStop, StopWhileUpReportsRatesThenEndsInOrder) {
    TestClock clock;
    Session s(clock);
    s.state_names = GetParam();
    s.link.script = {Up(-1)};
    s.link.counters = {{100, 1000}, {300, 4000}};
    CConnection& connection = s.Make();
    ASSERT_TRUE(connection.Start());
    s.log.WaitForPrefix("stats:3000");
    connection.StopAndWait();
    const auto events = s.log.All();
    ASSERT_GE(events.size(), 6u);
    EXPECT_EQ(events[2], GetParam() ? "status:RASCS_Connected" : "status:Connecting...");
    EXPECT_EQ(std::vector<std::string>(events.end() - 6, events.end()),
              (std::vector<std::string>{"recorded:5", "disconnecting", "listener:null", "hangup",
                                        "release", "disconnected"}));
    EXPECT_EQ(events[4], "stats:1000/100");
    EXPECT_EQ(events[5], "stats:3000/200");
}

INSTANTIATE_TEST_SUITE_P(StateNames, ConnectionStop, ::testing::Bool());

TEST(Connection, StopDuringTheErrorPauseEndsAtOnce) {
    ManualClock clock;
    Session s(clock);
    s.link.script = {Up(0, kDialErrorRemoteHangUp)};
    const IClock::TimePoint start = clock.Now();
    ASSERT_TRUE(s.Make().Start());
    ASSERT_TRUE(clock.AwaitWaiter(start + milliseconds(100)));
    clock.Advance(milliseconds(100));
    ASSERT_NE(s.log.WaitForPrefix("error:"), "");
    ASSERT_TRUE(clock.AwaitWaiter(start + milliseconds(200)));
    clock.Advance(milliseconds(50));
    const IClock::TimePoint stopped = clock.Now();
    s.connection->Stop();
    ASSERT_NE(s.log.WaitForPrefix("disconnected"), "");
    EXPECT_LE(clock.Now() - stopped, milliseconds(100));
    EXPECT_EQ(s.link.dialled.size(), 1u);
}

}  // namespace
}  // namespace dedevev

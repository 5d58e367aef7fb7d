// The dial-up session against a scripted card and link, on a test clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <optional>

#include "connection/Connection.h"
#include "connection/NetRecordStore.h"
#include "core/AppSettings.h"
#include "device/base/Utf.h"
#include "device/null/NullObjects.h"
#include "support/EventLog.h"
#include "tests/connection/ConnectionFakes.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

using test::DialScript;
using test::FakeCard;
using test::FakeLink;
using test::Service;

// One session with its card, link, history and a listener that logs; filed sessions log as
// "recorded:<seconds>".
class Session final {
public:
    explicit Session(IClock& clock) : scoped_(clock), card(log), link(clock, log) {
        dial.number = u"123";
        dial.user = u"user";
        dial.pass = u"pass";
        store.AddObserver(&listener);
        ConnectionEnvironment env;
        env.device_control = [this] { return &card; };
        env.dial_setting = [this] { return dial; };
        env.connecting_text = [] { return std::u16string(u"Connecting..."); };
        env.release_failed_text = [] { return std::u16string(u"ATH"); };
        env.show_state_names = [this] { return state_names; };
        env.create_client = [this] { return &link; };
        env.assistor = &assistor;
        env.clock = &clock;
        connection = std::make_unique<CConnection>(env);
        connection->AddListener(&listener);
        connection->SetRecorder(&store);
    }
    ~Session() { connection.reset(); }
    std::vector<std::string> Run() {
        EXPECT_TRUE(connection->Start());
        EXPECT_NE(log.WaitForPrefix("disconnected"), "");
        EXPECT_TRUE(connection->Wait(milliseconds(20000)));
        return log.All();
    }

    test::EventLog log;

private:
    ScopedProcessClock scoped_;

public:
    FakeCard card;
    FakeLink link;
    NetRecordStore store;
    test::SessionLog listener{log, store};
    CDialAssistor assistor;
    DialSetting dial;
    bool state_names = true;
    std::unique_ptr<CConnection> connection;
};

DialScript Up(int up_ms, int end_code = 0, int drop_code = 0, std::uint32_t seconds = 5,
              std::uint64_t bytes = 0) {
    return DialScript{true, true, up_ms, end_code, drop_code, SessionStats{{}, seconds, bytes, 0}};
}
const DialScript kRefused{false};
const DialScript kNeverUp{true, false, -1, kDialErrorNoAnswer};

struct NumberCase {
    std::optional<int> system_mode;  // nothing: the card does not answer the first query
    const char16_t* mcc_mnc;
    const char16_t* number;
    bool account_kept;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << c.system_mode.value_or(-1) << " " << Utf16ToUtf8(c.mcc_mnc);
}

class ConnectionNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConnectionNumber, DialStringAndAccountFollowTheSystem) {
    const NumberCase& c = GetParam();
    TestClock clock;
    Session s(clock);
    s.dial.mcc_mnc = c.mcc_mnc;
    s.card.answers = {c.system_mode ? std::optional(Service(*c.system_mode)) : std::nullopt,
                      Service(kSystemModeCdma)};
    s.link.script = {kRefused};
    s.Run();
    ASSERT_EQ(s.link.dialled.size(), 1u);
    EXPECT_EQ(s.link.dialled[0].number, c.number);
    EXPECT_EQ(s.link.dialled[0].user, c.account_kept ? u"user" : u"");
    EXPECT_EQ(s.link.dialled[0].password, c.account_kept ? u"pass" : u"");
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
    const std::vector<std::string> release = {"release", "release", "release", "error:ATH"};
    std::vector<std::string> expected = release;
    expected.insert(expected.end(), {"disconnecting", "listener:null", "hangup"});
    expected.insert(expected.end(), release.begin(), release.end());
    expected.push_back("disconnected");
    EXPECT_EQ(s.Run(), expected);
    EXPECT_EQ(clock.Slept(), milliseconds(5000));
}

struct EndCase {
    const char* label;
    std::vector<DialScript> script;
    std::size_t dials;
    std::vector<std::string> errors;
    int least_gap_ms;  // between the first two dials
    std::vector<std::string> filed;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.label;
}

class ConnectionEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(ConnectionEnd, RedialsOnlyAfterALinkThatWasUpAndFilesEverySession) {
    const EndCase& c = GetParam();
    TestClock clock;
    Session s(clock);
    s.link.script = {c.script.begin(), c.script.end()};
    std::vector<std::string> errors, filed;
    bool unfiled = false;  // a session came up and was not filed yet
    for (const std::string& e : s.Run()) {
        if (e.starts_with("error:"))
            errors.push_back(e);
        if (e.starts_with("recorded:"))
            filed.push_back(e);
        EXPECT_FALSE(unfiled && e == "hangup") << "a session was hung up before it was filed";
        unfiled =
            (e == "connected" && !c.filed.empty()) || (unfiled && !e.starts_with("recorded:"));
    }
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(filed, c.filed);
    ASSERT_EQ(s.link.dialled.size(), c.dials);
    if (c.dials > 1) {
        EXPECT_GE(s.link.dial_times[1] - s.link.dial_times[0], milliseconds(c.least_gap_ms));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionEnd,
    ::testing::Values(
        EndCase{"DropRedialsAtMostTenTimes", {Up(1000)}, 11, {}, 1000, {11, "recorded:5"}},
        EndCase{"PulledCardEndsTheRun", {Up(1000, 0, 619)}, 1, {}, 0, {"recorded:5"}},
        EndCase{"PortClosedEndsTheRun", {Up(1000, 619)}, 1, {"error:E619"}, 0, {"recorded:5"}},
        EndCase{"OtherErrorRedialsAfterEightSeconds",
                {Up(1000, 629), kRefused},
                2,
                {"error:E629", "error:E633"},
                9000,
                {"recorded:5"}},
        EndCase{"ErrorBeforeUpIsNotRepeated", {kNeverUp}, 1, {"error:E678"}, 0, {}},
        EndCase{"RefusedDialIsNotRepeated", {kRefused}, 1, {"error:E633"}, 0, {}},
        EndCase{"NoSecondsButBytesFileOneSecond",
                {Up(500, 0, 0, 0, 10), kRefused},
                2,
                {"error:E633"},
                0,
                {"recorded:1"}},
        EndCase{"NoSecondsNoBytesAreNotFiled",
                {Up(500, 0, 0, 0, 0), kRefused},
                2,
                {"error:E633"},
                0,
                {}}),
    [](const auto& info) { return std::string(info.param.label); });

class ConnectionStop : public ::testing::TestWithParam<bool> {};

TEST_P(ConnectionStop, StopWhileUpReportsRatesThenEndsInOrder) {
    TestClock clock;
    Session s(clock);
    s.state_names = GetParam();
    s.link.counters = {{100, 1000}, {300, 4000}};
    ASSERT_TRUE(s.connection->Start());
    s.log.WaitForPrefix("stats:3000");
    s.connection->StopAndWait();
    const auto events = s.log.All();
    ASSERT_GE(events.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 6),
              (std::vector<std::string>{
                  "release", "dial", GetParam() ? "status:RASCS_Connected" : "status:Connecting...",
                  "connected", "stats:1000/100", "stats:3000/200"}));
    EXPECT_EQ(std::vector<std::string>(events.end() - 6, events.end()),
              (std::vector<std::string>{"recorded:5", "disconnecting", "listener:null", "hangup",
                                        "release", "disconnected"}));
}

INSTANTIATE_TEST_SUITE_P(StateNames, ConnectionStop, ::testing::Bool());

TEST(Connection, StopDuringTheErrorPauseEndsAtOnce) {
    ManualClock clock;
    Session s(clock);
    s.link.script = {Up(0, kDialErrorRemoteHangUp)};
    const IClock::TimePoint start = clock.Now();
    ASSERT_TRUE(s.connection->Start());
    ASSERT_TRUE(clock.AwaitWaiter(start + milliseconds(100)));
    clock.Advance(milliseconds(100));
    ASSERT_TRUE(clock.AwaitWaiter(start + milliseconds(200)));  // the pause's first slice
    clock.Advance(milliseconds(50));
    const IClock::TimePoint stopped = clock.Now();
    s.connection->Stop();
    ASSERT_NE(s.log.WaitForPrefix("disconnected"), "");
    EXPECT_LE(clock.Now() - stopped, milliseconds(100));
    EXPECT_EQ(s.link.dialled.size(), 1u);
    EXPECT_EQ(s.log.WaitForPrefix("error:"), "error:E629");
}

}  // namespace
}  // namespace dedevev

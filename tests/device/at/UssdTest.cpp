// USSD texts by data coding scheme and character set, request encodings, and the state of
// an exchange.

#include "device/at/features/Ussd.h"

#include <gtest/gtest.h>

#include <string>

#include "device/at/pdu/GsmCodec.h"

namespace dedevev::at {
namespace {

std::string Packed(std::u16string_view text) {
    std::string hex;
    EXPECT_TRUE(EncodePackedGsm7Hex(text, &hex));
    return hex;
}

struct DecodeCase {
    const char* what;
    std::string text;
    int dcs;
    Charset charset;
    std::string shown;
    UssdEncoding form;
};

TEST(UssdTest, DecodesByDcsAndCharacterSet) {
    const std::string russian = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
    const DecodeCase cases[] = {
        {"plain text, DCS 15", "Balance: 10.00 EUR", 15, Charset::kIra, "Balance: 10.00 EUR",
         UssdEncoding::kPlain},
        {"packed hex whatever the character set", "C2303BEC1E9775A018CC058301", 15, Charset::kIra,
         "Balance: 10.00", UssdEncoding::kPackedHex},
        {"packed hex of even length in UCS2 mode", Packed(u"Your balance is 5.00"), 15,
         Charset::kUcs2, "Your balance is 5.00", UssdEncoding::kPackedHex},
        {"UCS2 hex in UCS2 mode, DCS 15", EncodeUcs2Hex(u"\u041F\u0440\u0438\u0432\u0435\u0442"),
         15, Charset::kUcs2, russian, UssdEncoding::kUcs2Hex},
        {"Latin UCS2 hex in UCS2 mode", "00420061006C0061006E00630065", 15, Charset::kUcs2,
         "Balance", UssdEncoding::kUcs2Hex},
        {"UCS2 hex, DCS 72", "041F04400438043204350442", 72, Charset::kIra, russian,
         UssdEncoding::kUcs2Hex},
        {"UCS2 with an emoji", "00480069D83DDE00", 72, Charset::kIra, "Hi\xF0\x9F\x98\x80",
         UssdEncoding::kUcs2Hex},
        {"DCS 72 already converted by the card", "Hello", 72, Charset::kIra, "Hello",
         UssdEncoding::kPlain},
        {"8-bit ASCII, DCS 68", "48656C6C6F", 68, Charset::kIra, "Hello", UssdEncoding::kPlain},
        {"8-bit Latin-1", "4361666AE9", 68, Charset::kIra, "Cafj\xC3\xA9", UssdEncoding::kPlain},
        {"8-bit UTF-8", "436166C3A9", 68, Charset::kIra, "Caf\xC3\xA9", UssdEncoding::kPlain},
        {"UCS2 preceded by a language", "653700480069", 0x11, Charset::kIra, "Hi",
         UssdEncoding::kUcs2Hex},
        {"7-bit preceded by a language", Packed(u"en\rHello"), 0x10, Charset::kIra, "Hello",
         UssdEncoding::kPackedHex},
        {"reserved DCS with packed hex", "E8329BFD4697D9EC37", 0x12, Charset::kIra, "hellohello",
         UssdEncoding::kPackedHex},
        {"reserved DCS with plain text", "Thanks", 0xA0, Charset::kIra, "Thanks",
         UssdEncoding::kPlain},
        {"no DCS at all", "OK, done", -1, Charset::kIra, "OK, done", UssdEncoding::kPlain},
        {"digits stay digits", "1234", 15, Charset::kIra, "1234", UssdEncoding::kPlain},
        {"digits stay digits in UCS2 mode", "1234", 15, Charset::kUcs2, "1234",
         UssdEncoding::kPlain},
        {"a service code", "*100#", 15, Charset::kIra, "*100#", UssdEncoding::kPlain},
    };
    for (const DecodeCase& c : cases) {
        UssdEncoding form = UssdEncoding::kPlain;
        EXPECT_EQ(DecodeUssdText(c.text, c.dcs, c.charset, &form), c.shown) << c.what;
        EXPECT_EQ(form, c.form) << c.what;
        if (c.form != UssdEncoding::kPlain || c.dcs == 68) {
            EXPECT_NE(DecodeUssdText(c.text, c.dcs, c.charset), c.text) << c.what << ": raw hex";
        }
    }
}

TEST(UssdTest, AnEvenReadingGoesToTheFormTheCardUses) {
    // "on" packed is 6F37, which also reads as one CJK character in UCS2.
    EXPECT_EQ(DecodeUssdText("6F37", 15, Charset::kUcs2), "\xE6\xBC\xB7");
    EXPECT_EQ(DecodeUssdText("6F37", 15, Charset::kUcs2, nullptr, UssdEncoding::kPackedHex), "on");
    EXPECT_EQ(DecodeUssdText("6F37", 15, Charset::kIra), "on");
}

struct EncodeCase {
    std::string text;
    UssdEncoding encoding;
    bool ok;
    std::string field;
    int dcs;
};

TEST(UssdTest, EncodesRequests) {
    const EncodeCase cases[] = {
        {"*100#", UssdEncoding::kPlain, true, "*100#", 15},
        {"*100#", UssdEncoding::kUcs2Hex, true, "002A0031003000300023", 15},
        {"*100#", UssdEncoding::kPackedHex, true, "AA180C3602", 15},
        {"\xD0\x9F", UssdEncoding::kPlain, false, "", 0},
        {"\xD0\x9F", UssdEncoding::kUcs2Hex, true, "041F", 72},
        {"\xD0\x9F", UssdEncoding::kPackedHex, false, "", 0},
        {"say \"hi\"", UssdEncoding::kPlain, false, "", 0},
        {"a\rb", UssdEncoding::kPlain, false, "", 0},
        {"\xC3\xA9", UssdEncoding::kPlain, false, "", 0},  // é: not the same in every set
        {"\xC3\xA9", UssdEncoding::kPackedHex, true, "05", 15},
        {"", UssdEncoding::kPlain, true, "", 15},
    };
    for (const EncodeCase& c : cases) {
        std::string field;
        int dcs = 0;
        ASSERT_EQ(EncodeUssdRequest(c.text, c.encoding, &field, &dcs), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(field, c.field) << c.text;
            EXPECT_EQ(dcs, c.dcs) << c.text;
        }
    }
}

TEST(UssdTest, ServiceCodesAreToldFromAnswers) {
    for (const char* code : {"*100#", "#31#", "*21*0049301234#", "*#06#"}) {
        EXPECT_TRUE(IsServiceCode(code)) << code;
    }
    for (const char* answer : {"1", "*100", "", "#", "*1a#", "yes"}) {
        EXPECT_FALSE(IsServiceCode(answer)) << answer;
    }
}

// ---- The session ------------------------------------------------------------------------

using TimePoint = UssdSession::TimePoint;
constexpr TimePoint kNow{std::chrono::hours(1)};
using Plan = std::vector<UssdEncoding>;
constexpr auto kPlain = UssdEncoding::kPlain;
constexpr auto kUcs2 = UssdEncoding::kUcs2Hex;
constexpr auto kPacked = UssdEncoding::kPackedHex;

TEST(UssdTest, PlanTriesPlainFirstThenWhatTheCharacterSetSuggests) {
    UssdSession session;
    EXPECT_EQ(session.Plan("*100#", Charset::kIra), (Plan{kPlain, kPacked, kUcs2}));
    EXPECT_EQ(session.Plan("*100#", Charset::kUcs2), (Plan{kPlain, kUcs2, kPacked}));
    EXPECT_EQ(session.Plan("\xD0\x9F", Charset::kIra), (Plan{kUcs2}));
    // What worked comes first; the others stay behind it for a card that changed its mind.
    const TimePoint now = kNow;
    session.Accepted(session.BeginRequest(now), kPacked, now);
    EXPECT_EQ(session.Learned(), kPacked);
    EXPECT_EQ(session.Plan("*100#", Charset::kUcs2), (Plan{kPacked, kPlain, kUcs2}));
    session.Accepted(session.BeginRequest(now), kPlain, now);
    EXPECT_EQ(session.Plan("*100#", Charset::kIra), (Plan{kPlain, kPacked, kUcs2}));
}

TEST(UssdTest, ReplyAfterOkCompletesTheRequest) {
    UssdSession session;
    const TimePoint now = kNow;
    const int id = session.BeginRequest(now);
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kWaitingReply);
    session.Accepted(id, kPlain, now);
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kWaitingReply);
    EXPECT_EQ(session.OnResult(R"(+CUSD: 0,"Balance 5.00",15)", Charset::kIra, now),
              "Balance 5.00");
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kIdle);
    EXPECT_FALSE(session.Refused(id));
}

TEST(UssdTest, ReplyBeforeOkCompletesTheRequest) {
    UssdSession session;
    const TimePoint now = kNow;
    const int id = session.BeginRequest(now);
    EXPECT_EQ(session.OnResult(R"(+CUSD: 2,"Bye",15)", Charset::kIra, now), "Bye");
    session.Accepted(id, kPlain, now);  // the OK comes late
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kIdle);
}

TEST(UssdTest, AQuestionKeepsTheSessionOpenUntilAnsweredOrTimedOut) {
    UssdSession session;
    const TimePoint now = kNow;
    session.Accepted(session.BeginRequest(now), kPlain, now);
    EXPECT_EQ(session.OnResult(R"(+CUSD: 1,"1 Balance, 2 Tariff",15)", Charset::kIra, now),
              "1 Balance, 2 Tariff");
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kAwaitingAnswer);
    // An answer goes into the open session; a new service code needs it cancelled first.
    EXPECT_FALSE(session.NeedsCancelBefore("1", now));
    EXPECT_TRUE(session.NeedsCancelBefore("*100#", now));
    const TimePoint later = now + UssdSession::kAnswerTimeout + std::chrono::seconds(1);
    EXPECT_EQ(session.CurrentState(later), UssdSession::State::kIdle);
    EXPECT_FALSE(session.NeedsCancelBefore("*100#", later));
    session.Cancelled();
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kIdle);
}

TEST(UssdTest, AReplyThatNeverComesEndsTheWait) {
    UssdSession session;
    const TimePoint now = kNow;
    session.Accepted(session.BeginRequest(now), kPlain, now);
    EXPECT_EQ(session.CurrentState(now + std::chrono::seconds(10)),
              UssdSession::State::kWaitingReply);
    EXPECT_EQ(session.CurrentState(now + UssdSession::kReplyTimeout), UssdSession::State::kIdle);
    const int failed = session.BeginRequest(now);
    session.Failed(failed);
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kIdle);
}

TEST(UssdTest, ResultsWithoutTextOrRefusals) {
    struct Case {
        const char* line;
        bool refused;
    };
    const Case cases[] = {
        {"+CUSD: 4", true},                  // not supported by the network
        {R"(+CUSD: 4,"ignored",15)", true},  // its text is not a reply
        {"+CUSD: 3", false},                 // another client answered
        {"+CUSD: 5", false},                 // the network timed out
        {"+CUSD: 2", false},                 // ended, nothing to show
        {R"(+CUSD: 0,"",15)", false},
        {"garbage", false},
    };
    for (const Case& c : cases) {
        UssdSession session;
        const TimePoint now = kNow;
        const int id = session.BeginRequest(now);
        EXPECT_EQ(session.OnResult(c.line, Charset::kIra, now), std::nullopt) << c.line;
        EXPECT_EQ(session.Refused(id), c.refused) << c.line;
    }
}

TEST(UssdTest, NetworkInitiatedRequestsAreDelivered) {
    UssdSession session;
    const TimePoint now = kNow;
    EXPECT_EQ(session.OnResult(R"(+CUSD: 1,"Accept the offer? 1 Yes",15)", Charset::kIra, now),
              "Accept the offer? 1 Yes");
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kAwaitingAnswer);
    EXPECT_EQ(session.OnResult(R"(+CUSD: 0,"0048006900210021",72)", Charset::kIra, now), "Hi!!");
    EXPECT_EQ(session.CurrentState(now), UssdSession::State::kIdle);
    EXPECT_FALSE(session.Learned());  // nothing was asked: nothing to learn
}

TEST(UssdTest, TheFormOfAReplyTeachesTheRequestEncoding) {
    const TimePoint now = kNow;
    const std::string packed_reply = "+CUSD: 0,\"" + Packed(u"Your balance is 5.00") + "\",15";
    {
        // The card took UCS2 hex (as if it were packed hex) but answers packed: packed wins.
        UssdSession session;
        const int id = session.BeginRequest(now);
        session.Accepted(id, kUcs2, now);
        ASSERT_TRUE(session.OnResult(packed_reply, Charset::kUcs2, now));
        EXPECT_EQ(session.Learned(), kPacked);
    }
    {
        // The same with the reply ahead of the OK.
        UssdSession session;
        const int id = session.BeginRequest(now);
        ASSERT_TRUE(session.OnResult(packed_reply, Charset::kUcs2, now));
        session.Accepted(id, kUcs2, now);
        EXPECT_EQ(session.Learned(), kPacked);
        session.Reset();
        EXPECT_EQ(session.Learned(), kPacked);  // the card does not change with the port
    }
    {
        // UCS2 data of the network (DCS 72) comes as UCS2 hex from every card: no lesson.
        UssdSession session;
        const int id = session.BeginRequest(now);
        session.Accepted(id, kPacked, now);
        ASSERT_TRUE(session.OnResult(R"(+CUSD: 0,"0411",72)", Charset::kUcs2, now));
        EXPECT_EQ(session.Learned(), kPacked);
    }
}

}  // namespace
}  // namespace dedevev::at

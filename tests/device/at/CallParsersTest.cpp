// The call parsers against answers in the forms real cards give: Huawei, Sierra, Quectel,
// SIMCom and Telit style +CLCC, +CLIP and +CCWA lines, the vendor call reports, and the checks
// of numbers and keys sent to the card.

#include "device/at/parsers/CallParsers.h"

#include <gtest/gtest.h>

namespace dedevev::at {
namespace {

// ---- +CLCC ------------------------------------------------------------------------------

struct ClccCase {
    const char* name;
    const char* line;
    Charset charset;
    bool parses;
    int id, direction, state;
    bool multiparty;
    const char* number;
    int type;
    const char* alpha;
};

class ClccLine : public ::testing::TestWithParam<ClccCase> {};

TEST_P(ClccLine, ReadsEveryField) {
    const ClccCase& c = GetParam();
    const std::optional<CallEntry> entry = ParseClccLine(c.line, c.charset);
    ASSERT_EQ(entry.has_value(), c.parses) << c.line;
    if (!c.parses)
        return;
    EXPECT_EQ(entry->id, c.id);
    EXPECT_EQ(entry->direction, c.direction);
    EXPECT_EQ(entry->state, c.state);
    EXPECT_EQ(entry->multiparty, c.multiparty);
    EXPECT_EQ(entry->number, c.number);
    EXPECT_EQ(entry->type, c.type);
    EXPECT_EQ(entry->alpha, c.alpha);
}

INSTANTIATE_TEST_SUITE_P(
    RealCards, ClccLine,
    ::testing::Values(
        ClccCase{"QuectelActiveOutgoing", "+CLCC: 1,0,0,0,0,\"10086\",129", Charset::kIra, true, 1,
                 0, 0, false, "10086", 129, ""},
        ClccCase{"QuectelIncoming", "+CLCC: 1,1,4,0,0,\"02154450290\",129", Charset::kIra, true, 1,
                 1, 4, false, "02154450290", 129, ""},
        ClccCase{"SierraEmptyAlpha", "+CLCC: 1,1,4,0,0,\"+14085551212\",145,\"\"", Charset::kIra,
                 true, 1, 1, 4, false, "+14085551212", 145, ""},
        ClccCase{"SimcomAlerting", "+CLCC: 1,0,3,0,0,\"10086\",129,\"\"", Charset::kGsm, true, 1, 0,
                 3, false, "10086", 129, ""},
        ClccCase{"NoNumberAtAll", "+CLCC: 1,1,4,0,0", Charset::kIra, true, 1, 1, 4, false, "", -1,
                 ""},
        ClccCase{"WithheldEmptyNumber", "+CLCC: 2,1,5,0,0,\"\",128", Charset::kIra, true, 2, 1, 5,
                 false, "", 128, ""},
        ClccCase{"MultipartyMember", "+CLCC: 2,0,0,0,1,\"5551234\",129", Charset::kIra, true, 2, 0,
                 0, true, "5551234", 129, ""},
        ClccCase{"HeldCall", "+CLCC: 1,0,1,0,0,\"112\",129", Charset::kIra, true, 1, 0, 1, false,
                 "112", 129, ""},
        ClccCase{"AlphaName", "+CLCC: 1,1,4,0,0,\"+491234\",145,\"Mom, home\"", Charset::kIra, true,
                 1, 1, 4, false, "+491234", 145, "Mom, home"},
        ClccCase{"HuaweiUcs2NumberAndAlpha",
                 "+CLCC: 1,1,4,0,0,\"002B00360032003800310031\",145,\"004D006F006D\"",
                 Charset::kUcs2, true, 1, 1, 4, false, "+62811", 145, "Mom"},
        ClccCase{"TelitExtraPriorityField", "+CLCC: 1,1,4,0,0,\"1234\",129,\"\",0", Charset::kIra,
                 true, 1, 1, 4, false, "1234", 129, ""},
        ClccCase{"BlanksAfterCommas", "+CLCC: 3, 0, 2, 0, 0, \"*100#\", 129", Charset::kIra, true,
                 3, 0, 2, false, "*100#", 129, ""},
        ClccCase{"HexLookingNumberKept", "+CLCC: 1,0,0,0,0,\"12345678\",129", Charset::kUcs2, true,
                 1, 0, 0, false, "12345678", 129, ""},
        ClccCase{"NoiseInNumberStaysText", "+CLCC: 1,0,0,0,0,\"12\xd5\",129", Charset::kIra, true,
                 1, 0, 0, false, "12\xc3\x95", 129, ""},
        ClccCase{"TooFewFields", "+CLCC: 1,0,0,0", Charset::kIra, false, 0, 0, 0, false, "", 0, ""},
        ClccCase{"NotANumber", "+CLCC: a,0,0,0,0", Charset::kIra, false, 0, 0, 0, false, "", 0, ""},
        ClccCase{"BadDirection", "+CLCC: 1,2,0,0,0", Charset::kIra, false, 0, 0, 0, false, "", 0,
                 ""},
        ClccCase{"OtherLine", "+CLIP: \"123\",129", Charset::kIra, false, 0, 0, 0, false, "", 0,
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClccListing, KeepsEveryCallOnceAndSkipsNoise) {
    const std::vector<CallEntry> calls =
        ParseClcc({"+CLCC: 1,0,1,0,0,\"111\",129", "garbage", "+CLCC: 2,1,5,0,0,\"222\",129",
                   "+CLCC: 2,1,5,0,0,\"333\",129", "+CLCC: broken"},
                  Charset::kIra);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].number, "111");
    EXPECT_EQ(calls[1].number, "222");  // a repeated id keeps the first
    EXPECT_TRUE(ParseClcc({}, Charset::kIra).empty());
}

TEST(ClccListing, DataAndFaxModesAreNoVoiceCalls) {
    for (int mode = 0; mode <= 10; ++mode) {
        CallEntry call;
        call.mode = mode;
        const bool data_or_fax = mode == 1 || mode == 2 || mode == 6 || mode == 7 || mode == 8;
        EXPECT_EQ(IsVoiceCall(call), !data_or_fax) << mode;
    }
}

// ---- +CLIP and +CCWA --------------------------------------------------------------------

struct CallerCase {
    const char* name;
    const char* line;
    bool parses;
    const char* number;
    int type;
    int validity;
    bool withheld;
};

void ExpectCaller(const std::optional<CallerId>& caller, const CallerCase& c) {
    ASSERT_EQ(caller.has_value(), c.parses) << c.line;
    if (!c.parses)
        return;
    EXPECT_EQ(caller->number, c.number);
    EXPECT_EQ(caller->type, c.type);
    EXPECT_EQ(caller->validity, c.validity);
    EXPECT_EQ(caller->Withheld(), c.withheld);
}

class ClipLine : public ::testing::TestWithParam<CallerCase> {};

TEST_P(ClipLine, ReadsTheCaller) {
    ExpectCaller(ParseClip(GetParam().line, Charset::kIra), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    RealCards, ClipLine,
    ::testing::Values(
        CallerCase{"MinimalTwoFields", "+CLIP: \"13800138000\",129", true, "13800138000", 129, -1,
                   false},
        CallerCase{"QuectelFull", "+CLIP: \"02151082965\",129,\"\",0,\"\",0", true, "02151082965",
                   129, 0, false},
        CallerCase{"SierraInternational", "+CLIP: \"+491711234567\",145,\"\",,\"\",0", true,
                   "+491711234567", 145, 0, false},
        CallerCase{"SimcomWithheld", "+CLIP: \"\",128,\"\",0,\"\",1", true, "", 128, 1, true},
        CallerCase{"HuaweiWithheldEmptyFields", "+CLIP: \"\",128,,,,1", true, "", 128, 1, true},
        CallerCase{"NotAvailable", "+CLIP: \"\",128,,,,2", true, "", 128, 2, false},
        CallerCase{"WithheldPlaceholderDropped", "+CLIP: \"Anonymous\",128,,,,1", true, "", 128, 1,
                   true},
        CallerCase{"QueryAnswerIsNoCaller", "+CLIP: 1,1", false, "", 0, 0, false},
        CallerCase{"OtherLine", "+CCWA: \"1\",129,1", false, "", 0, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

class CcwaLine : public ::testing::TestWithParam<CallerCase> {};

TEST_P(CcwaLine, ReadsTheWaitingCaller) {
    ExpectCaller(ParseCcwa(GetParam().line, Charset::kIra), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    RealCards, CcwaLine,
    ::testing::Values(CallerCase{"ThreeFields", "+CCWA: \"+491711234567\",145,1", true,
                                 "+491711234567", 145, -1, false},
                      CallerCase{"QuectelWithAlphaAndValidity",
                                 "+CCWA: \"02154450293\",129,1,\"\",0", true, "02154450293", 129, 0,
                                 false},
                      CallerCase{"EmptyAlphaField", "+CCWA: \"5551234\",129,1,,0", true, "5551234",
                                 129, 0, false},
                      CallerCase{"Withheld", "+CCWA: \"\",128,1,,1", true, "", 128, 1, true},
                      CallerCase{"QueryAnswerIsNoCall", "+CCWA: 1,1", false, "", 0, 0, false},
                      CallerCase{"TooShort", "+CCWA: \"123\",129", false, "", 0, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Call reports -----------------------------------------------------------------------

struct ReportCase {
    const char* line;
    bool parses;
    CallReport::Kind kind;
    int id;
    int cause;
    const char* text;
};

class Report : public ::testing::TestWithParam<ReportCase> {};

TEST_P(Report, ReadsKindIdAndCause) {
    const ReportCase& c = GetParam();
    const std::optional<CallReport> report = ParseCallReport(c.line, Charset::kUcs2);
    ASSERT_EQ(report.has_value(), c.parses) << c.line;
    if (!c.parses)
        return;
    EXPECT_EQ(report->kind, c.kind) << c.line;
    EXPECT_EQ(report->id, c.id) << c.line;
    EXPECT_EQ(report->cause, c.cause) << c.line;
    EXPECT_EQ(report->text, c.text) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    OursAndHuawei, Report,
    ::testing::Values(ReportCase{"^DDORIG: 1", true, CallReport::kSetup, 1, -1, ""},
                      ReportCase{"^ORIG:1,0", true, CallReport::kSetup, 1, -1, ""},
                      ReportCase{"^CONF:1", true, CallReport::kProgress, 1, -1, ""},
                      ReportCase{"^DDCONN: 2", true, CallReport::kConnected, 2, -1, ""},
                      ReportCase{"^CONN:1,0", true, CallReport::kConnected, 1, -1, ""},
                      ReportCase{"^DDCEND: 1,17", true, CallReport::kEnded, 1, 17, ""},
                      ReportCase{"^CEND:1,0,104,16", true, CallReport::kEnded, 1, 16, ""},
                      ReportCase{"^CEND:3,25,104", true, CallReport::kEnded, 3, -1, ""},
                      ReportCase{"^DDCINFO: \"Welcome, friend\"", true, CallReport::kInfo, -1, -1,
                                 "Welcome, friend"},
                      ReportCase{"^DDCINFO: \"00480069\"", true, CallReport::kInfo, -1, -1, "Hi"},
                      ReportCase{"^DDCONN: x", false, CallReport::kSetup, 0, 0, ""},
                      ReportCase{"^DDCEND:", false, CallReport::kSetup, 0, 0, ""},
                      ReportCase{"^RSSI: 20", false, CallReport::kSetup, 0, 0, ""}));

TEST(Ring, OnlyVoiceRingsAreCalls) {
    for (const char* voice : {"RING", " RING ", "+CRING: VOICE", "+CRING: REL VOICE",
                              "+CRING: VOICE/REL ASYNC", "+CRING: voice"})
        EXPECT_TRUE(IsVoiceRing(voice)) << voice;
    for (const char* other :
         {"+CRING: FAX", "+CRING: ASYNC", "+CRING: GPRS \"IP\"", "RINGBACK", "NO CARRIER", ""})
        EXPECT_FALSE(IsVoiceRing(other)) << other;
}

TEST(Volume, ReadsTheLevel) {
    EXPECT_EQ(ParseClvl({"+CLVL: 5"}), 5);
    EXPECT_EQ(ParseClvl({"noise", "+CLVL:0"}), 0);
    EXPECT_EQ(ParseClvl({"+CLVL: -1"}), std::nullopt);
    EXPECT_EQ(ParseClvl({"+CLVL: "}), std::nullopt);
    EXPECT_EQ(ParseClvl({}), std::nullopt);
}

// ---- What may be sent -------------------------------------------------------------------

TEST(Checks, DialableNumbers) {
    for (const char* good : {"123", "+6281122", "*100#", "#31#0800", "112"})
        EXPECT_TRUE(IsDialableCallNumber(good)) << good;
    for (const char* bad : {"", "+", "12+3", "123;ATH", "12 34", "1-2", "\"1\"", "12\r",
                            "12345678901234567890123456789012345678901"})
        EXPECT_FALSE(IsDialableCallNumber(bad)) << bad;
}

TEST(Checks, DtmfKeys) {
    for (char key : std::string("0123456789*#ABCD"))
        EXPECT_TRUE(IsDtmfKey(key)) << key;
    for (char key : std::string("E+,;\r a"))
        EXPECT_FALSE(IsDtmfKey(key)) << key;
}

}  // namespace
}  // namespace dedevev::at

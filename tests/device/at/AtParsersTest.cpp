// The answer parsers, fed with answers of real cards (Huawei, Sierra, Option, Ericsson, ZTE,
// Nokia and Novatel firmware) and of our own dialect.

#include "device/at/parsers/AtParsers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace dedevev::at {
namespace {

// ---- Text and fields --------------------------------------------------------------------

TEST(AtParsersTest, SplitFieldsIsQuoteAndGroupAware) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {R"(1,"a,b", c ,,"x")", {"1", "a,b", "c", "", "x"}},
        {R"((0-4),(0,1,2))", {"(0-4)", "(0,1,2)"}},
        {R"( "padded" , 7)", {"padded", "7"}},
        {R"("unterminated)", {"unterminated"}},
        {R"("a""b",'c')", {"a\"b", "'c'"}},
        {R"("a\"b","",x)", {"a\"b", "", "x"}},
        {R"(,)", {"", ""}},
        {"", {}},
    };
    for (const auto& [value, fields] : cases) {
        EXPECT_EQ(SplitFields(value), fields) << value;
    }
    const std::vector<Field> quoted = SplitQuotedFields(R"(1,"0012",0012)");
    ASSERT_EQ(quoted.size(), 3u);
    EXPECT_FALSE(quoted[0].quoted);
    EXPECT_TRUE(quoted[1].quoted);
    EXPECT_FALSE(quoted[2].quoted);
}

TEST(AtParsersTest, Utf8Conversions) {
    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xF0\x9F\x98\x80"), u"A\u00E9\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");         // overlong
    EXPECT_EQ(ToUtf8Lenient("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");  // Latin-1
    EXPECT_EQ(ToUtf8Lenient("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
}

struct CardTextCase {
    std::string field;
    Charset charset;
    std::string text;
};

TEST(AtParsersTest, CardTextsAreDecodedOnlyWhenTheyReadAsUcs2) {
    const CardTextCase cases[] = {
        {"0054002D004D006F00620069006C0065", Charset::kUcs2, "T-Mobile"},
        {"041C04220421", Charset::kUcs2, "\xD0\x9C\xD0\xA2\xD0\xA1"},  // МТС
        {"4E2D56FD79FB52A8", Charset::kUcs2, "\xE4\xB8\xAD\xE5\x9B\xBD\xE7\xA7\xBB\xE5\x8A\xA8"},
        {"T-Mobile", Charset::kUcs2, "T-Mobile"},  // a card that ignores the character set
        {"26201", Charset::kUcs2, "26201"},
        {"ABBA", Charset::kUcs2, "ABBA"},  // U+ABBA is no likely character
        {"0054002D004D006F00620069006C0065", Charset::kIra, "T-Mobile"},
        {"CAFE", Charset::kIra, "CAFE"},
        {"12345678", Charset::kIra, "12345678"},
        {"", Charset::kUcs2, ""},
    };
    for (const CardTextCase& c : cases) {
        EXPECT_EQ(DecodeCardText(c.field, c.charset), c.text) << c.field;
    }
    EXPECT_EQ(EncodeCardText("TMO", Charset::kUcs2), "0054004D004F");
    EXPECT_EQ(EncodeCardText("TMO", Charset::kIra), "TMO");
}

// ---- Signal and card --------------------------------------------------------------------

TEST(AtParsersTest, SignalQuality) {
    const std::pair<Lines, std::optional<int>> cases[] = {
        {{"+CSQ: 20,99"}, 20},
        {{"+CSQ:31,0"}, 31},
        {{"+CSQ: 0,99"}, 0},
        {{"+CSQ: 99,99"}, 99},
        {{"+CSQ: 120,99"}, 99},  // TD-SCDMA range: not on our scale
        {{"^RSSI: 12", "+CSQ: 7,4", "^BOOT: 1,0,0,0"}, 7},
        {{"+CSQ: ,"}, std::nullopt},
        {{"OK"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [lines, rssi] : cases) {
        EXPECT_EQ(ParseCsq(lines), rssi) << (lines.empty() ? "" : lines[0]);
    }
}

TEST(AtParsersTest, PinStates) {
    const std::pair<Lines, std::optional<std::string>> cases[] = {
        {{"+CPIN: READY"}, "READY"},    {{"+CPIN: SIM PIN"}, "SIM PIN"},
        {{"+CPIN:SIM PUK"}, "SIM PUK"}, {{"+CPIN: \"READY\""}, "READY"},
        {{"+cpin: ready"}, "READY"},    {{"+CPIN: PH-NET PIN"}, "PH-NET PIN"},
        {{"READY"}, "READY"},  // cards that answer without the prefix
        {{"+CPIN: "}, std::nullopt},    {{"^SIMST: 1"}, std::nullopt},
    };
    for (const auto& [lines, state] : cases) {
        EXPECT_EQ(ParseCpin(lines), state) << lines[0];
    }
    const std::pair<int, std::string> errors[] = {
        {10, "SIM NOT INSERTED"}, {11, "SIM PIN"},   {12, "SIM PUK"}, {13, "SIM FAILURE"},
        {14, "SIM BUSY"},         {15, "SIM WRONG"}, {3, ""},         {100, ""},
    };
    for (const auto& [code, state] : errors) {
        EXPECT_EQ(CardStatusOfCmeError(code), state) << code;
    }
}

TEST(AtParsersTest, RemainingAttempts) {
    PinCounters c = ParseCpinr({"+CPINR: SIM PIN,3,3", "+CPINR: SIM PUK,10,10"});
    EXPECT_EQ(c.pin, 3);
    EXPECT_EQ(c.puk, 10);
    c = ParseCpinr({"+CPINR: \"SIM PIN\",2,3"});
    EXPECT_EQ(c.pin, 2);
    EXPECT_EQ(c.puk, -1);
    c = ParseCpinr({"+CPINR: SIM PIN2,3,3", "+CPINR: SIM PUK2,10,10"});
    EXPECT_EQ(c.pin, -1);
    EXPECT_EQ(c.puk, -1);

    struct HuaweiCase {
        std::string line;
        int pin;
        int puk;
    };
    const HuaweiCase huawei[] = {
        {"^CPIN: READY,,10,3,10,3", 3, 10},
        {"^CPIN: SIM PIN,2,10,2,10,3", 2, 10},
        {"^CPIN: SIM PUK,9,9,0,10,3", 0, 9},
        {"^CPIN:SIM PUK,8,,,10,3", -1, 8},  // counters left out: <times> is the PUK's
    };
    for (const HuaweiCase& h : huawei) {
        const std::optional<PinCounters> parsed = ParseHuaweiCpin({h.line});
        ASSERT_TRUE(parsed) << h.line;
        EXPECT_EQ(parsed->pin, h.pin) << h.line;
        EXPECT_EQ(parsed->puk, h.puk) << h.line;
    }
    EXPECT_FALSE(ParseHuaweiCpin({"^CPIN: READY"}));

    const std::optional<PinCounters> ours = ParseDdpinr({"^DDPINR: 1,10"});
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours->pin, 1);
    EXPECT_EQ(ours->puk, 10);
    EXPECT_FALSE(ParseDdpinr({"^DDPINR: 3"}));
    EXPECT_FALSE(ParseDdpinr({"^DDPINR: -1,10"}));
}

TEST(AtParsersTest, PinLock) {
    EXPECT_EQ(ParseClck({"+CLCK: 1"}), 1);
    EXPECT_EQ(ParseClck({"+CLCK: 0,7"}), 0);  // with the class
    EXPECT_EQ(ParseClck({"+CLCK: 2"}), std::nullopt);
    EXPECT_EQ(ParseClck({"OK"}), std::nullopt);
}

TEST(AtParsersTest, Identities) {
    struct Case {
        Lines lines;
        std::string prefix;
        bool digits_only;
        std::optional<std::string> id;
    };
    const Case cases[] = {
        {{"262019876543210"}, "+CIMI:", true, "262019876543210"},
        {{"+CIMI: 262019876543210"}, "+CIMI:", true, "262019876543210"},
        {{"\"460030912121001\""}, "+CIMI:", true, "460030912121001"},
        {{"^BOOT:12345,0,0,0,75", "310260000000000"}, "+CIMI:", true, "310260000000000"},
        {{"+CME ERROR: 10"}, "+CIMI:", true, std::nullopt},
        {{"26201ABC"}, "+CIMI:", true, std::nullopt},
        {{"+CGSN: \"356938035643809\""}, "+CGSN:", false, "356938035643809"},
        {{"356938035643809"}, "+CGSN:", false, "356938035643809"},
        {{"A1000012345678"}, "+CGSN:", false, "A1000012345678"},  // MEID
        {{"0x80ABCDEF"}, "+CGSN:", false, "80ABCDEF"},            // ESN
        {{"IMEI"}, "+CGSN:", false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseIdentity(c.lines, c.prefix, c.digits_only), c.id) << c.lines.back();
    }
}

// ---- Service ----------------------------------------------------------------------------

struct ServiceCase {
    std::string line;
    std::optional<ServiceInfo> info;  // words 0..6
};

ServiceInfo Words(int w0, int w1, int w2, int w3, int w4, int w5, int w6) {
    return ServiceInfo{w0, w1, w2, w3, w4, w5, w6};
}

TEST(AtParsersTest, ServiceRecordOfOurDialect) {
    const ServiceCase cases[] = {
        {"^DDSRV: 2,9,0,3,1,1,2", Words(2, 9, 0, 0, 3, 1, 2)},
        {"^DDSRV: 2,2,1,3,1,2,2", Words(2, 2, 0, 1, 3, 2, 2)},
        {"^DDSRV: 2,4,0,2,1,2,2", Words(2, 4, 1, 0, 2, 2, 2)},  // EV-DO: no messages
        {"^DDSRV: 2,4,0,3,1,2,2", Words(2, 4, 0, 0, 3, 2, 2)},  // hybrid: messages over 1x
        {"^DDSRV: 0,0,0,0,255,0,0", Words(0, 0, 1, 0, 0, 0, 0)},
        {"^DDSRV: 2,9,0,3,1,1", std::nullopt},
        {"^DDSRV: 2,x,0,3,1,1,2", std::nullopt},
    };
    for (const ServiceCase& c : cases) {
        EXPECT_EQ(ParseDdsrv({c.line}), c.info) << c.line;
    }
}

TEST(AtParsersTest, HuaweiSysinfo) {
    const ServiceCase cases[] = {
        {"^SYSINFO:2,3,0,5,1,,4", Words(2, 5, 0, 0, 3, 1, 2)},    // E1550 on HSDPA
        {"^SYSINFO: 2,3,0,3,1,0,3", Words(2, 3, 0, 0, 3, 1, 2)},  // EDGE
        {"^SYSINFO:2,2,1,7,1,,5", Words(2, 5, 0, 1, 2, 1, 2)},    // GSM/WCDMA on HSDPA, roaming
        {"^SYSINFO:2,2,0,7,1,,2", Words(2, 3, 0, 0, 2, 1, 2)},    // GSM/WCDMA on GPRS
        {"^SYSINFO:2,3,0,8,1", Words(2, 4, 0, 0, 3, 2, 2)},       // CDMA/HDR hybrid card
        {"^SYSINFO:2,3,0,2,1", Words(2, 2, 0, 0, 3, 2, 2)},       // CDMA 1x
        {"^SYSINFO:0,0,0,0,1", Words(0, 0, 1, 0, 0, 1, 0)},       // searching
        {"^SYSINFO:1,0,0,3,255", Words(1, 3, 0, 0, 0, 0, 1)},     // no SIM: emergency only
        {"^SYSINFO:2,3,0", std::nullopt},
    };
    for (const ServiceCase& c : cases) {
        EXPECT_EQ(ParseSysinfo({c.line}), c.info) << c.line;
    }
}

TEST(AtParsersTest, HuaweiSysinfoEx) {
    const ServiceCase cases[] = {
        {R"(^SYSINFOEX:2,3,0,1,,3,"WCDMA",41,"WCDMA")", Words(2, 5, 0, 0, 3, 1, 2)},
        {R"(^SYSINFOEX:2,3,0,1,,6,"LTE",101,"LTE")", Words(2, 9, 0, 0, 3, 1, 2)},
        {R"(^SYSINFOEX:2,3,1,1,,1,"GSM",3,"EDGE")", Words(2, 3, 0, 1, 3, 1, 2)},
        {R"(^SYSINFOEX:2,2,0,1,,2,"CDMA",23,"CDMA2000 1X")", Words(2, 2, 0, 0, 2, 2, 2)},
        {R"(^SYSINFOEX:2,2,0,1,,2,"CDMA",25,"EVDO Rel A")", Words(2, 4, 1, 0, 2, 2, 2)},
        {R"(^SYSINFOEX:0,0,0,1,,0,"",0,"")", Words(0, 0, 1, 0, 0, 1, 0)},
        {R"(^SYSINFOEX:2,3,0,255,,3,"WCDMA",41,"WCDMA")", Words(2, 5, 0, 0, 3, 0, 2)},
        {R"(^SYSINFOEX:2,3,0)", std::nullopt},
    };
    for (const ServiceCase& c : cases) {
        EXPECT_EQ(ParseSysinfoEx({c.line}), c.info) << c.line;
    }
}

TEST(AtParsersTest, Registration) {
    struct Case {
        std::string line;
        int stat;
        int act;
    };
    const Case cases[] = {
        {R"(+CREG: 2,1,"00C3","0000A13B",2)", 1, 2},
        {R"(+CREG: 2,1,"1A2B","0000C3D4",7)", 1, 7},
        {"+CREG: 0,5", 5, -1},
        {"+CREG: 1,3", 3, -1},
        {"+CREG: 1", 1, -1},                    // unsolicited
        {R"(+CREG: 1,"0012","3456")", 1, -1},   // unsolicited with a numeric-looking area
        {"+CREG: 2,1, 00C3, 0000A13B", 1, -1},  // unquoted location fields
    };
    for (const Case& c : cases) {
        const std::optional<Registration> reg = ParseCreg({c.line});
        ASSERT_TRUE(reg) << c.line;
        EXPECT_EQ(reg->stat, c.stat) << c.line;
        EXPECT_EQ(reg->act, c.act) << c.line;
    }
    EXPECT_FALSE(ParseCreg({"+CREG: "}));
    EXPECT_FALSE(ParseCreg({"+CGREG: 0,1"}));
}

TEST(AtParsersTest, CurrentOperator) {
    std::optional<CurrentOperator> op = ParseCopsQuery({R"(+COPS: 0,0,"Vodafone.de",2)"});
    ASSERT_TRUE(op);
    EXPECT_EQ(op->mode, 0);
    EXPECT_EQ(op->name, "Vodafone.de");
    EXPECT_EQ(op->act, 2);
    op = ParseCopsQuery({"+COPS: 0"});  // not registered
    ASSERT_TRUE(op);
    EXPECT_EQ(op->name, "");
    EXPECT_EQ(op->act, -1);
    op = ParseCopsQuery({R"(+COPS: 0,0,"0054002D004D006F00620069006C0065",7)"});
    ASSERT_TRUE(op);
    EXPECT_EQ(DecodeCardText(op->name, Charset::kUcs2), "T-Mobile");
    op = ParseCopsQuery({R"(+COPS: 1,0,"Foo, Inc.",0)"});
    ASSERT_TRUE(op);
    EXPECT_EQ(op->name, "Foo, Inc.");
}

TEST(AtParsersTest, ServiceOfGenericCards) {
    const CurrentOperator umts{0, 0, "X", 2};
    struct Case {
        Registration reg;
        const CurrentOperator* op;
        ServiceInfo info;
    };
    const Case cases[] = {
        {{1, 7}, nullptr, Words(2, 9, 0, 0, 1, 1, 2)},
        {{5, -1}, &umts, Words(2, 5, 0, 1, 1, 1, 2)},
        {{1, -1}, nullptr, Words(2, 3, 0, 0, 1, 1, 2)},
        {{1, 3}, nullptr, Words(2, 3, 0, 0, 1, 1, 2)},
        {{2, -1}, nullptr, Words(0, 0, 1, 0, 0, 1, 0)},
        {{3, -1}, nullptr, Words(1, 0, 1, 0, 0, 1, 1)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ServiceFromRegistration(c.reg, c.op), c.info) << c.reg.stat << "/" << c.reg.act;
    }
}

// ---- Network search ---------------------------------------------------------------------

struct ListCase {
    const char* card;
    Lines lines;
    Charset charset;
    std::vector<std::string> rows;
};

std::vector<std::string> Rows(const Lines& lines, Charset charset) {
    std::vector<std::string> rows;
    for (const NetworkEntry& e : ParseNetworkList(lines, charset)) {
        rows.push_back(FormatNetworkEntry(e));
    }
    return rows;
}

TEST(AtParsersTest, NetworkListsOfRealCards) {
    const ListCase cases[] = {
        {"Huawei E1550",
         {R"(+COPS: (2,"T-Mobile","TMO","31026",0),(1,"AT&T","AT&T","310410",0),,(0,1,2,3,4),(0,1,2))"},
         Charset::kIra,
         {R"(2,"T-Mobile","TMO","31026",0)", R"(1,"AT&T","AT&T","310410",0)"}},
        {"Option Quicksilver: empty names, trailing ranges",
         {R"(+COPS: (2,"AT&T","","310410",0),(2,"","","3104100",2),(1,"AT&T","","310260",0),,(0-4),(0-2))"},
         Charset::kIra,
         {R"(2,"AT&T","AT&T","310410",0)", R"(2,"3104100","3104100","3104100",2)",
          R"(1,"AT&T","AT&T","310260",0)"}},
        {"Ericsson F3607gw: technology after the group",
         {R"(+COPS: (2,"T - Mobile","T - Mobile","31026",0),(1,"AT&T","AT&T","310410"),2),(1,"AT&T","AT&T","310410"),0))"},
         Charset::kIra,
         {R"(2,"T - Mobile","T - Mobile","31026",0)", R"(1,"AT&T","AT&T","310410",2)",
          R"(1,"AT&T","AT&T","310410",0)"}},
        {"Nokia N80: no short name, no technology",
         {R"(+COPS: (2,"T - Mobile",,"31026"),(1,"Einstein PCS",,"31064"),,(0,1,3),(0,2))"},
         Charset::kIra,
         {R"(2,"T - Mobile","T - Mobile","31026",0)",
          R"(1,"Einstein PCS","Einstein PCS","31064",0)"}},
        {"Novatel XU870: one line per network",
         {R"(+COPS: (0,"AT&T MicroCell","AT&T MicroCell","310410",2))",
          R"(+COPS: (1,"T-Mobile","TMO","31026",0))"},
         Charset::kIra,
         {R"(0,"AT&T MicroCell","AT&T MicroCell","310410",2)", R"(1,"T-Mobile","TMO","31026",0)"}},
        {"ZTE MF627: trailing comma",
         {R"(+COPS: (2,"AT&T@","AT&TD","310410",0),(3,"Voicestream Wireless Corporation","VSTREAM","31026",0),)"},
         Charset::kIra,
         {R"(2,"AT&T@","AT&TD","310410",0)",
          R"(3,"Voicestream Wireless Corporation","VSTREAM","31026",0)"}},
        {"a comma inside a name, EGPRS and LTE",
         {R"(+COPS: (1,"Foo, Inc.","FOO","00101",3),(2,"Bar","BAR","00102",7))"},
         Charset::kIra,
         {R"(1,"Foo, Inc.","FOO","00101",0)", R"(2,"Bar","BAR","00102",7)"}},
        {"UCS2 names and number",
         {R"(+COPS: (2,"004D0054005300200052005500530053","041C04220421","00320035003000300031",2),,(0-4),(0-2))"},
         Charset::kUcs2,
         {"2,\"MTS RUSS\",\"\xD0\x9C\xD0\xA2\xD0\xA1\",\"25001\",2"}},
        {"vendor noise between the lines",
         {"^RSSI: 14", R"(+COPS: (1,"A1","A1","23201",7))", "^BOOT:12345,0,0,0,75"},
         Charset::kIra,
         {R"(1,"A1","A1","23201",7)"}},
        {"no operators, only ranges", {"+COPS: (0,1,2,3),(1,2,3,4)"}, Charset::kIra, {}},
        {"nothing found", {"+COPS: ,,(0-4),(0-2)"}, Charset::kIra, {}},
        {"cut off in the middle",
         {R"(+COPS: (2,"A","A","00101",2),(1,"B","B)"},
         Charset::kIra,
         {R"(2,"A","A","00101",2)"}},
    };
    for (const ListCase& c : cases) {
        EXPECT_EQ(Rows(c.lines, c.charset), c.rows) << c.card;
    }
}

TEST(AtParsersTest, NetworkRowsFitTheListParser) {
    // The list reads: state before the first comma; after the state and the long name, the
    // next two quoted texts; the system from the last number. Rows must stay that shape.
    NetworkEntry entry;
    entry.stat = 2;
    entry.long_name = "Say \"hi\"\r\n";
    entry.numeric = "00101";
    entry.act = -1;
    EXPECT_EQ(FormatNetworkEntry(entry), R"(2,"Say 'hi'  ","Say 'hi'  ","00101",0)");
    entry = NetworkEntry{};
    entry.numeric = "001";
    EXPECT_GE(FormatNetworkEntry(entry).size(), 12u);
}

// ---- Unsolicited and extension answers --------------------------------------------------

TEST(AtParsersTest, UssdResults) {
    struct Case {
        std::string line;
        std::optional<UssdMessage> message;
    };
    const auto M = [](int m, bool has_text, std::string text, int dcs) {
        return UssdMessage{m, has_text, std::move(text), dcs};
    };
    const Case cases[] = {
        {R"(+CUSD: 0,"Balance 5.00",15)", M(0, true, "Balance 5.00", 15)},
        {R"(+CUSD: 1,"1 Yes, 2 No",15)", M(1, true, "1 Yes, 2 No", 15)},
        {R"(+CUSD:1,"AA180C3602",15)", M(1, true, "AA180C3602", 15)},
        {R"(+CUSD: 0,"0042",72)", M(0, true, "0042", 72)},
        {R"(+CUSD: 0,"text")", M(0, true, "text", -1)},
        {"+CUSD: 2", M(2, false, "", -1)},
        {"+CUSD: 4", M(4, false, "", -1)},
        {"+CUSD: 7", std::nullopt},
        {"+CUSD: x", std::nullopt},
        {"+CUSD:", std::nullopt},
        {"+CMTI: \"SM\",1", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<UssdMessage> parsed = ParseCusd(c.line);
        ASSERT_EQ(parsed.has_value(), c.message.has_value()) << c.line;
        if (parsed) {
            EXPECT_EQ(parsed->status, c.message->status) << c.line;
            EXPECT_EQ(parsed->has_text, c.message->has_text) << c.line;
            EXPECT_EQ(parsed->text, c.message->text) << c.line;
            EXPECT_EQ(parsed->dcs, c.message->dcs) << c.line;
        }
    }
}

TEST(AtParsersTest, ExtensionAnswers) {
    EXPECT_EQ(ParseDdmode({"^DDMODE: 1"}), 1);
    EXPECT_EQ(ParseDdmode({"^DDMODE: "}), std::nullopt);
    EXPECT_EQ(ParseDdind({"^DDIND: 5"}), 5);
    EXPECT_EQ(ParseDdind({"^DDIND: 300"}), std::nullopt);
    EXPECT_EQ(ParseDdssid({R"(^DDSSID: "Home, sweet home")"}), "Home, sweet home");
    EXPECT_EQ(ParseDdssid({"OK"}), std::nullopt);
}

// The card's family from the answers of real cards (ATI, +GCAP, +CGMM and +CGSN as captured in
// public modem projects' tests) and of the simulated card's two kinds.
TEST(AtParsersTest, CardFamilyFromWhatTheCardAnswers) {
    using F = CardFamily;
    struct Case {
        const char* card;
        Lines lines;
        F capabilities;
        F identity;
    };
    const std::vector<Case> cases = {
        {"Huawei EC121 ATI, its list without +GCAP:",
         {"Manufacturer: HUAWEI INCORPORATED", "Model: EC121", "Revision: 11.100.17.00.114",
          "ESN: +GSN:12de4fa6", "+CIS707-A, +MS, +ES, +DS, +FCLASS"},
         F::kCdma,
         F::kCdma},
        {"C-MOTECH CDX-650 ATI",
         {"Model: CDX-650 ", "Esn: 3B0C4B98", "+GCAP: +CIS707A, +MS"},
         F::kCdma,
         F::kCdma},
        {"Huawei E1550 ATI",
         {"Manufacturer: huawei", "Model: E1550", "IMEI: 235012412595195",
          "+GCAP: +CGSM,+FCLASS,+DS"},
         F::kGsm,
         F::kGsm},
        {"Sierra MC7354 ATI (multi-mode)",
         {"Model: MC7354", "MEID: A100003DB252CE", "IMEI: 359225050024702",
          "+GCAP: +CIS707-A, CIS-856, CIS-856-A, +CGSM, +CLTE2, +MS, +ES, +DS, +FCLASS"},
         F::kBoth,
         F::kBoth},
        {"Motorola C-series +CGMM",
         {R"("GSM900","GSM1800","GSM1900","GSM850","MODEL=I250-000")"},
         F::kUnknown,
         F::kGsm},
        {"Option 452 ATI",
         {"Manufacturer: Option N.V.", "Model: GlobeTrotter HSUPA Modem"},
         F::kUnknown,
         F::kGsm},
        {"Novatel XU870 +CGMM", {"DELL XU870 ExpressCard"}, F::kUnknown, F::kUnknown},
        {"simulated CDMA card", {"CardSim CDMA/EV-DO"}, F::kUnknown, F::kCdma},
        {"simulated GSM card", {"CardSim GSM/UMTS"}, F::kUnknown, F::kGsm},
        {"a W in front is another technology", {"Model: WCDMA Stick"}, F::kUnknown, F::kGsm},
        {"nothing", {}, F::kUnknown, F::kUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FamilyOfCapabilities(c.lines), c.capabilities) << c.card;
        EXPECT_EQ(FamilyOfIdentity(c.lines), c.identity) << c.card;
    }
    // Serial numbers: IMEI (Huawei E1550), ESN with and without 0x (LG LX265, C-MOTECH), MEID.
    const std::vector<std::pair<std::string, F>> ids = {{"235012412595195", F::kGsm},
                                                        {"0x9235EB52", F::kCdma},
                                                        {"3B0C4B98", F::kCdma},
                                                        {"A100003DB252CE", F::kCdma},
                                                        {"12812169004", F::kUnknown},
                                                        {"0x235012412595195", F::kUnknown},
                                                        {"", F::kUnknown}};
    for (const auto& [id, family] : ids)
        EXPECT_EQ(FamilyOfHardwareId(id), family) << id;
    EXPECT_EQ(FamilyOfSystemMode(kSystemModeHdr), F::kCdma);
    EXPECT_EQ(FamilyOfSystemMode(kSystemModeLte), F::kGsm);
    EXPECT_EQ(FamilyOfSystemMode(kSystemModeNone), F::kUnknown);
}

}  // namespace
}  // namespace dedevev::at

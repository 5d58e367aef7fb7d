// The pure parsing of AT answers: line classification, the field reader, the line
// assembler, the unsolicited-code rules and the log's text, against answers of real cards.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "device/at/transport/AtChannel.h"
#include "device/at/transport/AtLog.h"
#include "device/at/transport/AtResponse.h"

namespace dedevev::at {
namespace {

struct ClassifyCase {
    std::string line;
    LineKind kind;
    Final final;
    int code;
};

TEST(AtClassifyLine, ResultCodesOfRealCards) {
    const std::vector<ClassifyCase> cases = {
        {"OK", LineKind::kFinal, Final::kOk, -1},
        {"OK ", LineKind::kFinal, Final::kOk, -1},
        {"ERROR", LineKind::kFinal, Final::kError, -1},
        {"COMMAND NOT SUPPORT", LineKind::kFinal, Final::kError, -1},  // Huawei
        {"TOO MANY PARAMETERS", LineKind::kFinal, Final::kError, -1},
        {"+CME ERROR: 10", LineKind::kFinal, Final::kCmeError, 10},
        {"+CME ERROR:16", LineKind::kFinal, Final::kCmeError, 16},
        {"+CME ERROR: SIM not inserted", LineKind::kFinal, Final::kCmeError, 10},
        {"+CME ERROR: incorrect password", LineKind::kFinal, Final::kCmeError, 16},
        {"+CME ERROR: SIM PUK required", LineKind::kFinal, Final::kCmeError, 12},
        {"+CME ERROR: operation not supported", LineKind::kFinal, Final::kCmeError, 4},
        {"+CME ERROR: something vendor-made", LineKind::kFinal, Final::kCmeError, -1},
        {"+CME ERROR", LineKind::kFinal, Final::kCmeError, -1},
        {"+CMS ERROR: 500", LineKind::kFinal, Final::kCmsError, 500},
        {"+CMS ERROR: 321", LineKind::kFinal, Final::kCmsError, 321},
        {"NO CARRIER", LineKind::kFinal, Final::kNoCarrier, -1},
        {"BUSY", LineKind::kFinal, Final::kBusy, -1},
        {"NO ANSWER", LineKind::kFinal, Final::kNoAnswer, -1},
        {"NO DIALTONE", LineKind::kFinal, Final::kNoDialtone, -1},
        {"CONNECT", LineKind::kFinal, Final::kConnect, -1},
        {"CONNECT 115200", LineKind::kFinal, Final::kConnect, -1},
        {"CONNECT115200", LineKind::kFinal, Final::kConnect, -1},
        {">", LineKind::kPrompt, Final::kNotOpen, -1},
        {"> ", LineKind::kPrompt, Final::kNotOpen, -1},
        // Not finals: look-alikes and information lines.
        {"CONNECTED", LineKind::kOther, Final::kNotOpen, -1},
        {"OKAY", LineKind::kOther, Final::kNotOpen, -1},
        {"ERRORS", LineKind::kOther, Final::kNotOpen, -1},
        {"+CME ERRORS: 3", LineKind::kOther, Final::kNotOpen, -1},
        {"+CSQ: 20,99", LineKind::kOther, Final::kNotOpen, -1},
        {"RING", LineKind::kOther, Final::kNotOpen, -1},
        {"^RSSI:17", LineKind::kOther, Final::kNotOpen, -1},
        {"", LineKind::kOther, Final::kNotOpen, -1},
        {"> 0011000B91", LineKind::kOther, Final::kNotOpen, -1},
    };
    for (const ClassifyCase& c : cases) {
        Final final = Final::kNotOpen;
        int code = -1;
        EXPECT_EQ(ClassifyLine(c.line, &final, &code), c.kind) << c.line;
        if (c.kind == LineKind::kFinal) {
            EXPECT_EQ(final, c.final) << c.line;
            EXPECT_EQ(code, c.code) << c.line;
        }
    }
    // Null outputs are allowed.
    EXPECT_EQ(ClassifyLine("+CME ERROR: 3", nullptr, nullptr), LineKind::kFinal);
}

TEST(AtUnsolicitedRules, KnownCodesTwoLineCodesAndImpliedPrefixes) {
    const std::vector<std::pair<std::string, bool>> known = {
        {"RING", true},
        {"+CRING: VOICE", true},
        {"+CLIP: \"+4930123\",145,,,,0", true},
        {"+CMTI: \"SM\",3", true},
        {"+CDSI: \"SR\",1", true},
        {"+CUSD: 0,\"Balance: 5.00\",15", true},
        {"+CREG: 1,\"00A1\",\"1B2C\"", true},
        {"+CGREG: 5", true},
        {"+CEREG: 1", true},
        {"^RSSI:17", true},
        {"^BOOT:20358931,0,0,0,72", true},
        {"^MODE:5,4", true},
        {"^DDSRV: 2,5,0,3,1,1,2", true},
        {"RINGING", false},
        {"+CSQ: 20,99", false},
        {"+CPIN: READY", false},
        {"NO CARRIER", false},
        {"262011234567890", false},
    };
    for (const auto& [line, expected] : known)
        EXPECT_EQ(IsKnownUnsolicited(line), expected) << line;

    const std::vector<std::pair<std::string, bool>> two_line = {
        {"+CMT: ,24", true},
        {"+CMT: \"+4917012345\",,\"24/01/31,12:00:00+04\"", true},
        {"+CBM: 88", true},
        {"+CDS: 25", true},
        {"+CDS: 6,12,\"+4917012345\",145,\"24/01/31,12:00:00+04\",\"24/01/31,12:00:05+04\",0",
         false},
        {"+CMTI: \"SM\",3", false},
        {"RING", false},
    };
    for (const auto& [line, expected] : two_line)
        EXPECT_EQ(IsTwoLineUnsolicited(line), expected) << line;

    const std::vector<std::pair<std::string, std::vector<std::string>>> prefixes = {
        {"AT+CSQ", {"+CSQ:"}},
        {"AT+CREG?", {"+CREG:"}},
        {"AT+COPS=?", {"+COPS:"}},
        {"AT+COPS=3,0;+COPS?", {"+COPS:"}},
        {"AT+CMEE=1;+CREG?;+CGREG?", {"+CREG:", "+CGREG:"}},
        {"at+cgmi", {"+CGMI:"}},
        {"AT^DDSRV?", {"^DDSRV:"}},
        {"AT^SYSINFO", {"^SYSINFO:"}},
        {"AT+CUSD=1,\"*100#\",15", {}},
        {"AT+CPIN=\"1234;+CSQ\"", {}},
        {"ATE0", {}},
        {"ATD*99#", {}},
        {"AT", {}},
        {"", {}},
    };
    for (const auto& [command, expected] : prefixes)
        EXPECT_EQ(AnswerPrefixes(command), expected) << command;

    for (const char* dial : {"ATD*99#", "ATD+4930123;", "ATA", "ATO", "AT+CGDATA=\"PPP\",1"})
        EXPECT_TRUE(IsDialCommand(dial)) << dial;
    for (const char* other : {"AT", "AT+CSQ", "ATE0", "ATH", "AT+CHUP", "AT^DDSRV?"})
        EXPECT_FALSE(IsDialCommand(other)) << other;
}

struct FieldsCase {
    std::string text;
    std::vector<std::string> fields;
};

std::vector<std::string> AllFields(std::string_view text) {
    std::vector<std::string> fields;
    FieldReader reader(text);
    std::string field;
    while (reader.Next(&field))
        fields.push_back(field);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.Next(&field));
    return fields;
}

TEST(AtFieldReader, SplitsFieldsOfRealAnswers) {
    const std::vector<FieldsCase> cases = {
        {"20,99", {"20", "99"}},
        {"\"SM\",3", {"SM", "3"}},
        // +CUSD with a comma inside the text.
        {"0,\"Your balance is 10.00 EUR, valid till 31.12.\",15",
         {"0", "Your balance is 10.00 EUR, valid till 31.12.", "15"}},
        // +CMGL text-mode header: an empty alpha field, a time stamp with a comma.
        {"1,\"REC READ\",\"+4917012345\",,\"24/01/31,12:00:00+04\"",
         {"1", "REC READ", "+4917012345", "", "24/01/31,12:00:00+04"}},
        // Huawei ^SYSINFO with an empty field.
        {"2,3,0,5,1,,4", {"2", "3", "0", "5", "1", "", "4"}},
        // +CPBR with UCS2 hex text.
        {"1,\"+4917012345\",145,\"004D0075006D\"", {"1", "+4917012345", "145", "004D0075006D"}},
        {"1,", {"1", ""}},
        {",", {"", ""}},
        {"", {}},
        {"   ", {}},
        {"\"\",\"\"", {"", ""}},
        {"\"say \\\"hi\\\"\",2", {"say \"hi\"", "2"}},
        {"\"say \"\"hi\"\"\",2", {"say \"hi\"", "2"}},
        {"\"back\\\\slash\"", {"back\\slash"}},
        {"READY", {"READY"}},
        {"SIM PIN", {"SIM PIN"}},
        {" 1 , 2 ", {"1", "2"}},
        {"\"unterminated,1", {"unterminated,1"}},
        {"\"abc\"junk,2", {"abc", "2"}},
        {"(0-4),(0-2)", {"(0-4)", "(0-2)"}},
        {"(1,\"a,b\"),3", {"(1,\"a,b\")", "3"}},
    };
    for (const FieldsCase& c : cases)
        EXPECT_EQ(AllFields(c.text), c.fields) << c.text;
}

TEST(AtFieldReader, NumbersQuotesAndPeeking) {
    const std::vector<std::pair<std::string, int>> good = {
        {"20", 20}, {"0x1F", 31}, {"0X10", 16}, {"-5", -5}, {"+7", 7}, {"\"7\"", 7}, {" 12 ", 12},
    };
    for (const auto& [text, expected] : good) {
        FieldReader reader(text);
        int value = 0;
        EXPECT_TRUE(reader.NextInt(&value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* bad : {"abc", "12a", "99999999999", "0x", "\"\""}) {
        FieldReader reader(bad);
        int value = 42;
        EXPECT_FALSE(reader.NextInt(&value)) << bad;
        EXPECT_EQ(value, 42) << bad;
    }
    // A bad number is consumed: the next field follows.
    FieldReader mixed("x,5,,7");
    int value = 0;
    EXPECT_FALSE(mixed.NextInt(&value));
    EXPECT_TRUE(mixed.NextInt(&value));
    EXPECT_EQ(value, 5);
    EXPECT_FALSE(mixed.NextInt(&value));  // the empty field
    EXPECT_TRUE(mixed.NextInt(&value));
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(mixed.NextInt(&value));

    // +CREG: 2,1,"00A1","1B2C",7 -- location area and cell in hex.
    FieldReader creg("2,1,\"00A1\",\"1B2C\",7");
    std::uint32_t lac = 0, cell = 0;
    ASSERT_TRUE(creg.Skip());
    ASSERT_TRUE(creg.Skip());
    EXPECT_TRUE(creg.NextIsQuoted());
    ASSERT_TRUE(creg.NextHex(&lac));
    ASSERT_TRUE(creg.NextHex(&cell));
    EXPECT_EQ(lac, 0xA1u);
    EXPECT_EQ(cell, 0x1B2Cu);
    EXPECT_FALSE(creg.NextIsQuoted());
    ASSERT_TRUE(creg.NextInt(&value));
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(creg.NextIsQuoted());
    std::uint32_t hex = 0;
    FieldReader bad_hex("xyz,0xff");
    EXPECT_FALSE(bad_hex.NextHex(&hex));
    EXPECT_TRUE(bad_hex.NextHex(&hex));
    EXPECT_EQ(hex, 0xFFu);
}

TEST(AtFieldReader, ReadsTheNetworkListWithItsGroups) {
    // +COPS=? of a real card: quoted commas and parentheses in names, an empty field between
    // the networks and the supported modes.
    const std::string list =
        "(2,\"Operator A\",\"OpA\",\"26201\",2),(1,\"Op, B\",\"B\",\"26202\",0),"
        "(3,\"Op (C)\",\"C\",\"26203\",7),,(0,1,3,4),(0-2)";
    FieldReader reader(list);
    struct Network {
        int stat;
        std::string long_name, short_name, numeric;
        int act;
    };
    std::vector<Network> networks;
    std::string group;
    while (reader.NextGroup(&group)) {
        FieldReader fields(group);
        Network network{};
        ASSERT_TRUE(fields.NextInt(&network.stat)) << group;
        ASSERT_TRUE(fields.Next(&network.long_name));
        ASSERT_TRUE(fields.Next(&network.short_name));
        ASSERT_TRUE(fields.Next(&network.numeric));
        ASSERT_TRUE(fields.NextInt(&network.act));
        EXPECT_TRUE(fields.AtEnd());
        networks.push_back(network);
    }
    ASSERT_EQ(networks.size(), 3u);
    EXPECT_EQ(networks[0].long_name, "Operator A");
    EXPECT_EQ(networks[1].long_name, "Op, B");
    EXPECT_EQ(networks[1].act, 0);
    EXPECT_EQ(networks[2].long_name, "Op (C)");
    EXPECT_EQ(networks[2].numeric, "26203");
    // NextGroup stopped at the empty field without taking it.
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_FALSE(reader.NextGroup(&group));
    ASSERT_TRUE(reader.Skip());
    ASSERT_TRUE(reader.NextGroup(&group));
    EXPECT_EQ(group, "0,1,3,4");
    ASSERT_TRUE(reader.NextGroup(&group));
    EXPECT_EQ(group, "0-2");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.NextGroup(&group));
}

TEST(AtResponseValue, FindsPrefixedLines) {
    Response response;
    response.lines = {"+CPBR: 1,\"+4930\",145,\"A\"", "^RSSI:17", "+CPBR: 2,\"+4940\",145,\"B\"",
                      "+CSQ:20,99"};
    EXPECT_EQ(response.Value("+CPBR:"), "1,\"+4930\",145,\"A\"");
    EXPECT_EQ(response.Values("+CPBR:"),
              (std::vector<std::string>{"1,\"+4930\",145,\"A\"", "2,\"+4940\",145,\"B\""}));
    EXPECT_EQ(response.Value("+CSQ:"), "20,99");  // no blank after the colon
    EXPECT_EQ(response.Value("^RSSI:"), "17");
    EXPECT_EQ(response.Value("+CMGS:"), "");
    EXPECT_TRUE(response.Values("+CMGS:").empty());
}

TEST(AtLineAssembler, CutsLinesPromptsAndNoise) {
    struct Case {
        std::vector<std::string> chunks;
        std::vector<std::pair<LineKind, std::string>> items;
    };
    const std::vector<Case> cases = {
        {{"\r\n+CS", "Q: 20,99\r", "\n\r\nOK\r\n"},
         {{LineKind::kOther, "+CSQ: 20,99"}, {LineKind::kOther, "OK"}}},
        {{"AT+CMGS=23\r", "\r\n> "}, {{LineKind::kOther, "AT+CMGS=23"}, {LineKind::kPrompt, "> "}}},
        {{"\r\n>", " "}, {{LineKind::kPrompt, "> "}}},
        {{"> 0011000B91\x1a\r\n"}, {{LineKind::kPrompt, "> "}, {LineKind::kOther, "0011000B91"}}},
        {{std::string("\0\0OK\r\n", 6)}, {{LineKind::kOther, "OK"}}},
        {{"OK\n", "ERROR\n"}, {{LineKind::kOther, "OK"}, {LineKind::kOther, "ERROR"}}},
        {{"a>b\r\n", "  padded  \r\n"}, {{LineKind::kOther, "a>b"}, {LineKind::kOther, "padded"}}},
        {{"\x01\x02\x7f\r\n\r\n"}, {}},
        {{"no end yet"}, {}},
    };
    for (const Case& c : cases) {
        LineAssembler assembler;
        std::vector<LineAssembler::Item> items;
        for (const std::string& chunk : c.chunks)
            assembler.Feed(chunk, &items);
        std::vector<std::pair<LineKind, std::string>> got;
        for (const auto& item : items)
            got.emplace_back(item.kind, item.text);
        EXPECT_EQ(got, c.items) << c.chunks.front();
    }
    // An endless line is cut rather than grown without bound.
    LineAssembler assembler;
    std::vector<LineAssembler::Item> items;
    assembler.Feed(std::string(LineAssembler::kMaxLine * 2 + 10, 'x'), &items);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text.size(), LineAssembler::kMaxLine);
}

TEST(AtLogText, StampsLinesAndHidesSecrets) {
    using namespace std::chrono;
    const auto when =
        local_days{year{2024} / 3 / 5} + hours{7} + minutes{4} + seconds{9} + milliseconds{8};
    EXPECT_EQ(FormatLogLine(when, '>', "AT+CSQ"), "2024-03-05 07:04:09.008 > AT+CSQ\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"AT+CSQ", "AT+CSQ"},
        {"AT+CPIN=\"1234\"", "AT+CPIN=\"****\""},
        {"AT+CPIN=\"12345678\",\"4321\"", "AT+CPIN=\"****\",\"****\""},
        {"at+clck=\"SC\",1,\"1234\"", "at+clck=\"SC\",1,\"****\""},
        {"AT+CPWD=\"SC\",\"1111\",\"2222\"", "AT+CPWD=\"SC\",\"****\",\"****\""},
        {"AT+CUSD=1,\"*100#\",15", "AT+CUSD=1,\"*100#\",15"},
        {"+CPBR: 1,\"1234\",129,\"A\"", "+CPBR: 1,\"1234\",129,\"A\""},
        {"0011\x1a", "0011\\x1A"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LogSafeText(text), expected) << text;
}

TEST(AtDescribe, NamesEveryOutcome) {
    Response response;
    response.final = Final::kCmeError;
    response.error_code = 10;
    EXPECT_EQ(Describe(response), "+CME ERROR: 10");
    response.final_line = "+CME ERROR: SIM not inserted";
    EXPECT_EQ(Describe(response), "+CME ERROR: SIM not inserted");
    response = Response();
    response.final = Final::kTimeout;
    EXPECT_EQ(Describe(response), "timeout");
    response.final = Final::kIoError;
    EXPECT_EQ(Describe(response), "port failed");
    response.final = Final::kOk;
    EXPECT_EQ(Describe(response), "OK");
}

}  // namespace
}  // namespace dedevev::at

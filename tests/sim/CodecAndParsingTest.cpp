// The card's text codecs and the splitting of command lines and arguments.

#include <gtest/gtest.h>

#include <vector>

#include "sim/CommandTable.h"
#include "sim/ControlProtocol.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {
namespace {

TEST(SimTextCoding, PackedGsm7KnownVectors) {
    struct Case {
        std::u16string text;
        std::string hex;
    };
    const Case cases[] = {
        {u"hellohello", "E8329BFD4697D9EC37"},  // the example of TS 23.038
        {u"*100#", "AA180C3602"},
        {u"*123#", "AA986C3602"},
        {u"1", "31"},
    };
    for (const Case& c : cases) {
        std::string hex;
        ASSERT_TRUE(ToPackedGsm7Hex(c.text, &hex));
        EXPECT_EQ(hex, c.hex);
        std::u16string back;
        ASSERT_TRUE(FromPackedGsm7Hex(c.hex, &back));
        EXPECT_EQ(back, c.text);
    }
}

TEST(SimTextCoding, SevenSeptetsAreFilledWithCarriageReturn) {
    std::string hex;
    ASSERT_TRUE(ToPackedGsm7Hex(u"1234567", &hex));
    // Seven septets leave 7 bits of the seventh octet free: a CR (0x0D << 1) fills them, not
    // an '@' that the far end would show.
    ASSERT_EQ(hex.size(), 14u);
    EXPECT_EQ(hex.substr(12), "1A");
    std::u16string back;
    ASSERT_TRUE(FromPackedGsm7Hex(hex, &back));
    EXPECT_EQ(back, u"1234567");
}

TEST(SimTextCoding, RejectsMalformedHex) {
    std::u16string text;
    for (const char* bad : {"ABC", "GG", "00 41"})
        EXPECT_FALSE(FromPackedGsm7Hex(bad, &text)) << bad;
    for (const char* bad : {"004", "00410", "00G1", "zz00"})
        EXPECT_FALSE(FromUcs2Hex(bad, &text)) << bad;
}

TEST(SimTextCoding, Gsm7AlphabetAndExtension) {
    struct Case {
        std::u16string text;
        std::vector<std::uint8_t> septets;
    };
    const Case cases[] = {
        {u"@", {0x00}},
        {u"\u0394", {0x10}},
        {u"\u20AC", {0x1B, 0x65}},
        {u"[x]", {0x1B, 0x3C, 0x78, 0x1B, 0x3E}},
        {u"\u00E0", {0x7F}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> septets;
        ASSERT_TRUE(ToGsm7Septets(c.text, &septets));
        EXPECT_EQ(septets, c.septets);
        EXPECT_EQ(FromGsm7Septets(septets), c.text);
    }
    EXPECT_FALSE(IsGsm7Text(u"\u0416"));  // Cyrillic Zhe has no GSM code
    EXPECT_FALSE(IsGsm7Text(u"\u20BD"));
    EXPECT_TRUE(IsGsm7Text(u"Your balance is 12.50"));
}

TEST(SimTextCoding, Ucs2HexAndUtf8) {
    EXPECT_EQ(ToUcs2Hex(u"*123#"), "002A0031003200330023");
    EXPECT_EQ(ToUcs2Hex(u"\u20AC"), "20AC");
    EXPECT_EQ(ToUcs2Hex(Utf8ToUtf16("\xF0\x9F\x98\x80")), "D83DDE00");  // outside the BMP
    std::u16string text;
    ASSERT_TRUE(FromUcs2Hex("0411002000e9", &text));
    EXPECT_EQ(text, u"\u0411 \u00E9");
    const std::string mixed = "\xD0\x91\xD0\xB0 \xE2\x82\xBD \xF0\x9F\x98\x80";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(mixed)), mixed);
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong NUL
}

TEST(SimCommandLine, SplitsIntoCalls) {
    struct Expected {
        std::string name;
        Form form;
        std::string args;
    };
    struct Case {
        std::string body;
        std::vector<Expected> calls;
    };
    const Case cases[] = {
        {"", {}},
        {"+CSQ", {{"+CSQ", Form::kExec, ""}}},
        {"+cscs=?", {{"+CSCS", Form::kTest, ""}}},
        {"^DDSRV?", {{"^DDSRV", Form::kQuery, ""}}},
        {"+COPS=3,0;+COPS?", {{"+COPS", Form::kSet, "3,0"}, {"+COPS", Form::kQuery, ""}}},
        {"E0V1", {{"E", Form::kSet, "0"}, {"V", Form::kSet, "1"}}},
        {"I", {{"I", Form::kExec, ""}}},
        {"+CUSD=1,\"*1;23#\",15", {{"+CUSD", Form::kSet, "1,\"*1;23#\",15"}}},
        {"D*99#", {{"D", Form::kSet, "*99#"}}},
        {"DT0123;", {{"D", Form::kSet, "T0123;"}}},
        {"&F", {{"&F", Form::kExec, ""}}},
        {"S0=0", {{"S0", Form::kSet, "0"}}},
        {"S7?", {{"S7", Form::kQuery, ""}}},
        {"$TSSPCSW=?", {{"$TSSPCSW", Form::kTest, ""}}},
        {"E1 +CMEE=1", {{"E", Form::kSet, "1"}, {"+CMEE", Form::kSet, "1"}}},
    };
    for (const Case& c : cases) {
        std::vector<Call> calls;
        ASSERT_TRUE(SplitCommandLine(c.body, &calls)) << c.body;
        ASSERT_EQ(calls.size(), c.calls.size()) << c.body;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].name, c.calls[i].name) << c.body;
            EXPECT_EQ(calls[i].form, c.calls[i].form) << c.body;
            EXPECT_EQ(calls[i].args, c.calls[i].args) << c.body;
        }
    }
    std::vector<Call> calls;
    for (const char* bad : {"=5", "+", "S", "S=1", "&", "!x"})
        EXPECT_FALSE(SplitCommandLine(bad, &calls)) << bad;
}

TEST(SimCommandLine, SplitsArguments) {
    struct Case {
        std::string args;
        std::vector<Arg> expected;
    };
    const Case cases[] = {
        {"", {}},
        {"1,\"*123#\",15", {{"1", false, true}, {"*123#", true, true}, {"15", false, true}}},
        {"\"a,b\",,3", {{"a,b", true, true}, {"", false, false}, {"3", false, true}}},
        {"\"say \\\"hi\\\"\"", {{"say \"hi\"", true, true}}},
        {"(1,2), 3", {{"(1,2)", false, true}, {"3", false, true}}},
        {"\"\"", {{"", true, true}}},
    };
    for (const Case& c : cases) {
        const std::vector<Arg> args = SplitArgs(c.args);
        ASSERT_EQ(args.size(), c.expected.size()) << c.args;
        for (std::size_t i = 0; i < args.size(); ++i) {
            EXPECT_EQ(args[i].text, c.expected[i].text) << c.args;
            EXPECT_EQ(args[i].quoted, c.expected[i].quoted) << c.args;
            EXPECT_EQ(args[i].present, c.expected[i].present) << c.args;
        }
    }
    int value = 0;
    const std::vector<Arg> mixed = SplitArgs("7,\"8\",x,");
    EXPECT_TRUE(ArgInt(mixed, 0, &value));
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(ArgInt(mixed, 1, &value));  // quoted
    EXPECT_FALSE(ArgInt(mixed, 2, &value));  // not a number
    EXPECT_FALSE(ArgInt(mixed, 3, &value));  // empty
    EXPECT_FALSE(ArgInt(mixed, 9, &value));  // missing
}

TEST(SimControlProtocol, WordsAndQuoting) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"signal 17", {"signal", "17"}},
        {"  operator   \"My Net\"  ", {"operator", "My Net"}},
        {"urc \"+CMTI: \\\"SM\\\",3\" inside", {"urc", "+CMTI: \"SM\",3", "inside"}},
        {"ssid \"\"", {"ssid", ""}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::string error;
        ASSERT_TRUE(SplitControlLine(c.line, &words, &error)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
        // Joining and splitting again gives the same words.
        std::vector<std::string> again;
        ASSERT_TRUE(SplitControlLine(JoinWords(words), &again, &error));
        EXPECT_EQ(again, c.words);
    }
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitControlLine("operator \"open", &words, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(QuoteWord("a\nb"), "\"a\\nb\"");  // a line break cannot end the control line
}

}  // namespace
}  // namespace dedevev::sim

// The phonebook answer parsers against answers of the shapes real cards give.
#include "device/at/parsers/PhonebookParsers.h"

#include <gtest/gtest.h>

#include <ostream>

namespace dedevev::at {
namespace {

struct CpbrCase {
    const char* name;
    std::string line;
    Charset charset;
    PhonebookEntry expected;
};

// Named by the answer line in failure messages.
void PrintTo(const CpbrCase& c, std::ostream* os) {
    *os << c.line;
}

class CpbrLine : public ::testing::TestWithParam<CpbrCase> {};

TEST_P(CpbrLine, ParsesOneEntry) {
    const CpbrCase& c = GetParam();
    const std::vector<PhonebookEntry> entries = ParseCpbrListing({c.line}, c.charset);
    ASSERT_EQ(entries.size(), 1u) << c.line;
    EXPECT_EQ(entries[0].index, c.expected.index);
    EXPECT_EQ(entries[0].number, c.expected.number);
    EXPECT_EQ(entries[0].type, c.expected.type);
    EXPECT_EQ(entries[0].text, c.expected.text);
}

INSTANTIATE_TEST_SUITE_P(
    RealAnswers, CpbrLine,
    ::testing::Values(
        CpbrCase{"plain",
                 "+CPBR: 1,\"0812345678\",129,\"Ann\"",
                 Charset::kIra,
                 {1, "0812345678", 129, "Ann"}},
        CpbrCase{"international",
                 "+CPBR: 12,\"+6281234\",145,\"Budi\"",
                 Charset::kIra,
                 {12, "+6281234", 145, "Budi"}},
        CpbrCase{"plus left out by the card",
                 "+CPBR: 3,\"6281234\",145,\"B\"",
                 Charset::kIra,
                 {3, "+6281234", 145, "B"}},
        CpbrCase{"ucs2 name",
                 "+CPBR: 2,\"112\",129,\"004D0061006D0061\"",
                 Charset::kUcs2,
                 {2, "112", 129, "Mama"}},
        CpbrCase{"ucs2 cyrillic name",
                 "+CPBR: 5,\"123\",129,\"041C0430043C0430\"",
                 Charset::kUcs2,
                 {5, "123", 129, "Мама"}},
        CpbrCase{"ucs2 number",
                 "+CPBR: 7,\"002B0036003200380031\",145,\"0041\"",
                 Charset::kUcs2,
                 {7, "+6281", 145, "A"}},
        CpbrCase{"ucs2 number with star and hash",
                 "+CPBR: 8,\"002A0031002300320033\",129,\"\"",
                 Charset::kUcs2,
                 {8, "*1#23", 129, ""}},
        CpbrCase{"digits that only look like ucs2 in IRA",
                 "+CPBR: 9,\"00310032\",129,\"X\"",
                 Charset::kIra,
                 {9, "00310032", 129, "X"}},
        CpbrCase{"ucs2 number given in IRA mode",
                 "+CPBR: 9,\"002B0031\",145,\"X\"",
                 Charset::kIra,
                 {9, "+1", 145, "X"}},
        CpbrCase{
            "empty name", "+CPBR: 4,\"5551234\",129,\"\"", Charset::kIra, {4, "5551234", 129, ""}},
        CpbrCase{"name missing entirely",
                 "+CPBR: 4,\"5551234\",129",
                 Charset::kIra,
                 {4, "5551234", 129, ""}},
        CpbrCase{"quoted comma",
                 "+CPBR: 6,\"777\",129,\"Smith, John\"",
                 Charset::kIra,
                 {6, "777", 129, "Smith, John"}},
        CpbrCase{"extended trailing fields",
                 "+CPBR: 10,\"888\",129,\"Office\",0,\"\",0",
                 Charset::kIra,
                 {10, "888", 129, "Office"}},
        CpbrCase{"vendor spacing",
                 "+CPBR:  11 , \"999\" , 129 , \"Spaced\"",
                 Charset::kIra,
                 {11, "999", 129, "Spaced"}},
        CpbrCase{"no blank after the colon",
                 "+CPBR:13,\"1\",129,\"N\"",
                 Charset::kIra,
                 {13, "1", 129, "N"}},
        CpbrCase{
            "lower-case prefix", "+cpbr: 14,\"2\",129,\"n\"", Charset::kIra, {14, "2", 129, "n"}},
        CpbrCase{"empty number",
                 "+CPBR: 15,\"\",129,\"Nobody\"",
                 Charset::kIra,
                 {15, "", 129, "Nobody"}}),
    [](const ::testing::TestParamInfo<CpbrCase>& info) {
        std::string name;
        for (const char* p = info.param.name; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(PhonebookParsers, ListingSkipsWhatDoesNotFitAndKeepsOrder) {
    const Lines lines = {
        "+CPBR: 3,\"333\",129,\"C\"",
        "+CPBR: x,\"1\",129,\"bad index\"",
        "+CPBR: 4",                          // too few fields
        "+CPBR: 5,\"55\",abc,\"bad type\"",  // type not a number
        "some vendor noise",
        "+CPBR: 1,\"111\",129,\"A\"",
        "+CPBR: 3,\"999\",129,\"again\"",  // repeated index keeps the first
    };
    const std::vector<PhonebookEntry> entries = ParseCpbrListing(lines, Charset::kIra);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (PhonebookEntry{3, "333", 129, "C"}));
    EXPECT_EQ(entries[1], (PhonebookEntry{1, "111", 129, "A"}));
    EXPECT_TRUE(ParseCpbrListing({}, Charset::kUcs2).empty());
}

TEST(PhonebookParsers, RangeAndLengths) {
    struct Case {
        std::string line;
        int first, last, nlength, tlength;
    };
    const Case cases[] = {
        {"+CPBR: (1-250),40,18", 1, 250, 40, 18},   {"+CPBR: (001-100),20,14", 1, 100, 20, 14},
        {"+CPBR: (1-5),40,18,0,0,0", 1, 5, 40, 18},  // vendors add more lengths
        {"+CPBR: (1-100)", 1, 100, -1, -1},         {"+CPBR: ( 1 - 30 ) , 32 , 16", 1, 30, 32, 16},
        {"+CPBR: 1-10,20,10", 1, 10, 20, 10},  // without parentheses
    };
    for (const Case& c : cases) {
        const std::optional<PhonebookRange> range = ParseCpbrRange({c.line});
        ASSERT_TRUE(range) << c.line;
        EXPECT_EQ(range->first, c.first) << c.line;
        EXPECT_EQ(range->last, c.last) << c.line;
        EXPECT_EQ(range->number_length, c.nlength) << c.line;
        EXPECT_EQ(range->text_length, c.tlength) << c.line;
        EXPECT_EQ(range->Capacity(), c.last - c.first + 1);
    }
    for (const char* bad : {"+CPBR: (10-1),40,18", "+CPBR: (a-b),1,1", "+CPBR:", "OK"})
        EXPECT_FALSE(ParseCpbrRange({bad})) << bad;
}

TEST(PhonebookParsers, StorageCounts) {
    std::optional<PhonebookCounts> counts = ParseCpbsCounts({"+CPBS: \"SM\",12,250"});
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->storage, "SM");
    EXPECT_EQ(counts->used, 12);
    EXPECT_EQ(counts->total, 250);

    counts = ParseCpbsCounts({"+CPBS: \"me\""});  // a card that gives no counts
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->storage, "ME");
    EXPECT_EQ(counts->used, -1);
    EXPECT_EQ(counts->total, -1);

    EXPECT_FALSE(ParseCpbsCounts({"+CPBS: (\"ME\",\"SM\",\"EN\")"}));  // the =? answer
    EXPECT_FALSE(ParseCpbsCounts({"OK"}));
}

TEST(PhonebookParsers, WriteIndex) {
    EXPECT_EQ(ParseCpbwIndex({"+CPBW: 17"}), 17);
    EXPECT_EQ(ParseCpbwIndex({"noise", "+CPBW:3"}), 3);
    EXPECT_FALSE(ParseCpbwIndex({"+CPBW: x"}));
    EXPECT_FALSE(ParseCpbwIndex({}));
}

TEST(PhonebookParsers, NumbersThatMayBeWritten) {
    for (const char* good : {"112", "+6281234", "*123#", "#31#0812"})
        EXPECT_TRUE(IsDialString(good)) << good;
    for (const char* bad : {"", "+", "12+3", "08-123", "0812 345", "++1", "12\"3", "abc"})
        EXPECT_FALSE(IsDialString(bad)) << bad;
}

}  // namespace
}  // namespace dedevev::at

// Cutting texts into message parts: the room of each alphabet, and never cutting a
// character in two.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {
namespace {

std::u16string Repeat(const std::u16string& piece, int times) {
    std::u16string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

struct PlanCase {
    const char* name;
    SmsFamily family;
    std::u16string text;
    bool force_ucs2;
    Alphabet alphabet;
    std::vector<std::size_t> part_lengths;  // in UTF-16 code units
};

TEST(SmsPlanTest, SplitsAtTheRoomOfEachAlphabet) {
    const std::u16string euro = u"\u20AC";
    const std::u16string zh = u"\u4E2D";
    const std::u16string emoji = u"\U0001F600";
    const PlanCase cases[] = {
        {"empty", SmsFamily::kGsm, u"", false, Alphabet::kGsm7, {0}},
        {"160 septets", SmsFamily::kGsm, Repeat(u"a", 160), false, Alphabet::kGsm7, {160}},
        {"161 septets", SmsFamily::kGsm, Repeat(u"a", 161), false, Alphabet::kGsm7, {153, 8}},
        {"306 septets", SmsFamily::kGsm, Repeat(u"a", 306), false, Alphabet::kGsm7, {153, 153}},
        {"80 extension characters",
         SmsFamily::kGsm,
         Repeat(euro, 80),
         false,
         Alphabet::kGsm7,
         {80}},
        {"81 extension characters",
         SmsFamily::kGsm,
         Repeat(euro, 81),
         false,
         Alphabet::kGsm7,
         {76, 5}},
        {"extension character at the cut",
         SmsFamily::kGsm,
         Repeat(u"a", 152) + euro + Repeat(u"b", 10),
         false,
         Alphabet::kGsm7,
         {152, 11}},
        {"159 plus an extension character",
         SmsFamily::kGsm,
         Repeat(u"a", 159) + euro,
         false,
         Alphabet::kGsm7,
         {153, 7}},
        {"forced UCS2", SmsFamily::kGsm, u"Hello", true, Alphabet::kUcs2, {5}},
        {"70 UCS2", SmsFamily::kGsm, Repeat(zh, 70), false, Alphabet::kUcs2, {70}},
        {"71 UCS2", SmsFamily::kGsm, Repeat(zh, 71), false, Alphabet::kUcs2, {67, 4}},
        {"one non-GSM character makes it UCS2",
         SmsFamily::kGsm,
         Repeat(u"a", 100) + zh,
         false,
         Alphabet::kUcs2,
         {67, 34}},
        {"pair fits whole", SmsFamily::kGsm, Repeat(zh, 68) + emoji, false, Alphabet::kUcs2, {70}},
        {"pair at the cut",
         SmsFamily::kGsm,
         Repeat(zh, 66) + emoji + Repeat(zh, 5),
         false,
         Alphabet::kUcs2,
         {66, 7}},
        {"CDMA 160 ASCII", SmsFamily::kCdma, Repeat(u"a", 160), false, Alphabet::kAscii7, {160}},
        {"CDMA 161 ASCII", SmsFamily::kCdma, Repeat(u"a", 161), false, Alphabet::kAscii7, {152, 9}},
        {"CDMA braces are plain ASCII",
         SmsFamily::kCdma,
         Repeat(u"{", 160),
         false,
         Alphabet::kAscii7,
         {160}},
        {"CDMA Latin letter is Unicode",
         SmsFamily::kCdma,
         u"caf\u00E9",
         false,
         Alphabet::kUcs2,
         {4}},
        {"CDMA 71 Unicode", SmsFamily::kCdma, Repeat(zh, 71), false, Alphabet::kUcs2, {66, 5}},
        {"CDMA pair at the cut",
         SmsFamily::kCdma,
         Repeat(zh, 65) + emoji + Repeat(zh, 4),
         false,
         Alphabet::kUcs2,
         {65, 6}},
        {"CDMA forced Unicode", SmsFamily::kCdma, u"abc", true, Alphabet::kUcs2, {3}},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const SmsPlan plan = PlanSms(c.family, c.text, c.force_ucs2);
        EXPECT_EQ(plan.alphabet, c.alphabet);
        std::vector<std::size_t> lengths;
        std::u16string joined;
        for (const std::u16string& part : plan.parts) {
            lengths.push_back(part.size());
            joined += part;
        }
        EXPECT_EQ(lengths, c.part_lengths);
        EXPECT_EQ(joined, c.text);
    }
}

// Every part the planner makes must be accepted by the coder as one part of a long message
// with an 8-bit reference, and no part may end in half a surrogate pair.
TEST(SmsPlanTest, GsmPartsFitTheCoder) {
    const std::u16string texts[] = {
        Repeat(u"Hello [world] ", 40),
        Repeat(u"x\u20AC", 200),
        Repeat(u"\u4E2D\U0001F600", 90),
        Repeat(u"ab\U0001F44D", 120),
    };
    for (const std::u16string& text : texts) {
        const SmsPlan plan = PlanSms(SmsFamily::kGsm, text, false);
        ASSERT_GT(plan.parts.size(), 1u);
        const int total = static_cast<int>(plan.parts.size());
        for (int i = 0; i < total; ++i) {
            const std::u16string& part = plan.parts[static_cast<std::size_t>(i)];
            ASSERT_FALSE(part.empty());
            const char16_t last = part.back();
            EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF) << i;
            SmsSendOptions options;
            options.concat = {42, total, i + 1, false};
            options.force_ucs2 = plan.alphabet == Alphabet::kUcs2;
            int length = 0;
            EXPECT_FALSE(EncodeGsmSubmit(u"+15551234567", part, options, &length).empty()) << i;
        }
    }
}

}  // namespace
}  // namespace dedevev::at

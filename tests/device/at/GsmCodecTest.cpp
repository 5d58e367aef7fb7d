// The GSM 7-bit alphabet, septet packing, hex and UCS2 hex, and the DCS alphabets.

#include "device/at/pdu/GsmCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dedevev::at {
namespace {

using Septets = std::vector<std::uint8_t>;

struct Gsm7Case {
    std::u16string text;
    std::size_t septets;  // extension characters count twice
};

TEST(GsmCodecTest, Gsm7RoundTripsAndCountsExtensionCharactersTwice) {
    const Gsm7Case cases[] = {
        {u"Hello", 5},
        {u"\u20AC", 2},  // €
        {u"[x]", 5},
        {u"a{b}c\\d~e^f|", 18},
        {u"@\u00A3$\u00A5\u00E8\u00E9\u00F9\u00EC\u00F2\u00C7\n\u00D8\u00F8\r\u00C5\u00E5", 16},
        {u"\u0394_\u03A6\u0393\u039B\u03A9\u03A0\u03A8\u03A3\u0398\u039E", 11},
        {u"\u00C6\u00E6\u00DF\u00C9 !\"#\u00A4%&'()*+,-./", 20},
        {u"\u00A1\u00C4\u00D6\u00D1\u00DC\u00A7\u00BF\u00E4\u00F6\u00F1\u00FC\u00E0", 12},
        {u"\f", 2},
        {u"", 0},
    };
    for (const Gsm7Case& c : cases) {
        Septets septets;
        ASSERT_TRUE(ToGsm7(c.text, &septets));
        EXPECT_EQ(septets.size(), c.septets);
        EXPECT_EQ(FromGsm7(septets), c.text);
        EXPECT_TRUE(IsGsm7(c.text));
    }
}

TEST(GsmCodecTest, KnownSeptetValues) {
    Septets septets;
    ASSERT_TRUE(ToGsm7(u"@A\u20AC ", &septets));
    EXPECT_EQ(septets, (Septets{0x00, 0x41, 0x1B, 0x65, 0x20}));
    ASSERT_TRUE(ToGsm7(u"[", &septets));
    EXPECT_EQ(septets, (Septets{0x1B, 0x3C}));
}

TEST(GsmCodecTest, CharactersOutsideTheAlphabetAreRefused) {
    for (const std::u16string text : {u"\u4E2D", u"a\u0416", u"`", u"\U0001F600"}) {
        Septets septets;
        EXPECT_FALSE(ToGsm7(text, &septets));
        EXPECT_FALSE(IsGsm7(text));
    }
}

TEST(GsmCodecTest, EscapesThatMeanNothing) {
    // An unknown escape shows the default character, a double escape and a lone escape at
    // the end show a space.
    EXPECT_EQ(FromGsm7({0x1B, 0x41}), u"A");
    EXPECT_EQ(FromGsm7({0x1B, 0x1B, 0x42}), u" B");
    EXPECT_EQ(FromGsm7({0x41, 0x1B}), u"A ");
    EXPECT_EQ(FromGsm7({0xC1}), u"A");  // the eighth bit is not part of a septet
}

struct PackedCase {
    std::u16string text;
    std::string hex;
};

TEST(GsmCodecTest, PackedHexKnownVectors) {
    const PackedCase cases[] = {
        {u"hellohello", "E8329BFD4697D9EC37"},
        {u"*100#", "AA180C3602"},
        {u"Balance: 10.00", "C2303BEC1E9775A018CC058301"},
        // Seven characters leave seven spare bits: a CR fills them.
        {u"1234567", "31D98C56B3DD1A"},
    };
    for (const PackedCase& c : cases) {
        std::string hex;
        ASSERT_TRUE(EncodePackedGsm7Hex(c.text, &hex));
        EXPECT_EQ(hex, c.hex);
        std::u16string text;
        ASSERT_TRUE(DecodePackedGsm7Hex(c.hex, &text));
        EXPECT_EQ(text, c.text);
    }
}

TEST(GsmCodecTest, PackedHexRoundTripsEveryLength) {
    const std::u16string source =
        u"The quick brown fox jumps over the lazy dog [\u20AC] 0123456789";
    for (std::size_t length = 0; length <= source.size(); ++length) {
        const std::u16string text = source.substr(0, length);
        std::string hex;
        ASSERT_TRUE(EncodePackedGsm7Hex(text, &hex));
        std::u16string back;
        ASSERT_TRUE(DecodePackedGsm7Hex(hex, &back));
        EXPECT_EQ(back, text) << "length " << length;
    }
}

TEST(GsmCodecTest, PackedDecodeDropsZeroPaddingAndRejectsBadHex) {
    // "1234567" with the spare bits left zero (no CR) would show a trailing '@'.
    std::u16string text;
    ASSERT_TRUE(DecodePackedGsm7Hex("31D98C56B3DD00", &text));
    EXPECT_EQ(text, u"1234567");
    EXPECT_FALSE(DecodePackedGsm7Hex("ABC", &text));
    EXPECT_FALSE(DecodePackedGsm7Hex("GG", &text));
    std::string hex;
    EXPECT_FALSE(EncodePackedGsm7Hex(u"\u4E2D", &hex));
}

TEST(GsmCodecTest, PackingWithFillBitsRoundTrips) {
    const Septets septets = {0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x7F, 0x00, 0x55, 0x2A};
    for (int fill = 0; fill <= 6; ++fill) {
        const std::vector<std::uint8_t> octets = PackSeptets(septets, fill);
        EXPECT_EQ(octets.size(), (fill + septets.size() * 7 + 7) / 8);
        EXPECT_EQ(UnpackSeptets(octets, septets.size(), fill), septets) << "fill " << fill;
    }
    // Asking for more septets than the octets hold gives only what is there.
    EXPECT_EQ(UnpackSeptets({0xE8}, 5).size(), 1u);
}

TEST(GsmCodecTest, HexConversions) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(HexToBytes("00ff7Fa0", &bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0xFF, 0x7F, 0xA0}));
    EXPECT_EQ(BytesToHex(bytes), "00FF7FA0");
    EXPECT_FALSE(HexToBytes("123", &bytes));
    EXPECT_FALSE(HexToBytes("12 4", &bytes));
    EXPECT_FALSE(HexToBytes("0x12", &bytes));
    EXPECT_TRUE(bytes.empty());
}

struct Ucs2Case {
    std::u16string text;
    std::string hex;
};

TEST(GsmCodecTest, Ucs2HexRoundTripsIncludingSurrogatePairs) {
    const Ucs2Case cases[] = {
        {u"AB", "00410042"},
        {u"\u20AC5", "20AC0035"},
        {u"\u041F\u0440\u0438\u0432\u0435\u0442", "041F04400438043204350442"},
        {u"\U0001F600", "D83DDE00"},
        {u"", ""},
    };
    for (const Ucs2Case& c : cases) {
        EXPECT_EQ(EncodeUcs2Hex(c.text), c.hex);
        std::u16string text;
        ASSERT_TRUE(DecodeUcs2Hex(c.hex, &text));
        EXPECT_EQ(text, c.text);
    }
    std::u16string text;
    ASSERT_TRUE(DecodeUcs2Hex("d83dde00", &text));  // lower case is fine
    EXPECT_EQ(text, u"\U0001F600");
    EXPECT_FALSE(DecodeUcs2Hex("004", &text));
    EXPECT_FALSE(DecodeUcs2Hex("00410G42", &text));
}

TEST(GsmCodecTest, UssdDcsAlphabets) {
    const std::pair<int, Alphabet> cases[] = {
        {0x0F, Alphabet::kGsm7},     {0x00, Alphabet::kGsm7},     {0x01, Alphabet::kGsm7},
        {0x10, Alphabet::kGsm7},     {0x11, Alphabet::kUcs2},     {0x12, Alphabet::kUnknown},
        {0x20, Alphabet::kGsm7},     {0x30, Alphabet::kGsm7},     {0x40, Alphabet::kGsm7},
        {0x44, Alphabet::kEightBit}, {0x48, Alphabet::kUcs2},     {0x4C, Alphabet::kUnknown},
        {0x60, Alphabet::kUnknown},  {0x94, Alphabet::kEightBit}, {0x98, Alphabet::kUcs2},
        {0xA0, Alphabet::kUnknown},  {0xF0, Alphabet::kGsm7},     {0xF4, Alphabet::kEightBit},
        {-1, Alphabet::kUnknown},    {256, Alphabet::kUnknown},
    };
    for (const auto& [dcs, alphabet] : cases) {
        EXPECT_EQ(AlphabetOfUssdDcs(dcs), alphabet) << "dcs " << dcs;
    }
}

TEST(GsmCodecTest, SmsDcsAlphabets) {
    const std::pair<int, Alphabet> cases[] = {
        {0x00, Alphabet::kGsm7},    {0x04, Alphabet::kEightBit}, {0x08, Alphabet::kUcs2},
        {0x0C, Alphabet::kGsm7},    {0x11, Alphabet::kGsm7},     {0x18, Alphabet::kUcs2},
        {0x20, Alphabet::kUnknown}, {0x48, Alphabet::kUcs2},     {0x80, Alphabet::kUnknown},
        {0xC0, Alphabet::kGsm7},    {0xD1, Alphabet::kGsm7},     {0xE0, Alphabet::kUcs2},
        {0xF1, Alphabet::kGsm7},    {0xF6, Alphabet::kEightBit},
    };
    for (const auto& [dcs, alphabet] : cases) {
        EXPECT_EQ(AlphabetOfSmsDcs(dcs), alphabet) << "dcs " << dcs;
    }
}

}  // namespace
}  // namespace dedevev::at

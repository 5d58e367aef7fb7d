// CDMA short messages: transport layer, addresses, bearer data, user data alphabets, the
// concatenation header, and refusal of malformed input.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    EXPECT_TRUE(HexToBytes(hex, &bytes)) << hex;
    return bytes;
}

std::string Length(const std::string& hex) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(hex.size() / 2));
    return text;
}

// A parameter or subparameter: id, length, value.
std::string Param(const std::string& id, const std::string& value) {
    return id + Length(value) + value;
}

// A point-to-point message of teleservice 4098 with one address parameter and bearer data.
std::string Transport(const std::string& address_param, const std::string& bearer) {
    return "00" + Param("00", "1002") + address_param + Param("08", bearer);
}

// Addresses, each field written out (DIGIT_MODE, NUMBER_MODE, [NUMBER_TYPE, [NUMBER_PLAN]],
// NUM_FIELDS, digits):
const std::string kDtmf5551234 = Param("02", "01D55448D0");  // 0 0 00000111 5 5 5 1 2 3 4
const std::string kNoAddress = Param("02", "0000");          // 0 0 00000000

// Message identifiers: MESSAGE_TYPE(4) MESSAGE_ID(16) HEADER_IND(1) reserved(3).
const std::string kDeliver42 = Param("00", "1002A0");       // 1, 42, 0
const std::string kDeliver42Parts = Param("00", "1002A8");  // 1, 42, 1
const std::string kSubmit1 = Param("00", "200010");         // 2, 1, 0

struct KnownCase {
    const char* name;
    std::string hex;
    SmsKind kind;
    std::u16string address;
    std::u16string text;
    Alphabet alphabet;
    int reference;
};

TEST(SmsPduCdmaTest, DecodesKnownMessages) {
    const KnownCase cases[] = {
        // Captured from a network: DTMF originator, bearer reply option, 7-bit ASCII "AAAA"
        // (10 24 18 30 60 80 = 00010 00000100 1000001 x4), time stamp 2010-10-04 04:48:47.
        {"captured",
         "00000210020207028CE95DCC65800601FC08150003168D3001061024183060800306101004044847",
         SmsKind::kDeliver, u"3305773196", u"AAAA", Alphabet::kAscii7, 0x68D3},
        // Bearer data published with a known text, wrapped in a transport layer.
        {"gsm7", Transport(kDtmf5551234, "00031040900112488ea794e074d69e1b7392c270326cde9e98"),
         SmsKind::kDeliver, u"5551234", u"Test standard SMS", Alphabet::kGsm7, 0x0409},
        {"ascii7", Transport(kDtmf5551234, "0003100160010610262d5ab500"), SmsKind::kDeliver,
         u"5551234", u"bjjj", Alphabet::kAscii7, 0x0016},
        {"ascii7 two", Transport(kDtmf5551234, "00031001d00109104539b4d052ebb3d0"),
         SmsKind::kDeliver, u"5551234", u"SMS Rulz", Alphabet::kAscii7, 0x001D},
        {"ia5", Transport(kDtmf5551234, "00031002100109184539b4d052ebb3d0"), SmsKind::kDeliver,
         u"5551234", u"SMS Rulz", Alphabet::kAscii7, 0x0021},
        // A submit with a dozen subparameters we do not read (priority, privacy, reply
        // option, number of messages, callback number, ...), skipped by their lengths.
        {"monolithic submit",
         Transport(Param("04", "01D55448D0"),
                   "0003200010010410168d2002010503060812011101590501c706069706180000000701c108"
                   "01c00901800a01e00b01030c01c00d01070e05039acc13880f018011020566"),
         SmsKind::kSubmit, u"5551234", u"hi", Alphabet::kAscii7, 1},
        // Hand-built: Unicode 00100, NUM_FIELDS 6, then 041F 0440 0438 0432 0435 0442.
        {"unicode",
         Transport(kDtmf5551234, kDeliver42 + Param("01", "203020F8220021C0219021A82210")),
         SmsKind::kDeliver, u"5551234", u"\u041F\u0440\u0438\u0432\u0435\u0442", Alphabet::kUcs2,
         42},
        // Latin 01000, NUM_FIELDS 4, 63 61 66 E9.
        {"latin", Transport(kDtmf5551234, kDeliver42 + Param("01", "40231B0B3748")),
         SmsKind::kDeliver, u"5551234", u"caf\u00E9", Alphabet::kLatin1, 42},
        // Octet 00000, NUM_FIELDS 3, 41 FF 42: shown as Latin-1.
        {"octet", Transport(kDtmf5551234, kDeliver42 + Param("01", "001A0FFA10")),
         SmsKind::kDeliver, u"5551234", u"A\u00FFB", Alphabet::kEightBit, 42},
        // GSM data coding scheme 01010, DCS 08 (UCS2), NUM_FIELDS 2, 03A9 0041.
        {"gsm dcs ucs2", Transport(kDtmf5551234, kDeliver42 + Param("01", "5040101D480208")),
         SmsKind::kDeliver, u"5551234", u"\u03A9A", Alphabet::kUcs2, 42},
        // Unicode 0041 D800 0042 (a lone high surrogate) and D83D DE00 DC00 (a pair, then a
        // lone low surrogate).
        {"lone surrogate", Transport(kDtmf5551234, kDeliver42 + Param("01", "2018020EC0000210")),
         SmsKind::kDeliver, u"5551234", u"A\uFFFDB", Alphabet::kUcs2, 42},
        {"pair and lone", Transport(kDtmf5551234, kDeliver42 + Param("01", "201EC1EEF006E000")),
         SmsKind::kDeliver, u"5551234", u"\U0001F600\uFFFD", Alphabet::kUcs2, 42},
        // No user data at all (a voice-mail notice may carry only a count).
        {"no user data", Transport(kDtmf5551234, kSubmit1), SmsKind::kSubmit, u"5551234", u"",
         Alphabet::kAscii7, 1},
    };
    for (const KnownCase& c : cases) {
        SCOPED_TRACE(c.name);
        SmsPdu pdu;
        std::string error;
        ASSERT_TRUE(DecodeCdmaPdu(FromHex(c.hex), &pdu, &error)) << error;
        EXPECT_EQ(pdu.kind, c.kind);
        EXPECT_EQ(pdu.address, c.address);
        EXPECT_EQ(pdu.text, c.text);
        EXPECT_EQ(pdu.alphabet, c.alphabet);
        EXPECT_EQ(pdu.reference, c.reference);
        EXPECT_EQ(pdu.teleservice, 4098);
        EXPECT_FALSE(pdu.concat.IsPart());
    }
}

TEST(SmsPduCdmaTest, ParametersInAnyOrderAndUnknownOnesSkipped) {
    // Bearer data first, then an unknown parameter 0x55, then the address and teleservice.
    const std::string hex = "00" + Param("08", kDeliver42 + Param("01", "10148D20")) +
                            Param("55", "DEADBEEF") + kDtmf5551234 + Param("00", "1003");
    SmsPdu pdu;
    std::string error;
    ASSERT_TRUE(DecodeCdmaPdu(FromHex(hex), &pdu, &error)) << error;
    EXPECT_EQ(pdu.text, u"Hi");
    EXPECT_EQ(pdu.address, u"5551234");
    EXPECT_EQ(pdu.teleservice, 4099);
}

struct AddressCase {
    std::string value;  // the address parameter's value
    std::u16string address;
};

TEST(SmsPduCdmaTest, AddressForms) {
    const AddressCase cases[] = {
        {"012F2940", u"*#05"},         // DTMF 11 12 10 5
        {"8882189A189A80", u"+1415"},  // ASCII, international, telephony plan
        {"90819A9A9A80", u"555"},      // ASCII, national: no '+'
        {"D01B0A0310", u"a@b"},        // data network, e-mail
        {"0000", u""},                 // no digits
        {"888215989A1800", u"+140"},   // international digits that already carry '+'
    };
    for (const AddressCase& c : cases) {
        SmsPdu pdu;
        std::string error;
        ASSERT_TRUE(DecodeCdmaPdu(
            FromHex(Transport(Param("02", c.value), kDeliver42 + Param("01", "10148D20"))), &pdu,
            &error))
            << c.value << ": " << error;
        EXPECT_EQ(pdu.address, c.address) << c.value;
    }
}

TEST(SmsPduCdmaTest, AddressMatchesTheKindOfMessage) {
    const std::string user_data = Param("01", "10148D20");
    const std::string both = Param("02", "01D55448D0") + Param("04", "012F2940");
    SmsPdu pdu;
    std::string error;
    // A deliver names its originator, a submit its destination.
    ASSERT_TRUE(DecodeCdmaPdu(
        FromHex("00" + Param("00", "1002") + both + Param("08", kDeliver42 + user_data)), &pdu,
        &error));
    EXPECT_EQ(pdu.address, u"5551234");
    ASSERT_TRUE(DecodeCdmaPdu(
        FromHex("00" + Param("00", "1002") + both + Param("08", kSubmit1 + user_data)), &pdu,
        &error));
    EXPECT_EQ(pdu.address, u"*#05");
}

struct StampCase {
    std::string bcd;
    bool valid;
    DateTimeFields time;
};

TEST(SmsPduCdmaTest, MessageCentreTimeStamps) {
    const StampCase cases[] = {
        {"101004044847", true, {2010, 10, 4, 4, 48, 47}},
        {"960101000000", true, {1996, 1, 1, 0, 0, 0}},
        {"991231235959", true, {1999, 12, 31, 23, 59, 59}},
        {"000101000000", true, {2000, 1, 1, 0, 0, 0}},
        {"951231235959", true, {2095, 12, 31, 23, 59, 59}},
        {"240229120000", true, {2024, 2, 29, 12, 0, 0}},
        {"230229120000", false, {}},  // not a leap year
        {"241301000000", false, {}},  // month 13
        {"240001000000", false, {}},  // month 0
        {"240431000000", false, {}},  // 31 April
        {"240101240000", false, {}},  // hour 24
        {"240101006000", false, {}},  // minute 60
        {"240101000060", false, {}},  // second 60
        {"2401010A0000", false, {}},  // not BCD
        {"F40101000000", false, {}},
        {"2401010000", false, {}},  // five octets
    };
    for (const StampCase& c : cases) {
        const std::string hex =
            Transport(kDtmf5551234, kDeliver42 + Param("01", "10148D20") + Param("03", c.bcd));
        SmsPdu pdu;
        std::string error;
        ASSERT_EQ(DecodeCdmaPdu(FromHex(hex), &pdu, &error), c.valid) << c.bcd;
        if (c.valid) {
            EXPECT_TRUE(pdu.timestamp.present);
            EXPECT_EQ(pdu.timestamp.time, c.time) << c.bcd;
            EXPECT_EQ(pdu.timestamp.zone_quarters, 0);
        } else {
            EXPECT_FALSE(error.empty()) << c.bcd;
        }
    }
}

struct PartCase {
    const char* name;
    std::string user_data;
    std::u16string text;
    SmsConcat concat;
};

TEST(SmsPduCdmaTest, DecodesPartsOfLongMessages) {
    const PartCase cases[] = {
        // 7-bit ASCII: header 05 00 03 2A 02 01 (six octets = seven septets, one fill bit),
        // NUM_FIELDS 9, then "Hi".
        {"ascii 8-bit ref", "104828001950100A4690", u"Hi", {0x2A, 2, 1, false}},
        // Header 06 08 04 12 34 03 03 (seven octets = eight septets, no fill), NUM_FIELDS 10.
        {"ascii 16-bit ref", "105030402091A0181C8D20", u"Hi", {0x1234, 3, 3, true}},
        // GSM 7-bit: the same header and seven septets, but the characters packed least
        // significant bit first: one fill bit, then 48 (H) and 01 (pound): 90 01.
        {"gsm7 8-bit ref", "484828001950100C8008", u"H\u00A3", {0x2A, 2, 1, false}},
        // Unicode: six header octets = three units, NUM_FIELDS 4, then 0416.
        {"unicode 8-bit ref", "202028001950100820B0", u"\u0416", {0x2A, 2, 1, false}},
        // Seven header octets padded to eight = four units, NUM_FIELDS 5.
        {"unicode 16-bit ref", "202830402091A018180020B0", u"\u0416", {0x1234, 3, 3, true}},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.name);
        SmsPdu pdu;
        std::string error;
        ASSERT_TRUE(DecodeCdmaPdu(
            FromHex(Transport(kDtmf5551234, kDeliver42Parts + Param("01", c.user_data))), &pdu,
            &error))
            << error;
        EXPECT_EQ(pdu.text, c.text);
        EXPECT_EQ(pdu.concat, c.concat);
        // Without the header indicator the same octets are characters, not a header.
        ASSERT_TRUE(DecodeCdmaPdu(
            FromHex(Transport(kDtmf5551234, kDeliver42 + Param("01", c.user_data))), &pdu, &error));
        EXPECT_FALSE(pdu.concat.IsPart());
        EXPECT_NE(pdu.text, c.text);
    }
}

TEST(SmsPduCdmaTest, ImpossibleConcatenationNumbersAreIgnored) {
    // Header 05 00 03 2A 02 03: part 3 of 2; the text still shows.
    SmsPdu pdu;
    std::string error;
    ASSERT_TRUE(DecodeCdmaPdu(
        FromHex(Transport(kDtmf5551234, kDeliver42Parts + Param("01", "104828001950101A4690"))),
        &pdu, &error))
        << error;
    EXPECT_EQ(pdu.text, u"Hi");
    EXPECT_FALSE(pdu.concat.IsPart());
}

struct BadCase {
    std::string hex;
    const char* reason;  // a part of the error the decoder gives
};

TEST(SmsPduCdmaTest, RefusesMalformedMessages) {
    const std::string hi = Param("01", "10148D20");
    const std::string d = kDtmf5551234;
    const BadCase cases[] = {
        {"", "empty PDU"},
        {"01" + Param("00", "1002"), "broadcast"},
        {"02" + Param("04", "01D55448D0"), "acknowledge"},
        {"07" + Param("00", "1002"), "unknown transport message type 7"},
        {"00" + d + Param("08", kDeliver42 + hi), "no teleservice"},
        {"00" + Param("00", "1002") + d, "no bearer data"},
        {Transport(d, hi), "no message identifier"},
        {"00" + Param("00", "10") + Param("08", kDeliver42 + hi),
         "teleservice identifier too short"},
        {Transport(d + d, kDeliver42 + hi), "repeated parameter 0x02"},
        {Transport(d, kDeliver42 + hi + hi), "repeated bearer data subparameter 0x01"},
        // The address claims nine octets, five follow.
        {"00" + Param("00", "1002") + "020901D55448D0", "parameter 0x02 runs past the end"},
        {Transport(d, kDeliver42 + hi) + "06", "truncated parameter"},
        {Transport(d, kDeliver42 + "0105101480"), "subparameter 0x01 runs past the end"},
        {Transport(d, Param("00", "1002") + hi), "message identifier too short"},
        // Cancellation, delivery acknowledgement and the reserved type 0.
        {Transport(d, Param("00", "3002A0") + hi), "unsupported bearer message type 3"},
        {Transport(d, Param("00", "4002A0") + hi), "unsupported bearer message type 4"},
        {Transport(d, Param("00", "0002A0") + hi), "unsupported bearer message type 0"},
        {Transport(Param("02", "008400"), kDeliver42 + hi), "bad DTMF digit 0"},
        {Transport(Param("02", "0074"), kDeliver42 + hi), "bad DTMF digit 13"},
        {Transport(Param("02", "01D554"), kDeliver42 + hi), "address shorter than its digit count"},
        {Transport(Param("02", ""), kDeliver42 + hi), "address too short"},
        {Transport(Param("02", "8882189A"), kDeliver42 + hi), "address shorter than its digit"},
        // NUM_FIELDS 3 with room for two septets; six Unicode characters in 11.5 octets.
        {Transport(d, kDeliver42 + Param("01", "101C8D20")), "shorter than its character count"},
        {Transport(d, kDeliver42 + Param("01", "203020F8220021C0219021A822")),
         "shorter than its character count"},
        {Transport(d, kDeliver42 + Param("01", "10")), "user data too short"},
        // Shift-JIS and IS-91.
        {Transport(d, kDeliver42 + Param("01", "280A08")), "unsupported user data encoding 5"},
        {Transport(d, kDeliver42 + Param("01", "0883010A08")), "unsupported user data encoding 1"},
        // Header length 05 with NUM_FIELDS 2: the header alone needs seven septets.
        {Transport(d, kDeliver42Parts + Param("01", "101028001950100A4690")),
         "header longer than the character count"},
        // Header length 0x20 in a user data of ten octets; NUM_FIELDS 0 with a header.
        {Transport(d, kDeliver42Parts + Param("01", "104900001950100A4690")),
         "header runs past the user data"},
        {Transport(d, kDeliver42Parts + Param("01", "1000")), "header runs past the user data"},
        // Element 00 claiming five octets in a five-octet header.
        {Transport(d, kDeliver42Parts + Param("01", "104828002950100A4690")),
         "element runs past the header"},
    };
    for (const BadCase& c : cases) {
        SmsPdu pdu;
        pdu.text = u"untouched";
        std::string error;
        EXPECT_FALSE(DecodeCdmaPdu(FromHex(c.hex), &pdu, &error)) << c.hex;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.hex << ": " << error;
        EXPECT_EQ(pdu.text, u"untouched") << c.hex;
    }
}

TEST(SmsPduCdmaTest, EveryTruncationIsRefused) {
    const std::string sources[] = {
        "00000210020207028CE95DCC65800601FC08150003168D3001061024183060800306101004044847",
        Transport(kDtmf5551234, kDeliver42Parts + Param("01", "105030402091A0181C8D20")),
        Transport(
            Param("02", "8882189A189A80"),
            kDeliver42 + Param("01", "203020F8220021C0219021A82210") + Param("03", "240229120000")),
    };
    for (const std::string& hex : sources) {
        const Bytes whole = FromHex(hex);
        SmsPdu pdu;
        std::string error;
        ASSERT_TRUE(DecodeCdmaPdu(whole, &pdu, &error)) << error;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
            EXPECT_FALSE(DecodeCdmaPdu(cut, &pdu, &error)) << hex << " cut at " << length;
        }
    }
}

TEST(SmsPduCdmaTest, EncodesKnownOctets) {
    SmsSendOptions options;
    options.reference = 1;
    EXPECT_EQ(BytesToHex(EncodeCdmaSubmit(u"5551234", u"Hi", options)),
              Transport(Param("04", "01D55448D0"), kSubmit1 + Param("01", "10148D20")));

    SmsPdu message;
    message.address = u"+1415";
    message.text = u"Hi";
    message.reference = 42;
    message.timestamp.present = true;
    message.timestamp.time = {2024, 2, 29, 13, 5, 9};
    EXPECT_EQ(BytesToHex(EncodeCdmaDeliver(message)),
              Transport(Param("02", "8882189A189A80"),
                        kDeliver42 + Param("01", "10148D20") + Param("03", "240229130509")));

    message.address = u"5551234";
    message.timestamp.present = false;
    message.concat = {0x2A, 2, 1, false};
    EXPECT_EQ(BytesToHex(EncodeCdmaDeliver(message)),
              Transport(kDtmf5551234, kDeliver42Parts + Param("01", "104828001950100A4690")));
    message.concat = {0x1234, 3, 3, true};
    EXPECT_EQ(BytesToHex(EncodeCdmaDeliver(message)),
              Transport(kDtmf5551234, kDeliver42Parts + Param("01", "105030402091A0181C8D20")));
    message.text = u"\u0416";
    EXPECT_EQ(BytesToHex(EncodeCdmaDeliver(message)),
              Transport(kDtmf5551234, kDeliver42Parts + Param("01", "202830402091A018180020B0")));
    message.address = u"";
    message.concat = {};
    EXPECT_EQ(BytesToHex(EncodeCdmaDeliver(message, true)),
              Transport(kNoAddress, kDeliver42 + Param("01", "200820B0")));
}

struct RoundTripCase {
    const char* name;
    std::u16string address;
    std::u16string text;
    bool force_unicode;
    Alphabet alphabet;
};

TEST(SmsPduCdmaTest, DeliverAndSubmitRoundTrip) {
    const RoundTripCase cases[] = {
        {"ascii", u"5551234", u"Hello, world!", false, Alphabet::kAscii7},
        {"ascii forced", u"5551234", u"Hello", true, Alphabet::kUcs2},
        {"latin", u"+33612345678", u"Gr\u00FC\u00DFe, caf\u00E9", false, Alphabet::kUcs2},
        {"cyrillic", u"*#123", u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440", false,
         Alphabet::kUcs2},
        {"emoji", u"user@example.org", u"ok \U0001F600\U0001F44D", false, Alphabet::kUcs2},
        {"empty", u"5551234", u"", false, Alphabet::kAscii7},
        {"160 ascii", u"5551234", std::u16string(160, u'x'), false, Alphabet::kAscii7},
        {"70 unicode", u"5551234", std::u16string(70, u'\u0416'), false, Alphabet::kUcs2},
        {"controls", u"5551234", u"a\nb\r\x7F\t", false, Alphabet::kAscii7},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        SmsPdu message;
        message.address = c.address;
        message.text = c.text;
        message.reference = 0xBEEF;
        message.timestamp.present = true;
        message.timestamp.time = {1999, 12, 31, 23, 59, 58};
        message.concat = {200, 4, 2, false};
        SmsPdu back;
        std::string error;
        ASSERT_TRUE(DecodeCdmaPdu(EncodeCdmaDeliver(message, c.force_unicode), &back, &error))
            << error;
        EXPECT_EQ(back.kind, SmsKind::kDeliver);
        EXPECT_EQ(back.address, c.address);
        EXPECT_EQ(back.text, c.text);
        EXPECT_EQ(back.alphabet, c.alphabet);
        EXPECT_EQ(back.reference, 0xBEEF);
        EXPECT_EQ(back.timestamp, message.timestamp);
        EXPECT_EQ(back.concat, message.concat);
        EXPECT_EQ(back.teleservice, 4098);

        SmsSendOptions options;
        options.force_ucs2 = c.force_unicode;
        options.reference = 7;
        ASSERT_TRUE(DecodeCdmaPdu(EncodeCdmaSubmit(c.address, c.text, options), &back, &error))
            << error;
        EXPECT_EQ(back.kind, SmsKind::kSubmit);
        EXPECT_EQ(back.address, c.address);
        EXPECT_EQ(back.text, c.text);
        EXPECT_EQ(back.alphabet, c.alphabet);
        EXPECT_EQ(back.reference, 7);
        EXPECT_FALSE(back.timestamp.present);
        EXPECT_FALSE(back.concat.IsPart());
    }
}

TEST(SmsPduCdmaTest, TextTooLongForOneMessageIsNotEncoded) {
    SmsSendOptions options;
    EXPECT_TRUE(EncodeCdmaSubmit(u"5551234", std::u16string(256, u'x'), options).empty());
    EXPECT_TRUE(EncodeCdmaSubmit(u"5551234", std::u16string(130, u'\u0416'), options).empty());
    EXPECT_FALSE(EncodeCdmaSubmit(u"5551234", std::u16string(255, u'x'), options).empty());
}

}  // namespace
}  // namespace dedevev::at

// GSM short messages in PDU mode: captured PDUs with known contents, malformed PDUs that
// must be refused, and round trips through the coders.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/at/pdu/GsmCodec.h"
#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    EXPECT_TRUE(HexToBytes(hex, &bytes)) << hex;
    return bytes;
}

DateTimeFields Time(int year, int month, int day, int hour, int minute, int second) {
    return {year, month, day, hour, minute, second};
}

// "How are you?" from +31641600986 through +31624000000, the best known example PDU.
const char kHowAreYou[] =
    "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07";

struct KnownPdu {
    const char* name;
    std::string hex;
    SmsKind kind;
    std::u16string service_centre;
    std::u16string address;
    std::u16string text;
    Alphabet alphabet;
    DateTimeFields time;
    int zone_quarters;
    SmsConcat concat;
    int reference;
};

TEST(SmsPduGsmTest, DecodesCapturedPdus) {
    const KnownPdu cases[] = {
        // The zone octet 08 is the sign bit over zero quarters.
        {"how are you",
         kHowAreYou,
         SmsKind::kDeliver,
         u"+31624000000",
         u"+31641600986",
         u"How are you?",
         Alphabet::kGsm7,
         Time(2002, 8, 26, 19, 37, 41),
         0,
         {},
         0},
        {"extension characters, zone west of UTC",
         "07912104442961F4040B916171957291F800001120821105050A6AC8B2BC7C9A83C220F6DB7D2ECB"
         "41EDF27C1E3E97411BDE06754FD3D1A0F9BB5D0695F1F4B29B5C2683C6E8B03C3CA697E5F34D6AE3"
         "03D1D1F2F7DD0D4ABB59A0797D8C0685E7A00028EC26832A960B28EC2683BE6050780EBA97D96C17",
         SmsKind::kDeliver,
         u"+12404492164",
         u"+16175927198",
         u"Here's a longer message [{with some extended characters}] thrown in, such as "
         u"\u00A3 and \u03A9\u03A0\u03A8 and \u00A7\u00BF as well.",
         Alphabet::kGsm7,
         Time(2011, 2, 28, 11, 50, 50),
         -20,
         {},
         0},
        {"alphanumeric sender, UCS2, zone east of UTC",
         "07919730071111F10414D04937BD2C7797E9D3E614000811309291024061080442043504410442",
         SmsKind::kDeliver,
         u"+79037011111",
         u"InternetSMS",
         u"\u0442\u0435\u0441\u0442",
         Alphabet::kUcs2,
         Time(2011, 3, 29, 19, 20, 4),
         16,
         {},
         0},
        {"class 1 in the data coding group, 160 septets, national sender",
         "07913306091093F0040485810000F111604231805180A049B7F90D9A1AA5A01668F8769BD3E4B29B"
         "9E2EB359A03FC85D06A9C3ED707A0EA2CBC3EE79BB4CA7CBCBA05643617DA7C76990FD4D979741EE"
         "77DD5E0ED741ED371D442E83E0E1F9BC0CD281E677D9B84C06C1DF7539E85C9097E520FB9B2E2F83"
         "C6EF369C5E064D8D52D0BC2E07DDEF77D7DC2C7799E5A0771D040FCB41F402BB0047BFDD6550B80E"
         "CAD966",
         SmsKind::kDeliver,
         u"+33609001390",
         u"1800",
         u"Info SFR - Confidentiel, \u00E0 ne jamais transmettre -\r\nVoici votre nouveau mot "
         u"de passe : sw2ced pour g\u00E9rer votre compte SFR sur www.sfr.fr ou par "
         u"t\u00E9l\u00E9phone au 963",
         Alphabet::kGsm7,
         Time(2011, 6, 24, 13, 8, 15),
         8,
         {},
         0},
        {"8-bit data shown as Latin-1",
         "07912143658709F1040B918100551512F200F4111010214365000AE8329BFD4697D9EC37DE",
         SmsKind::kDeliver,
         u"+12345678901",
         u"+18005551212",
         u"\u00E8\u0032\u009B\u00FD\u0046\u0097\u00D9\u00EC\u0037\u00DE",
         Alphabet::kEightBit,
         Time(2011, 1, 1, 12, 34, 56),
         0,
         {},
         0},
        {"part 1 of 2, 16-bit reference",
         "07911356131313F64004850120390011609232239180A006080400100201D7327BFD6EB340E232"
         "1BF46E83EA7790F59D1E97DBE1341B442F83C465763D3DA797E56537C81D0ECB41AB59CC1693C1"
         "6031D96C064241E5656838AF03A96230982A269BCD462917C8FA4E8FCBED709A0D7ABBE9F6B0FB"
         "5C7683D27350984D4FABC9A0B33C4C4FCF5D20EBFB2D079DCB62793DBD06D9C36E50FB2D4E97D9"
         "A0B49B5E96BBCB",
         SmsKind::kDeliver,
         u"+31653131316",
         u"1002",
         u"Welkom, bel om uw Voicemail te beluisteren naar +31612001233 (PrePay: *100*1233#). "
         u"Voicemail ontvangen is altijd gratis. Voor gebruik van mobiel interne",
         Alphabet::kGsm7,
         Time(2011, 6, 29, 23, 32, 19),
         8,
         {0x0010, 2, 1, true},
         0},
        {"part 1 of 2, 8-bit reference",
         "07912160130320F5440B916171056429F5000021405291650569A00500034C0201A9E8F41C949E"
         "83C2207B599E07B1DFEE33885E9ED341E4F23C7D7697C920FA1B54C697E5E3F4BC0C6AD7D9F434"
         "081E96D341E3303C2C4EB3D3F4BC0B94A483E6E8779D4D06CDD1EF3BA80E0785E7A0B7BB0C6A97"
         "E7F3F0B9CC02B9DF7450780EA2DFDF2C50780EA2A3CBA0BA9B5C96B3F369F71954768FDFE4B4FB"
         "0C9297E1F2F2BCECA6CF41",
         SmsKind::kDeliver,
         u"+12063130025",
         u"+16175046925",
         u"This is a very long test designed to exercise multi part capability. It should "
         u"show up as one message, not as two, as the underlying encoding represents ",
         Alphabet::kGsm7,
         Time(2012, 4, 25, 19, 56, 50),
         -16,
         {0x4C, 2, 1, false},
         0},
        {"part 2 of 2, 8-bit reference",
         "07912160130320F6440B916171056429F5000021405291651569320500034C0202E9E8301D4447"
         "9741F0B09C3E0785E56590BCCC0ED3CB6410FD0D7ABBCBA0B0FB4D4797E52E10",
         SmsKind::kDeliver,
         u"+12063130026",
         u"+16175046925",
         u"that the parts are related to one another. ",
         Alphabet::kGsm7,
         Time(2012, 4, 25, 19, 56, 51),
         -16,
         {0x4C, 2, 2, false},
         0},
        {"submit stored by the card, UCS2, status report requested",
         "002100098136397339F70008224F60597D4F60597D4F60597D4F60597D4F60597D4F60597D4F6059"
         "7D4F60597D4F60",
         SmsKind::kSubmit,
         u"",
         u"639337937",
         u"\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60\u597D\u4F60"
         u"\u597D\u4F60\u597D\u4F60",
         Alphabet::kUcs2,
         DateTimeFields{},
         0,
         {},
         0},
    };
    for (const KnownPdu& c : cases) {
        SCOPED_TRACE(c.name);
        SmsPdu pdu;
        std::string error;
        ASSERT_TRUE(DecodeGsmPdu(FromHex(c.hex), &pdu, &error)) << error;
        EXPECT_EQ(pdu.kind, c.kind);
        EXPECT_EQ(pdu.service_centre, c.service_centre);
        EXPECT_EQ(pdu.address, c.address);
        EXPECT_EQ(pdu.text, c.text);
        EXPECT_EQ(pdu.alphabet, c.alphabet);
        EXPECT_EQ(pdu.concat, c.concat);
        EXPECT_EQ(pdu.reference, c.reference);
        EXPECT_EQ(pdu.timestamp.present, c.kind != SmsKind::kSubmit);
        if (c.kind != SmsKind::kSubmit) {
            EXPECT_EQ(pdu.timestamp.time, c.time);
            EXPECT_EQ(pdu.timestamp.zone_quarters, c.zone_quarters);
        }
    }
}

TEST(SmsPduGsmTest, DecodesStatusReport) {
    SmsPdu pdu;
    std::string error;
    ASSERT_TRUE(DecodeGsmPdu(
        FromHex("07914356060013F1065A098136397339F7219011700463802190117004638030"), &pdu, &error))
        << error;
    EXPECT_EQ(pdu.kind, SmsKind::kStatusReport);
    EXPECT_EQ(pdu.service_centre, u"+34656000311");
    EXPECT_EQ(pdu.address, u"639337937");
    EXPECT_EQ(pdu.reference, 0x5A);
    EXPECT_EQ(pdu.report_status, 0x30);
    EXPECT_EQ(pdu.timestamp.time, Time(2012, 9, 11, 7, 40, 36));
    EXPECT_EQ(pdu.timestamp.zone_quarters, 8);
    EXPECT_TRUE(pdu.discharge.present);
    EXPECT_EQ(pdu.discharge.time, Time(2012, 9, 11, 7, 40, 36));
}

// The classic PDU with one octet replaced.
std::string WithOctet(const std::string& hex, std::size_t index, const char* octet) {
    std::string changed = hex;
    changed.replace(index * 2, 2, octet);
    return changed;
}

TEST(SmsPduGsmTest, RefusesMalformedPdus) {
    const std::string good = kHowAreYou;
    struct Case {
        const char* name;
        std::string hex;
    };
    const Case cases[] = {
        {"empty", ""},
        {"service-centre length past the end", "0C911326040000F0"},
        {"service-centre address of 12 octets", "0C" + good.substr(2)},
        {"reserved message type", WithOctet(good, 8, "07")},
        {"address of 21 digits", WithOctet(good, 9, "15")},
        {"one octet too many", good + "00"},
        {"user data length past the end", WithOctet(good, 26, "0D")},
        {"161 septets", WithOctet(good, 26, "A1")},
        {"month not decimal", WithOctet(good, 20, "A0")},
        {"month 13", WithOctet(good, 20, "31")},
        {"month 0", WithOctet(good, 20, "00")},
        {"30 February", WithOctet(good, 20, "20").replace(42, 2, "03")},
        {"29 February outside a leap year", WithOctet(good, 19, "30").replace(40, 4, "2092")},
        {"hour 24", WithOctet(good, 22, "42")},
        {"minute 60", WithOctet(good, 23, "06")},
        {"zone digit not decimal", WithOctet(good, 25, "A0")},
        {"zone beyond 14 hours", WithOctet(good, 25, "75")},
        {"header longer than the user data", WithOctet(good, 8, "44").replace(54, 2, "20")},
        {"header that takes every septet", WithOctet(good, 8, "44").substr(0, 52) + "0100"},
        {"UCS2 user data of odd length", "0004038121F300081120821105050A03004100"},
        {"concatenation element of the wrong size",
         "0044038121F300081120821105050A0704000201010041"},
        {"element running past the header", "0044038121F300081120821105050A06040004000201"},
        {"status report parameters announced but missing",
         "000605038121F311101021436500111010214365000004"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmsPdu pdu;
        pdu.text = u"untouched";
        std::string error;
        EXPECT_FALSE(DecodeGsmPdu(FromHex(c.hex), &pdu, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(pdu.text, u"untouched");
    }
}

TEST(SmsPduGsmTest, RefusesEveryTruncation) {
    const Bytes good = FromHex(kHowAreYou);
    for (std::size_t size = 0; size < good.size(); ++size) {
        SmsPdu pdu;
        std::string error;
        EXPECT_FALSE(DecodeGsmPdu(Bytes(good.begin(), good.begin() + size), &pdu, &error)) << size;
    }
}

TEST(SmsPduGsmTest, UnpairedSurrogatesBecomeReplacementCharacters) {
    // UCS2 user data: D83D 0041 (high surrogate alone), DE00 (low surrogate alone),
    // D83D DE00 (a proper pair).
    SmsPdu pdu;
    std::string error;
    ASSERT_TRUE(
        DecodeGsmPdu(FromHex("0004038121F30008112082110505000AD83D0041DE00D83DDE00"), &pdu, &error))
        << error;
    EXPECT_EQ(pdu.text, u"\uFFFDA\uFFFD\U0001F600");
}

TEST(SmsPduGsmTest, SkipsUnknownHeaderElementsAndIgnoresImpossiblePartNumbers) {
    SmsPdu pdu;
    std::string error;
    // Element 0x24 (two octets) before an 8-bit concatenation element, 8-bit data "A".
    ASSERT_TRUE(DecodeGsmPdu(FromHex("0044038121F300041120821105050A0B0924020000000307030341"),
                             &pdu, &error))
        << error;
    EXPECT_EQ(pdu.concat, (SmsConcat{0x07, 3, 3, false}));
    EXPECT_EQ(pdu.text, u"A");
    // Part 4 of 3 says nothing usable: read as a message on its own.
    ASSERT_TRUE(
        DecodeGsmPdu(FromHex("0044038121F300041120821105050A0705000307030441"), &pdu, &error))
        << error;
    EXPECT_FALSE(pdu.concat.IsPart());
    EXPECT_EQ(pdu.text, u"A");
}

TEST(SmsPduGsmTest, SubmitMatchesKnownOctets) {
    // The same texts as a reference modem manager creates them, without a validity period.
    int length = 0;
    EXPECT_EQ(EncodeGsmSubmit(u"+15556661234",
                              u"This is really cool \u0394\u0394\u0394\u0394\u0394", {}, &length),
              FromHex("0001000B915155661632F4000019547"
                      "47A0E4ACF41F27298CDCE83C6EF371B0481402010"));
    EXPECT_EQ(length, 35);
    EXPECT_EQ(EncodeGsmSubmit(u"+15555551234", u"\u0414\u0430 \u0437\u0434\u0440", {}, &length),
              FromHex("0001000B915155551532F400080C041404300020043704340440"));
    EXPECT_EQ(length, 25);
    SmsSendOptions options;
    options.reference = 0x2A;
    options.status_report = true;
    EXPECT_EQ(EncodeGsmSubmit(u"12345", u"A", options, &length),
              FromHex("00212A05812143F500000141"));
}

TEST(SmsPduGsmTest, SubmitRefusesWhatCannotBeSent) {
    int length = 7;
    EXPECT_TRUE(EncodeGsmSubmit(u"Telkomsel", u"x", {}, &length).empty());
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(EncodeGsmSubmit(u"123456789012345678901", u"x", {}, &length).empty());
    EXPECT_TRUE(EncodeGsmSubmit(u"123", std::u16string(161, u'a'), {}, &length).empty());
    EXPECT_TRUE(EncodeGsmSubmit(u"123", std::u16string(71, u'\u4E2D'), {}, &length).empty());
    SmsSendOptions part;
    part.concat = {1, 2, 1, false};
    EXPECT_TRUE(EncodeGsmSubmit(u"123", std::u16string(154, u'a'), part, &length).empty());
    EXPECT_FALSE(EncodeGsmSubmit(u"123", std::u16string(153, u'a'), part, &length).empty());
    part.concat.sixteen_bit = true;
    EXPECT_TRUE(EncodeGsmSubmit(u"123", std::u16string(153, u'a'), part, &length).empty());
    EXPECT_FALSE(EncodeGsmSubmit(u"123", std::u16string(152, u'a'), part, &length).empty());
}

struct RoundTrip {
    const char* name;
    std::u16string text;
    Alphabet alphabet;
    SmsConcat concat;
};

const RoundTrip kRoundTrips[] = {
    {"plain", u"Hello, world!", Alphabet::kGsm7, {}},
    {"extension characters", u"\u20AC[]{}^~\\|", Alphabet::kGsm7, {}},
    {"outside the GSM alphabet", u"Gr\u00FC\u00DFe \u4E2D\u6587`", Alphabet::kUcs2, {}},
    {"emoji outside the basic plane", u"ok \U0001F600\U0001F44D", Alphabet::kUcs2, {}},
    {"empty", u"", Alphabet::kGsm7, {}},
    {"exactly 160 septets", std::u16string(158, u'x') + u"\u20AC", Alphabet::kGsm7, {}},
    {"80 extension characters", std::u16string(80, u'\u20AC'), Alphabet::kGsm7, {}},
    {"70 UCS2 characters", std::u16string(70, u'\u0416'), Alphabet::kUcs2, {}},
    {"part, 8-bit reference", std::u16string(153, u'y'), Alphabet::kGsm7, {200, 3, 2, false}},
    {"part, 16-bit reference",
     u"\u20AC" + std::u16string(150, u'z'),
     Alphabet::kGsm7,
     {0xBEEF, 2, 2, true}},
    {"UCS2 part, 8-bit reference",
     std::u16string(67, u'\u0416'),
     Alphabet::kUcs2,
     {9, 2, 1, false}},
    {"UCS2 part, 16-bit reference",
     u"\U0001F600" + std::u16string(64, u'\u0416'),
     Alphabet::kUcs2,
     {300, 5, 5, true}},
};

TEST(SmsPduGsmTest, DeliverRoundTrips) {
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        SmsPdu message;
        message.service_centre = u"+4917200000";
        message.address = u"+491711234567";
        message.text = c.text;
        message.concat = c.concat;
        message.timestamp = {true, Time(2024, 2, 29, 23, 59, 58), -14};
        const Bytes pdu = EncodeGsmDeliver(message);
        ASSERT_FALSE(pdu.empty());
        SmsPdu decoded;
        std::string error;
        ASSERT_TRUE(DecodeGsmPdu(pdu, &decoded, &error)) << error;
        message.alphabet = c.alphabet;
        EXPECT_EQ(decoded, message);
    }
}

TEST(SmsPduGsmTest, SubmitRoundTrips) {
    for (const RoundTrip& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        SmsSendOptions options;
        options.reference = 77;
        options.concat = c.concat;
        int length = 0;
        const Bytes pdu = EncodeGsmSubmit(u"+44 7700 900123", c.text, options, &length);
        ASSERT_FALSE(pdu.empty());
        EXPECT_EQ(length + 1, static_cast<int>(pdu.size()));
        SmsPdu decoded;
        std::string error;
        ASSERT_TRUE(DecodeGsmPdu(pdu, &decoded, &error)) << error;
        EXPECT_EQ(decoded.kind, SmsKind::kSubmit);
        EXPECT_EQ(decoded.address, u"+447700900123");
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.alphabet, c.alphabet);
        EXPECT_EQ(decoded.concat, c.concat);
        EXPECT_EQ(decoded.reference, 77);
        EXPECT_TRUE(decoded.service_centre.empty());
    }
}

TEST(SmsPduGsmTest, DeliverAddressesAndCodings) {
    struct Case {
        std::u16string address;
        std::u16string decoded;
    };
    const Case cases[] = {
        {u"Telkomsel", u"Telkomsel"},
        {u"InternetSMS", u"InternetSMS"},
        {u"A very long sender", u"A very long"},  // cut to 11 characters
        {u"Caf\u00E9 \u4E2D", u"Caf\u00E9 ?"},
        {u"*100#", u"*100#"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SmsPdu message;
        message.address = c.address;
        message.text = u"hi";
        SmsPdu decoded;
        std::string error;
        ASSERT_TRUE(DecodeGsmPdu(EncodeGsmDeliver(message), &decoded, &error)) << error;
        EXPECT_EQ(decoded.address, c.decoded);
    }
    SmsPdu message;
    message.address = u"123";
    message.text = u"plain";
    SmsPdu decoded;
    std::string error;
    ASSERT_TRUE(DecodeGsmPdu(EncodeGsmDeliver(message, true), &decoded, &error)) << error;
    EXPECT_EQ(decoded.alphabet, Alphabet::kUcs2);
    EXPECT_EQ(decoded.text, u"plain");
    message.alphabet = Alphabet::kEightBit;
    message.text = u"\u00FF\u0001";
    ASSERT_TRUE(DecodeGsmPdu(EncodeGsmDeliver(message), &decoded, &error)) << error;
    EXPECT_EQ(decoded.alphabet, Alphabet::kEightBit);
    EXPECT_EQ(decoded.text, u"\u00FF\u0001");
}

TEST(SmsPduGsmTest, StatusReportRoundTrips) {
    SmsPdu report;
    report.kind = SmsKind::kStatusReport;
    report.service_centre = u"+34656000311";
    report.address = u"+34639337937";
    report.reference = 201;
    report.report_status = 0x45;
    report.timestamp = {true, Time(2019, 12, 31, 23, 0, 5), 4};
    report.discharge = {true, Time(2020, 1, 1, 0, 0, 1), -48};
    const Bytes pdu = EncodeGsmStatusReport(report);
    SmsPdu decoded;
    std::string error;
    ASSERT_TRUE(DecodeGsmPdu(pdu, &decoded, &error)) << error;
    EXPECT_EQ(decoded, report);
}

}  // namespace
}  // namespace dedevev::at

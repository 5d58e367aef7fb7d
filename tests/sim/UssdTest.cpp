// USSD on the card: the menus, the encodings of requests and answers, and requests the
// network starts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "sim/TextCoding.h"

namespace dedevev::sim {
namespace {

using test::Bench;

const char kBalance[] = "Your balance is 12.50";

// The text and DCS of a +CUSD line, decoded the way a host has to.
struct Decoded {
    int m = -1;
    std::string text;
    int dcs = -1;
    std::string raw;
};

Decoded DecodeCusd(const std::string& line, bool packed_hex, bool ucs2_charset) {
    Decoded d;
    const std::string prefix = "+CUSD: ";
    EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
    const std::vector<Arg> args = SplitArgs(line.substr(prefix.size()));
    EXPECT_TRUE(ArgInt(args, 0, &d.m)) << line;
    if (args.size() < 3)
        return d;
    EXPECT_TRUE(ArgInt(args, 2, &d.dcs)) << line;
    d.raw = args[1].text;
    std::u16string text;
    if (d.dcs == 72 || ucs2_charset) {
        EXPECT_TRUE(FromUcs2Hex(d.raw, &text)) << line;
        d.text = Utf16ToUtf8(text);
    } else if (packed_hex) {
        EXPECT_TRUE(FromPackedGsm7Hex(d.raw, &text)) << line;
        d.text = Utf16ToUtf8(text);
    } else {
        d.text = d.raw;
    }
    return d;
}

std::string OneLater(const Bench& bench) {
    const std::vector<std::string> lines = bench.LaterLines();
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? std::string() : lines[0];
}

TEST(SimUssd, BalanceComesAfterTheOk) {
    Bench bench;
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*123#\",15"), "OK");
    ASSERT_EQ(bench.last.later.size(), 1u);
    EXPECT_EQ(bench.last.later[0].line, "+CUSD: 0,\"Your balance is 12.50\",15");
    EXPECT_GT(bench.last.later[0].delay.count(), 0);
    EXPECT_EQ(bench.Run("AT+CUSD?"), "+CUSD: 1|OK");
    EXPECT_EQ(bench.card.LastUssdRequest(), "*123#");
}

TEST(SimUssd, AnswerBeforeTheOkWhenSwitched) {
    Bench bench;
    bench.card.SetUssdBeforeOk(true);
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*123#\",15"), "+CUSD: 0,\"Your balance is 12.50\",15|OK");
    EXPECT_TRUE(bench.last.later.empty());
}

TEST(SimUssd, MenuExpectsAReply) {
    Bench bench;
    struct Step {
        std::string request;
        std::string answer;
        bool open_after;
    };
    const Step steps[] = {
        {"*100#", "+CUSD: 1,\"Choose: 1 Balance, 2 Tariff\",15", true},
        {"7", "+CUSD: 1,\"Invalid choice. 1 Balance, 2 Tariff\",15", true},
        {"2", "+CUSD: 0,\"Your tariff is Basic: 0.10 per minute\",15", false},
        {"*100#", "+CUSD: 1,\"Choose: 1 Balance, 2 Tariff\",15", true},
        {"1", "+CUSD: 0,\"Your balance is 12.50\",15", false},
        {"1", "+CUSD: 4", false},  // no session any more: "1" is no service code
        {"*100#", "+CUSD: 1,\"Choose: 1 Balance, 2 Tariff\",15", true},
        {"*123#", "+CUSD: 0,\"Your balance is 12.50\",15", false},  // a new code ends the menu
    };
    for (const Step& step : steps) {
        EXPECT_EQ(bench.Run("AT+CUSD=1,\"" + step.request + "\",15"), "OK") << step.request;
        EXPECT_EQ(OneLater(bench), step.answer) << step.request;
        EXPECT_EQ(bench.card.UssdSessionOpen(), step.open_after) << step.request;
    }
    // The host ends an open menu.
    bench.Run("AT+CUSD=1,\"*100#\",15");
    EXPECT_EQ(bench.Run("AT+CUSD=2"), "OK");
    EXPECT_FALSE(bench.card.UssdSessionOpen());
    EXPECT_TRUE(bench.last.later.empty());
}

TEST(SimUssd, RefusedAndUnknownCodes) {
    Bench bench;
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*999#\",15"), "+CME ERROR: 3");
    EXPECT_TRUE(bench.last.later.empty());
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*555#\",15"), "OK");
    EXPECT_EQ(OneLater(bench), "+CUSD: 4");
    EXPECT_EQ(bench.Run("AT+CUSD=3,\"*123#\""), "+CME ERROR: 50");
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*123#\",x"), "+CME ERROR: 50");
    // Presentation off: the network answers, the host is not told.
    EXPECT_EQ(bench.Run("AT+CUSD=0,\"*123#\",15"), "OK");
    EXPECT_TRUE(bench.last.later.empty());
    // No service, no USSD.
    ASSERT_TRUE(bench.card.SetService(0, 0, 0));
    EXPECT_EQ(bench.Run("AT+CUSD=1,\"*123#\",15"), "+CME ERROR: 30");
}

TEST(SimUssd, RequestAndAnswerEncodings) {
    struct Case {
        UssdEncoding mode;
        const char* charset;
        std::string request;  // as sent in AT+CUSD=1,"<request>",<dcs>
        int dcs;
        std::string answer;  // "OK" or the error
        int reply_dcs;       // of the +CUSD answer
        std::string reply;   // decoded, UTF-8
    };
    const std::string balance_ucs2 = ToUcs2Hex(u"*123#");
    const std::string rouble =
        "\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81: 12,50 \xE2\x82\xBD";
    const Case cases[] = {
        // Text mode: plain, UCS2 hex or packed hex requests; answers in the character set.
        {UssdEncoding::kText, "IRA", "*123#", 15, "OK", 15, kBalance},
        {UssdEncoding::kText, "IRA", balance_ucs2, 15, "OK", 15, kBalance},
        {UssdEncoding::kText, "IRA", "AA986C3602", 15, "OK", 15, kBalance},
        {UssdEncoding::kText, "UCS2", balance_ucs2, 15, "OK", 15, kBalance},
        {UssdEncoding::kText, "UCS2", "*123#", 15, "OK", 15, kBalance},
        {UssdEncoding::kText, "IRA", "*106#", 15, "OK", 72, rouble},  // not GSM: UCS2
        {UssdEncoding::kText, "IRA", "*123#", 72, "+CME ERROR: 25", 0, ""},
        // Packed-hex mode: the card wants hex and answers in hex.
        {UssdEncoding::kGsm7Hex, "IRA", "AA986C3602", 15, "OK", 15, kBalance},
        {UssdEncoding::kGsm7Hex, "IRA", "*123#", 15, "+CME ERROR: 25", 0, ""},
        {UssdEncoding::kGsm7Hex, "IRA", "*106#", 15, "+CME ERROR: 25", 0, ""},
        {UssdEncoding::kGsm7Hex, "IRA", "AA18CC3602", 15, "OK", 72, rouble},  // *106#
        // UCS2 mode: UCS2 hex both ways.
        {UssdEncoding::kUcs2, "IRA", balance_ucs2, 72, "OK", 72, kBalance},
        {UssdEncoding::kUcs2, "IRA", balance_ucs2, 15, "OK", 72, kBalance},
        {UssdEncoding::kUcs2, "IRA", "*123#", 15, "+CME ERROR: 25", 0, ""},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(UssdEncodingName(c.mode)) + "/" + c.charset + "/" +
                                  c.request + "/" + std::to_string(c.dcs);
        Bench bench;
        bench.card.SetUssdCoding(c.mode);
        bench.session.Settings().charset = c.charset;
        EXPECT_EQ(bench.Run("AT+CUSD=1,\"" + c.request + "\"," + std::to_string(c.dcs)), c.answer)
            << label;
        if (c.answer != "OK")
            continue;
        const Decoded d = DecodeCusd(OneLater(bench), c.mode == UssdEncoding::kGsm7Hex,
                                     std::string(c.charset) == "UCS2");
        EXPECT_EQ(d.m, 0) << label;
        EXPECT_EQ(d.dcs, c.reply_dcs) << label;
        EXPECT_EQ(d.text, c.reply) << label;
    }
}

TEST(SimUssd, PackedAnswerIsRealHex) {
    Bench bench;
    bench.card.SetUssdCoding(UssdEncoding::kGsm7Hex);
    bench.Run("AT+CUSD=1,\"AA986C3602\",15");
    const Decoded d = DecodeCusd(OneLater(bench), true, false);
    EXPECT_TRUE(IsHexText(d.raw));
    EXPECT_EQ(d.raw.size(), 2 * ((21 * 7 + 7) / 8));  // 21 septets in 19 octets
}

TEST(SimUssd, RequestFromTheNetwork) {
    Bench bench;
    const UssdReply notice = bench.card.UssdFromNetwork("Rate our service", true);
    EXPECT_EQ(UssdLine(bench.session.Settings(), bench.card.UssdCoding(), notice),
              "+CUSD: 1,\"Rate our service\",15");
    EXPECT_TRUE(bench.card.UssdSessionOpen());
    bench.Run("AT+CUSD=1,\"5\",15");
    EXPECT_EQ(OneLater(bench), "+CUSD: 0,\"Reply received: 5\",15");
    EXPECT_FALSE(bench.card.UssdSessionOpen());
    // A notification expects nothing; in UCS2 it travels as UCS2 hex.
    bench.session.Settings().charset = "UCS2";
    const UssdReply info = bench.card.UssdFromNetwork("Hi", false);
    EXPECT_EQ(UssdLine(bench.session.Settings(), bench.card.UssdCoding(), info),
              "+CUSD: 0,\"00480069\",15");
    EXPECT_FALSE(bench.card.UssdSessionOpen());
}

}  // namespace
}  // namespace dedevev::sim

// The preferred-system parsers and maps, fed with captured answers of Huawei LTE and 3G sticks.

#include "device/at/parsers/SystemParsers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace dedevev::at {
namespace {

constexpr const char* kSyscfgExLte =
    R"(^SYSCFGEX: ("00","03","02","01","99"),((2000004e80380,"GSM850/GSM900/GSM1800/GSM1900/)"
    R"(WCDMA850/WCDMA900/WCDMA1900/WCDMA2100"),(3fffffff,"All Bands")),(0-3),(0-4),((800c5,)"
    R"("LTE2100/LTE1800/LTE2600/LTE900/LTE800"),(7fffffffffffffff,"All bands")))";
constexpr const char* kSyscfgEx3g =
    R"(^SYSCFGEX: ("00","01","02","0102","0201"),((3fffffff,"All Bands"),(2000000400180,)"
    R"("GSM900/GSM1800/WCDMA900/WCDMA2100")),(0-2),(0-4),)";

TEST(SystemParsersTest, TestAnswersListWhatTheCardOffers) {
    struct Case {
        std::string line;
        std::string prefix;
        std::vector<std::string> items;
        std::vector<int> ints;
    };
    const Case cases[] = {
        {kSyscfgExLte, "^SYSCFGEX:", {"00", "03", "02", "01", "99"}, {0, 3, 2, 1, 99}},
        {kSyscfgEx3g, "^SYSCFGEX:", {"00", "01", "02", "0102", "0201"}, {0, 1, 2, 102, 201}},
        {R"(^SYSCFG:(2,13,14,16),(0-3),((400000,"WCDMA2100")),(0-2),(0-4))",
         "^SYSCFG:",
         {"2", "13", "14", "16"},
         {2, 13, 14, 16}},
        {"+WS46: (12,22,25,28-29)", "+WS46:", {"12", "22", "25", "28-29"}, {12, 22, 25, 28, 29}},
        {"+WS46: (0-99999)", "+WS46:", {"0-99999"}, {}},  // too wide: no values
        {"+WS46: 12", "+WS46:", {}, {}},                  // a query answer, no group
    };
    for (const Case& c : cases) {
        const std::vector<std::string> items = GroupItems({c.line}, c.prefix, 0);
        EXPECT_EQ(items, c.items) << c.line;
        EXPECT_EQ(GroupInts(items), c.ints) << c.line;
    }
}

TEST(SystemParsersTest, QueryAnswersReadAsPreferredSystems) {
    const auto read = [](const std::string& line) -> std::optional<int> {
        if (const std::optional<std::string> order = ParseSyscfgExOrder({line}))
            return NetSelOfAcqOrder(*order);
        if (const std::optional<int> mode = ParseSyscfgMode({line}))
            return NetSelOfSyscfgMode(*mode);
        const std::optional<int> value = ParseWs46({line});
        return value ? NetSelOfWs46(*value) : std::nullopt;
    };
    const std::pair<std::string, std::optional<int>> cases[] = {
        {R"(^SYSCFGEX: "00",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", 4},
        {R"(^SYSCFGEX: "03",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", 6},
        {R"(^SYSCFGEX: "01",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", 1},
        {R"(^SYSCFGEX:"07",3FFFFFFF,1,2,)", 11},
        {R"(^SYSCFGEX: "030201",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", 4},
        {R"(^SYSCFGEX: "99",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", std::nullopt},
        {R"(^SYSCFGEX: "0305",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF)", std::nullopt},
        {R"(^SYSCFGEX: ,3FFFFFFF)", std::nullopt},
        {"^SYSCFG: 2,2,400000,0,3", 4},
        {"^SYSCFG: 13,0,400000,0,3", 1},
        {"^SYSCFG: 14,0,400000,0,3", 2},
        {"^SYSCFG: 16,3,40000000,2,4", std::nullopt},
        {"+WS46: 28", 6},
        {"+WS46: 29", 4},
        {"+WS46: 30", std::nullopt},
        {"+WS46: ", std::nullopt},
    };
    for (const auto& [line, netsel] : cases)
        EXPECT_EQ(read(line), netsel) << line;
}

TEST(SystemParsersTest, PreferredSystemsMapToWhatTheCardOffers) {
    const std::vector<std::string> lte = {"00", "03", "02", "01", "99"};
    const std::vector<std::string> lte_orders = {"030201", "0302", "03", "99"};
    const std::vector<std::string> cdma = {"00", "04", "07", "99"};
    struct Case {
        const std::vector<std::string>* offered;
        int netsel;
        std::optional<std::string> order;
    };
    const Case cases[] = {
        {&lte, 4, "00"},
        {&lte, 6, "03"},
        {&lte, 1, "01"},
        {&lte, 10, std::nullopt},
        {&lte_orders, 4, "030201"},
        {&lte_orders, 2, std::nullopt},
        {&cdma, 11, "07"},
        {&cdma, 10, "04"},
        {&cdma, 2, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AcqOrderFor(c.netsel, *c.offered), c.order) << c.netsel;

    EXPECT_EQ(SyscfgModeFor(2), 14);
    EXPECT_EQ(SyscfgModeFor(6), std::nullopt);
    const std::vector<int> no_lte = {12, 22, 29};
    EXPECT_EQ(Ws46For(4, no_lte), 29);
    EXPECT_EQ(Ws46For(4, {12, 22, 25, 28, 29}), 25);
    EXPECT_EQ(Ws46For(6, no_lte), std::nullopt);
    EXPECT_EQ(Ws46For(10, {12, 22, 25, 28, 29}), std::nullopt);
}

}  // namespace
}  // namespace dedevev::at

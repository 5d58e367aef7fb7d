// The network page's texts and the rate chart's series and geometry, without a window.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "connection/NetPageTexts.h"
#include "connection/RateChart.h"
#include "connection/StatusResolver.h"
#include "core/GlobalService.h"
#include "device/base/Event.h"
#include "device/base/Utf.h"
#include "support/Eventually.h"

namespace dedevev {
namespace {

struct FormatCase {
    const char* format;
    double value;
    const char* shown;
};

TEST(NetPageTexts, LanguageFormatsTakeOneNumberAndNothingElse) {
    const FormatCase cases[] = {
        {"Upload: %.2f KB/s", 1.5, "Upload: 1.50 KB/s"},
        {"%s %d %n %.1f%%", 2, "%s %d %n 2.0%"},  // only the number conversion is filled
        {"%.1f then %.1f", 3, "3.0 then %.1f"},   // only once
        {"%08.3f|%-6g|", 1.25, "0001.250|%-6g|"},
        {"%999f %.999f", 1, "%999f %.999f"},  // widths that large are not conversions
        {"no number", 1, "no number"},
        {"100%", 1, "100%"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(Utf16ToUtf8(FormatNumberText(Utf8ToUtf16(c.format), c.value)), c.shown)
            << c.format;
}

struct ServiceCase {
    std::vector<std::optional<int>> answers;  // one per query
    const char* shown;
    std::size_t queries;
};

TEST(NetPageTexts, StatusGivesWayToTheServiceStateOfTheCard) {
    CGlobalService::Instance().SwitchLanguage(DEDEVEV_SOURCE_DIR
                                              "/resources/data/Localize/English.txt");
    const ServiceCase cases[] = {
        {{2}, "Connected", 1},
        {{0}, "No service", 1},
        {{std::nullopt, std::nullopt, 1}, "Limited service", 3},
        {{3}, "Regional service only", 1},
        {{4}, "Power saving mode", 1},
        {{7}, "Connected", 1},
        {{std::nullopt, std::nullopt, std::nullopt, 0}, "Connected", 3},  // gives up
    };
    for (const ServiceCase& c : cases) {
        std::deque<std::optional<int>> answers(c.answers.begin(), c.answers.end());
        std::size_t queries = 0;
        const std::u16string shown = StatusWithService(u"Connected", [&] {
            ++queries;
            const std::optional<int> answer = answers.front();
            answers.pop_front();
            return answer;
        });
        EXPECT_EQ(Utf16ToUtf8(shown), c.shown);
        EXPECT_EQ(queries, c.queries);
    }
}

TEST(StatusResolver, ACardThatDoesNotAnswerHoldsUpOnlyTheTexts) {
    Event answer;
    std::mutex mutex;
    std::vector<std::string> shown;
    {
        CStatusResolver resolver(
            [&]() -> std::optional<int> {
                EXPECT_TRUE(answer.WaitFor(test::kHangNet));
                return 2;
            },
            [&](const std::u16string& text, bool ok) {
                std::lock_guard<std::mutex> lock(mutex);
                shown.push_back(Utf16ToUtf8(text) + (ok ? "" : "!"));
            });
        resolver.Show(u"a", true);  // returns while the card is silent
        resolver.Show(u"b", false);
        answer.Set();
        EXPECT_TRUE(test::Eventually([&] {
            std::lock_guard<std::mutex> lock(mutex);
            return shown.size() == 2;
        }));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"a", "b!"}));
}

TEST(RateChart, NegativePairOnlyBecomesTheLegend) {
    RateChartModel chart;
    chart.SetCapacity(10);
    chart.Add(1.5f, 2.5f);
    chart.Add(-1.0f, 3.0f);
    EXPECT_EQ(chart.SeriesA(), std::deque<float>{1.5f});
    EXPECT_EQ(chart.SeriesB(), std::deque<float>{2.5f});
    EXPECT_EQ(chart.CurrentSend(), -1.0f);
    EXPECT_EQ(chart.CurrentReceive(), 3.0f);
}

TEST(RateChart, KeepsTheNewestPointsWithinItsCapacity) {
    RateChartModel chart;
    chart.SetCapacity(3);
    for (int i = 1; i <= 5; ++i)
        chart.Add(static_cast<float>(i), 0);
    EXPECT_EQ(chart.SeriesA(), (std::deque<float>{3, 4, 5}));
    chart.SetCapacity(2);  // a narrower chart
    EXPECT_EQ(chart.SeriesA(), (std::deque<float>{4, 5}));
    chart.SetCapacity(-4);
    EXPECT_TRUE(chart.SeriesA().empty());
}

TEST(RateChart, LayoutDrawsTheLargerValueFirstUnderTheScale) {
    RateChartModel chart;
    chart.SetCapacity(100);
    EXPECT_LT(chart.Layout(120, 110).scale, 0);  // nothing to scale yet
    chart.Add(4, 1);
    chart.Add(2, 3);
    chart.Add(0, 0);
    const ChartLayout layout = chart.Layout(120, 110);
    EXPECT_EQ(layout.unit, 10);
    EXPECT_EQ(layout.base, 100);
    EXPECT_EQ(layout.right, 110);
    EXPECT_EQ(layout.legend_y, 106);
    EXPECT_DOUBLE_EQ(layout.scale, 4);
    // The maximum reaches the scale mark (not above it); 1 of 4 is a quarter of the height.
    EXPECT_EQ(layout.bars, (std::vector<ChartBar>{
                               {11, 20, 75, true}, {12, 25, 50, false}, {13, 100, 100, true}}));

    RateChartModel idle;
    idle.SetCapacity(10);
    idle.Add(0, 0);
    EXPECT_EQ(idle.Layout(120, 110).bars, (std::vector<ChartBar>{{11, 100, 100, true}}));
}

}  // namespace
}  // namespace dedevev

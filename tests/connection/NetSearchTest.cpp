// The search list's rows and the search and registration workers against a scripted card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connection/NetSearch.h"
#include "support/NetworkCard.h"

namespace dedevev {
namespace {

TEST(NetworkRows, ParsesEachFormOfAnswer) {
    struct Case {
        const char* text;
        bool parses;
        NetworkRow row;
    };
    const Case cases[] = {
        {R"(2,"Telkomsel Indonesia","TSEL","51010",2)",
         true,
         {u"current", u"TSEL", u"51010", u"3G"}},
        {R"(1,"Test Network 2G","Test2G","00103",0)",
         true,
         {u"available", u"Test2G", u"00103", u"2G"}},
        {R"(3, "Barred, Inc" , "B,I" , "00199" , 7)",
         true,
         {u"forbidden", u"B,I", u"00199", u"3G"}},
        {R"(9,"Odd","Odd state","00100",0)", true, {u"unknown", u"Odd state", u"00100", u"2G"}},
        {R"(0,"No act","NoAct","00107")", true, {u"unknown", u"NoAct", u"00107", u""}},
        {"1,\"Long\",\"Caf\xC3\xA9\",\"00105\",0",
         true,
         {u"available", u"Caf\u00e9", u"00105", u"2G"}},
        {R"(x,"Bad","Bad state","00101",0)", false, {}},
        {R"(1,"Only","one quoted",0,0)", false, {}},
        {"garbage without any fields", false, {}},
    };
    for (const Case& c : cases) {
        NetworkRow row;
        EXPECT_EQ(ParseNetworkRow(c.text, &row), c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(row, c.row) << c.text;
        }
    }
}

TEST(NetworkRows, StopAtTheFirstShortTextAndSkipGarbage) {
    const std::vector<std::string> answer = {
        R"(2,"Long A","A","00101",2)", "not a network row at all", R"(1,"Long B","B","00102",0)",
        "1,\"x\",\"y\"",  // shorter than 12 characters: the list ends here
        R"(1,"Long C","C","00103",0)"};
    const std::vector<NetworkRow> rows = ParseNetworkRows(answer);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, u"A");
    EXPECT_EQ(rows[1].name, u"B");
    EXPECT_TRUE(ParseNetworkRows({"", R"(1,"Long C","C","00103",0)"}).empty());
}

using Card = test::NetworkCard;

template <typename Worker>
CardJobOutcome RunToEnd(Worker& worker) {
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(worker.Wait(std::chrono::hours(1)));
    return worker.Outcome();
}

TEST(NetWorkers, TellADoneARefusedAndALostCardApart) {
    struct Case {
        bool ok;
        bool alive;
        CardJobOutcome outcome;
    };
    const Case cases[] = {{true, true, CardJobOutcome::kDone},
                          {false, true, CardJobOutcome::kRefused},
                          {false, false, CardJobOutcome::kCardLost}};
    for (const Case& c : cases) {
        Card card;
        card.search_ok = card.select_ok = c.ok;
        card.alive = c.alive;
        CThreadLoadNet search(&card);
        EXPECT_EQ(RunToEnd(search), c.outcome);
        EXPECT_EQ(search.Networks().size(), c.ok ? 3u : 0u);
        CThreadSetNet select(&card, "Short");
        EXPECT_EQ(RunToEnd(select), c.outcome);
        EXPECT_EQ(card.selected, "Short");
        // The operator's name is read after every attempt the card answered.
        EXPECT_EQ(select.OperatorName(), c.alive ? "Test Network 2G" : "");
    }
    CThreadLoadNet no_card(nullptr);
    EXPECT_EQ(RunToEnd(no_card), CardJobOutcome::kCardLost);
    CThreadSetNet no_card_select(nullptr, "Short");
    EXPECT_EQ(RunToEnd(no_card_select), CardJobOutcome::kCardLost);
}

}  // namespace
}  // namespace dedevev

// The network search and registration workers on the simulated card through the modem
// library: the rows the page shows, registration by the row's name, a card that refuses the
// search, and a card pulled in the middle of a long search.
#include <gtest/gtest.h>

#include <chrono>

#include "SimCardFixture.h"
#include "connection/NetSearch.h"

namespace dedevev {
namespace {

class NetSearchOnCard : public sim::test::AgentFixture<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(sim::CardKind::kGsm));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        control_ = agent->GetDeviceControl();
    }
    template <typename Worker>
    CardJobOutcome Run(Worker& worker) {
        EXPECT_TRUE(worker.Start());
        EXPECT_TRUE(worker.Wait(test::kHangNet)) << "the worker did not end";
        return worker.Outcome();
    }

    IDeviceControl* control_ = nullptr;
};

TEST_F(NetSearchOnCard, SearchesAndRegistersByTheRowsName) {
    CThreadLoadNet search(control_);
    ASSERT_EQ(Run(search), CardJobOutcome::kDone);
    const std::vector<NetworkRow> rows = ParseNetworkRows(search.Networks());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1], (NetworkRow{u"available", u"Test2G", u"00103", u"2G"}));

    CThreadSetNet other(control_, "Other3G");
    EXPECT_EQ(Run(other), CardJobOutcome::kDone);
    EXPECT_EQ(other.OperatorName(), "Other Mobile 3G");
    CThreadSetNet forbidden(control_, "Forbid");
    EXPECT_EQ(Run(forbidden), CardJobOutcome::kRefused);
}

TEST_F(NetSearchOnCard, ARefusedSearchAndAPulledCardAreToldApart) {
    Control("card absent");
    CThreadLoadNet refused(control_);
    EXPECT_EQ(Run(refused), CardJobOutcome::kRefused);
    Control("card ready");

    // Only the pull can end this search within the hang net.
    Control("networks delay " + std::to_string((2 * test::kHangNet).count()));
    Control("log clear");
    CThreadLoadNet search(control_);
    ASSERT_TRUE(search.Start());
    ASSERT_TRUE(AwaitCardCommand("AT+COPS=?"));
    Control("pull");
    ASSERT_TRUE(search.Wait(test::kHangNet)) << "the search waited for its time-out";
    EXPECT_EQ(search.Outcome(), CardJobOutcome::kCardLost);
    EXPECT_TRUE(search.Networks().empty());
}

}  // namespace
}  // namespace dedevev

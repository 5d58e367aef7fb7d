// The phonebook jobs against the simulated card, run as the phonebook view runs them: loading
// with its progress, deleting highest first, copying and moving into the PC phonebook, and a
// card that goes away in the middle of a job.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/IModemAgent.h"
#include "phonebook/PhonebookTransfer.h"
#include "support/PhonebookJobs.h"

namespace dedevev {
namespace {

class PhonebookJobsOnCard : public sim::test::AgentFixture<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(sim::CardKind::kGsm));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        test::LoadPhonebookTexts(&texts_);
        book_ = agent->GetPhonebookStore()->GetUimPhonebook();
        Control("pb-clear SM");
    }
    // Puts "C<i>" with number "<i>" at the card's indexes 1..count and loads the book.
    void FillAndLoad(int count) {
        for (int i = 0; i < count; ++i)
            Control("pb-add SM " + std::to_string(i) + " C" + std::to_string(i));
        ASSERT_TRUE(LoadCardPhonebook(*book_, u"", &texts_, test::RunInto(log_)));
        log_.Take();
    }
    // The card leaves as it does on the desk: unplugged, and the program drops the port.
    void PullCard() {
        Control("pull");
        agent->Close();
    }
    std::vector<std::string> PCNames() {
        std::vector<std::string> names;
        for (int i = 0; i < pc_.GetCount(); ++i)
            names.push_back(Utf16ToUtf8(pc_.GetAt(i).name) + "=" +
                            Utf16ToUtf8(pc_.GetAt(i).mobile));
        return names;
    }

    CLocalizer texts_;
    IPhonebook* book_ = nullptr;
    CPhonebookPC pc_;
    test::JobLog log_;
    test::ScriptedBox box_;
};

TEST_F(PhonebookJobsOnCard, LoadShowsEachContactWithItsStep) {
    Control("pb-add SM +628111 Ayu");
    Control("pb-add SM 0812");
    ASSERT_TRUE(LoadCardPhonebook(*book_, u"USIMPhonebookNotReady", &texts_, test::RunInto(log_)));
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"loading", "1/2", "loading   [Ayu, +628111]",
                                                     "2/2", "loading   [, 0812]", "ended"}));
    // Loaded already: no job runs again.
    EXPECT_TRUE(LoadCardPhonebook(*book_, u"USIMPhonebookNotReady", &texts_, test::RunInto(log_)));
    EXPECT_TRUE(log_.Take().empty());
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(PhonebookJobsOnCard, APulledCardLeavesTheBookNotReady) {
    PullCard();
    EXPECT_FALSE(LoadCardPhonebook(*book_, u"USIMPhonebookNotReady", &texts_, test::RunInto(log_)));
    EXPECT_EQ(box_.shown, (std::vector<std::string>{"|usimphonebooknotready|0"}));
}

TEST_F(PhonebookJobsOnCard, DeleteTakesTheHighestRowFirst) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(6));
    EXPECT_EQ(DeleteCardContacts(*book_, {2, 5}, &texts_, test::RunInto(log_)), 2);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"removing", "removing [C5, 5]", "1/2",
                                                     "removing [C2, 2]", "2/2", "ended"}));
    EXPECT_EQ(Control("pb-list SM"), R"(OK (1,"0",129,"C0") (2,"1",129,"C1") (4,"3",129,"C3") )"
                                     R"((5,"4",129,"C4"))");
}

TEST_F(PhonebookJobsOnCard, ACardPulledMidDeleteEndsTheJobWithTheFailure) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(4));
    log_.on_step = [this](int step) {
        if (step == 1)
            Control("pull");
    };
    EXPECT_EQ(DeleteCardContacts(*book_, {0, 1, 2, 3}, &texts_, test::RunInto(log_)), 1);
    EXPECT_EQ(box_.shown, (std::vector<std::string>{"dedevev|removepbfail|10"}));
}

TEST_F(PhonebookJobsOnCard, CopyingTwiceAddsEachContactOnce) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(3));
    TransferOutcome first =
        TransferCardContacts(pc_, *book_, {2, 0}, false, &texts_, test::RunInto(log_));
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"copying", "copying[C0]", "1/2", "copying[C2]",
                                                     "2/2", "ended"}));
    // The second copy finds every contact there already.
    TransferOutcome again =
        TransferCardContacts(pc_, *book_, {0, 1, 2}, false, &texts_, test::RunInto(log_));
    EXPECT_EQ(std::vector<int>({first.added, first.placed, again.added, again.placed}),
              std::vector<int>({2, 2, 1, 3}));
    EXPECT_EQ(PCNames(), (std::vector<std::string>{"C0=0", "C2=2", "C1=1"}));
    EXPECT_EQ(book_->GetCount(), 3);
}

TEST_F(PhonebookJobsOnCard, ACardGoneMidMoveKeepsWhatWasNotCopied) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(3));
    log_.on_step = [this](int step) {
        if (step == 1)
            PullCard();
    };
    const TransferOutcome moved =
        TransferCardContacts(pc_, *book_, {0, 1, 2}, true, &texts_, test::RunInto(log_));
    EXPECT_TRUE(moved.interrupted);
    EXPECT_EQ(PCNames(), (std::vector<std::string>{"C0=0"}));
    // Not one card contact was deleted, least of all the two the PC never got.
    EXPECT_EQ(moved.deleted, 0);
    EXPECT_EQ(Control("pb-list SM"), R"(OK (1,"0",129,"C0") (2,"1",129,"C1") (3,"2",129,"C2"))");
}

}  // namespace
}  // namespace dedevev

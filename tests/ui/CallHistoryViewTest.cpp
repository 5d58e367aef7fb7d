// The call lists of the history view: rows with names, notices applied in the right place,
// deleting several selected calls, the missed list marked seen.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <thread>
#include <vector>

#include "connection/views/DlgRecord.h"
#include "phonebook/NameMapping.h"
#include "tests/support/OneName.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"
#include "voice/views/CallHistoryList.h"

namespace dedevev {
namespace {

using test::OneName;

CallRecord Call(std::u16string number, int duration, std::u16string name = u"", bool seen = false) {
    CallRecord r;
    r.number = std::move(number);
    r.name = std::move(name);
    r.start = {2011, 4, 3, 9, 5, 7};
    r.duration = duration;
    r.seen = seen;
    return r;
}

std::vector<std::u16string> Numbers(const ICallHistory& history) {
    std::vector<std::u16string> out;
    CallRecord r;
    for (int i = 0; history.Get(&r, i); ++i)
        out.push_back(r.number);
    return out;
}

QString Cell(const CCallHistoryList& list, int row, int column) {
    return list.model()->index(row, column).data().toString();
}

class CallHistoryViewTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }

    CDlgRecord& Open() {
        RecordEnvironment env;
        env.call_history = [this](CallList list) { return &lists_[static_cast<int>(list)]; };
        env.mapping = &names_;
        env.write_message = [this](QWidget*, const std::u16string& to) { writes_.push_back(to); };
        dlg_ = std::make_unique<CDlgRecord>(env);
        return *dlg_;
    }

    OneName names_;
    CCallHistory lists_[3];
    std::vector<std::u16string> writes_;
    test::MessageRecorder answers_;
    std::unique_ptr<CDlgRecord> dlg_;
};

TEST_F(CallHistoryViewTest, RowsShowNamesTimesAndDurations) {
    CCallHistory& accepted = lists_[static_cast<int>(CallList::kAccepted)];
    accepted.Add(Call(u"0811", 3723), false);
    accepted.Add(Call(u"0999", 5, u"Own name"), false);
    accepted.Add(Call(u"", 0), false);
    CCallHistoryList list(&accepted, true, &names_);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "Name");
    const std::vector<std::vector<QString>> rows = {
        {"", "", "2011-04-03 09:05:07", "00:00:00"},
        {"Own name", "0999", "2011-04-03 09:05:07", "00:00:05"},
        {"Ann", "0811", "2011-04-03 09:05:07", "01:02:03"}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(Cell(list, row, column), rows[row][column]) << row << "," << column;
    }
    EXPECT_EQ(CCallHistoryList(&accepted, false, &names_).model()->columnCount(), 3);
}

TEST_F(CallHistoryViewTest, CallsAddedBeforeANoticeIsHandledLandInTheirPlace) {
    CCallHistory& missed = lists_[static_cast<int>(CallList::kMissed)];
    missed.Add(Call(u"1", 0), false);
    CCallHistoryList list(&missed, false, &names_);
    // Two calls come on the call manager's thread before the window handles either notice.
    std::thread manager([&] {
        missed.Add(Call(u"2", 0), false);
        missed.Add(Call(u"3", 0), false);
    });
    manager.join();
    list.ApplyQueued();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(Cell(list, 0, 1), "3");
    EXPECT_EQ(Cell(list, 1, 1), "2");
    EXPECT_EQ(Cell(list, 2, 1), "1");
}

TEST_F(CallHistoryViewTest, DeleteRemovesExactlyTheSelectedCallsAndClearActsOnTheListShown) {
    CCallHistory& dialed = lists_[static_cast<int>(CallList::kDialed)];
    for (const char16_t* number : {u"a", u"b", u"c", u"d", u"e"})
        dialed.Add(Call(number, 1), false);
    CDlgRecord& dlg = Open();
    dlg.ShowView(CDlgRecord::View::kVoiceDial);
    CCallHistoryList* list = dlg.CallListShown();
    ASSERT_NE(list, nullptr);
    list->selectRow(0);  // e
    list->selectionModel()->select(list->model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);  // b
    // A call dialed meanwhile, its notice not yet handled, moves nothing.
    std::thread manager([&] { dialed.Add(Call(u"f", 1), false); });
    manager.join();
    answers_.answer = kMsgFirst;
    dlg.DeleteSelected();
    EXPECT_EQ(Numbers(dialed), (std::vector<std::u16string>{u"f", u"d", u"c", u"a"}));
    EXPECT_EQ(list->Count(), 4);
    EXPECT_EQ(answers_.shown.back(), u"Delete the selected records?");

    list->clearSelection();
    list->selectRow(1);
    dlg.MessageSelected();
    EXPECT_EQ(writes_, std::vector<std::u16string>{u"d"});

    dlg.ClearAll();
    EXPECT_EQ(dialed.Count(), 0);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(lists_[static_cast<int>(CallList::kAccepted)].Count(), 0);
}

TEST_F(CallHistoryViewTest, OpeningTheMissedCallsMarksThemSeen) {
    CCallHistory& missed = lists_[static_cast<int>(CallList::kMissed)];
    missed.Add(Call(u"1", 0), false);
    missed.Add(Call(u"2", 0), false);
    CDlgRecord& dlg = Open();
    dlg.ShowView(CDlgRecord::View::kVoiceRecv);
    EXPECT_EQ(missed.UnseenCount(), 2);
    dlg.ShowView(CDlgRecord::View::kVoiceMissed);
    EXPECT_EQ(missed.UnseenCount(), 0);
    EXPECT_EQ(dlg.CallListShown()->Count(), 2);
}

}  // namespace
}  // namespace dedevev

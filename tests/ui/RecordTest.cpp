// The history view: its rows follow the store (sessions added on another thread, deleted,
// cleared), the month and range views, and the date-range dialog's refusal.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateEdit>
#include <QTreeWidget>

#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "connection/views/DlgRecord.h"
#include "connection/views/DlgTimeStat.h"
#include "resources/views/QtSkin.h"
#include "tests/support/Eventually.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

namespace fs = std::filesystem;
using View = CDlgRecord::View;

SessionStats Session(DateTimeFields start, std::uint32_t duration, std::uint64_t sent,
                     std::uint64_t received) {
    SessionStats s;
    s.start = start;
    s.duration = duration;
    s.bytes_sent = sent;
    s.bytes_received = received;
    return s;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        file_ = (fs::temp_directory_path() /
                 ("dedevev-record-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat"))
                    .string();
        // Made newest first: 3 and 2 April, 31 March, 1 April.
        NetRecordStore store;
        for (const SessionStats& s :
             {Session({2011, 4, 1, 8, 0, 0}, 60, 1024, 0),
              Session({2011, 3, 31, 23, 59, 59}, 3723, 1024, 512),
              Session({2011, 4, 2, 9, 0, 0}, 1, 0, 0), Session({2011, 4, 3, 0, 0, 0}, 10, 0, 2048)})
            store.Add(s);
        ASSERT_TRUE(store.Save(file_));
    }
    void TearDown() override {
        dlg_.reset();
        std::error_code ignored;
        fs::remove(file_, ignored);
    }

    CDlgRecord& Open() {
        RecordEnvironment env;
        env.history_file = file_;
        env.choose_range = [this](QWidget*) { return range_; };
        dlg_ = std::make_unique<CDlgRecord>(env);
        return *dlg_;
    }
    int Rows() const { return dlg_->List()->topLevelItemCount(); }
    QString Cell(int row, int column) const {
        return dlg_->List()->topLevelItem(row)->text(column);
    }
    bool RowsBecome(int count) {
        return test::Eventually([&] {
            QCoreApplication::processEvents();
            return Rows() == count;
        });
    }
    std::size_t Saved() const {
        NetRecordStore store;
        store.Load(file_);
        return store.Count();
    }

    std::string file_;
    test::MessageRecorder answers_;
    std::optional<std::pair<DateTimeFields, DateTimeFields>> range_;
    std::unique_ptr<CDlgRecord> dlg_;
};

TEST_F(RecordTest, RowsFollowTheStoreAndEveryChangeIsSaved) {
    CDlgRecord& dlg = Open();
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(0, 0), "2011-04-03 00:00:00");
    EXPECT_EQ(Cell(2, 0), "2011-03-31 23:59:59");
    EXPECT_EQ(Cell(2, 1), "01:02:03");
    EXPECT_EQ(Cell(2, 2), "1.500");

    // Sessions finish on the connection's thread; an impossible date shows as such.
    std::thread connection([&] {
        dlg.Store()->Add(Session({2011, 4, 5, 10, 0, 0}, 5, 1, 1));
        dlg.Store()->Add(Session({2011, 13, 5, 10, 0, 0}, 5, 1, 1));
    });
    connection.join();
    ASSERT_TRUE(RowsBecome(6));
    EXPECT_EQ(Cell(0, 0), "Invalid time");
    EXPECT_EQ(Cell(1, 0), "2011-04-05 10:00:00");
    EXPECT_EQ(Saved(), 6u);

    dlg.List()->topLevelItem(0)->setSelected(true);
    dlg.List()->topLevelItem(4)->setSelected(true);
    answers_.answer = kMsgSecond;
    dlg.DeleteSelected();
    EXPECT_EQ(dlg.Store()->Count(), 6u);
    answers_.answer = kMsgFirst;
    dlg.DeleteSelected();
    ASSERT_TRUE(RowsBecome(4));
    EXPECT_EQ(Cell(0, 0), "2011-04-05 10:00:00");
    EXPECT_EQ(Cell(3, 0), "2011-04-01 08:00:00");  // the March session went
    EXPECT_EQ(Saved(), 4u);
    EXPECT_EQ(answers_.shown.front(), u"Delete the selected records?");

    dlg.ClearAll();
    ASSERT_TRUE(RowsBecome(0));
    EXPECT_EQ(Saved(), 0u);
}

TEST_F(RecordTest, MonthAndRangeViews) {
    CDlgRecord& dlg = Open();
    dlg.ShowView(View::kNetMonth);
    ASSERT_EQ(Rows(), 3);  // April, March, April: only neighbours merge
    EXPECT_EQ(Cell(0, 0), "2011-04");
    EXPECT_EQ(Cell(0, 1), "00:00:11");
    EXPECT_EQ(Cell(0, 2), "2.000");
    EXPECT_EQ(Cell(1, 0), "2011-03");

    // The 2nd and 3rd of April, the range dialog's whole days.
    range_.emplace(DateTimeFields{2011, 4, 2, 0, 0, 0}, DateTimeFields{2011, 4, 3, 23, 59, 59});
    dlg.ShowView(View::kNetTime);
    EXPECT_EQ(dlg.List()->columnCount(), 2);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), "00:00:11");
    EXPECT_EQ(Cell(0, 1), "2.000");
    range_.reset();
    dlg.ShowView(View::kNetTime);
    EXPECT_EQ(Rows(), 0);

    dlg.ShowView(View::kVoiceMissed);
    EXPECT_EQ(Rows(), 0);
    dlg.ClearAll();  // the call lists are not the connection history
    EXPECT_EQ(dlg.Store()->Count(), 4u);
}

TEST_F(RecordTest, RangeDialogRefusesABeginAfterTheEnd) {
    CDlgTimeStat dialog({2011, 4, 3, 12, 0, 0}, {2011, 4, 2, 12, 0, 0});
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(answers_.shown,
              std::vector<std::u16string>{u"The start date must not be later than the end date."});
    dialog.SetRange({2011, 4, 2, 12, 0, 0}, {2011, 4, 2, 12, 0, 0});
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Begin(), (DateTimeFields{2011, 4, 2, 0, 0, 0}));
    EXPECT_EQ(dialog.End(), (DateTimeFields{2011, 4, 2, 23, 59, 59}));
}

}  // namespace
}  // namespace dedevev

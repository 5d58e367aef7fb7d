// The call lists: their files, the add/remove rules, the totals and the process-wide holder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/FileModes.h"
#include "support/TempDir.h"
#include "voice/CallHistory.h"
#include "voice/CallHistoryFile.h"

namespace dedevev {
namespace {

CallRecord Call(std::u16string number, int duration, bool seen = false, std::u16string name = u"",
                DateTimeFields start = {2024, 5, 6, 7, 8, 9}) {
    CallRecord r;
    r.number = std::move(number);
    r.name = std::move(name);
    r.start = start;
    r.duration = duration;
    r.seen = seen;
    return r;
}

std::vector<CallRecord> All(const ICallHistory& history) {
    std::vector<CallRecord> out(static_cast<std::size_t>(history.Count()));
    for (int i = 0; i < history.Count(); ++i)
        history.Get(&out[static_cast<std::size_t>(i)], i);
    return out;
}

struct Recorder final : ICallHistoryObserver {
    explicit Recorder(ICallHistory* h) : history(h) {}
    void OnAdded(ICallHistory*, int index) override {
        log.push_back("+" + std::to_string(index) + "/" + std::to_string(history->Count()));
    }
    void OnRemoved(ICallHistory*, int index) override {
        log.push_back("-" + std::to_string(index));
    }
    void OnCleared(ICallHistory*) override { log.push_back("clear"); }
    void OnTalkTimeChanged(ICallHistory*) override { log.push_back("t"); }
    ICallHistory* history;
    std::vector<std::string> log;
};

TEST(CallHistoryFile, WritesTheBlocksAndReadsThemBackExactly) {
    const std::vector<CallRecord> records = {
        Call(u"", 0, false),  // a withheld number
        Call(u"Number:Time:1", 5, true, u"Name:Duration:State:1 TimeCount:9 \u00e9\u4e2d"),
        Call(u"+6281234", 3661, true, u"#hash", {2011, 3, 5, 14, 2, 9})};
    const std::string bytes = SerialiseCallHistory(77, records);
    EXPECT_TRUE(bytes.starts_with(
        test::Utf16LeFile(u"TimeCount:77\r\n\r\nNumber:\r\nTime:2024-5-6,7:8:9\r\nDuration:0\r\n"
                          u"State:0\r\nName:\r\n\r\nNumber:Number:Time:1\r\n")));
    const CallHistoryFile back = ParseCallHistory(bytes);
    EXPECT_EQ(back.talk_time, 77);
    EXPECT_EQ(back.records, records);
}

TEST(CallHistoryFile, ReadsOldNarrowAndDamagedFilesWithoutShiftingRecords) {
    struct Case {
        const char* what;
        std::string bytes;
        int talk_time;
        std::vector<CallRecord> records;
    };
    const DateTimeFields t{2020, 1, 2, 3, 4, 5};
    const std::vector<Case> cases = {
        {"old file without Name:",
         test::Utf16LeFile(u"TimeCount:12\r\n\r\nNumber:111\r\nTime:2020-1-2,3:4:5\r\nDuration:"
                           u"4\r\nState:0\r\n\r\nNumber:222\r\nTime:2020-1-2,3:4:5\r\nDuration:"
                           u"8\r\nState:1\r\n\r\n"),
         12,
         {Call(u"111", 4, false, u"", t), Call(u"222", 8, true, u"", t)}},
        {"UTF-8 without FF FE, LF endings, short time",
         "TimeCount:\n\nNumber:333\nTime:2020/1/2 3\nDuration:6\nState:2\nName:J\xc3\xbcrgen\n\n",
         0,
         {Call(u"333", 6, false, u"J\u00fcrgen", DateTimeFields{})}},
        {"damaged blocks lose only themselves",
         "TimeCount:3\r\n\r\n"
         "Number:1\r\nTime:2020-1-2,3:4:5\r\nDuration:\r\nState:0\r\nName:empty duration\r\n\r\n"
         "Number:2\r\nTime:2020-1-2,3:4:5\r\nState:0\r\nName:no duration\r\n\r\n"
         "Number:3\r\nTime:2020-1-2,3:4:5\r\nDuration:1\r\nState:1\r\nName:whole\r\n\r\n"
         "Number:4\r\nTime:2020-1-2,3:4:5\r\nDuration:2\r\n\r\n"
         "Number:5\r\nTime:2020-1-2,3:4:5\r\nDuration:9\r\nState:0\r\n\r\n",
         3,
         {Call(u"3", 1, true, u"whole", t), Call(u"5", 9, false, u"", t)}},
    };
    for (const Case& c : cases) {
        const CallHistoryFile file = ParseCallHistory(c.bytes);
        EXPECT_EQ(file.talk_time, c.talk_time) << c.what;
        EXPECT_EQ(file.records, c.records) << c.what;
    }
}

TEST(CallHistory, AddsInFrontReplacesTheSameNumberAndKeepsTheTotals) {
    CCallHistory history;
    Recorder recorder(&history);
    history.Add(Call(u"555", 10, false), false);
    history.Add(Call(u"666", 20, true), false);
    history.Add(Call(u"555", 30, true), false);
    history.AddObserver(&recorder);
    history.Add(Call(u"555", 40, false), true);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"-2", "-0", "t", "+0/2"}));
    EXPECT_EQ(All(history), (std::vector<CallRecord>{Call(u"555", 40), Call(u"666", 20, true)}));
    EXPECT_EQ(history.UnseenCount(), 1);
    EXPECT_EQ(history.GetTalkTime(), 100);

    history.Add(Call(u"777", 1), false);
    history.MarkSeen(0);
    history.MarkSeen(0);
    EXPECT_EQ(history.UnseenCount(), 1);
    history.RemoveAt(1);  // the unseen 555
    EXPECT_EQ(history.UnseenCount(), 0);
    history.Add(Call(u"888", 1), false);
    history.MarkAllSeen();
    EXPECT_EQ(history.UnseenCount(), 0);

    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.GetTalkTime(), 102);
    history.ResetTalkTime();
    EXPECT_EQ(history.GetTalkTime(), 0);
    history.RemoveObserver(&recorder);
    history.Add(Call(u"999", 1), false);
    EXPECT_EQ(recorder.log.back(), "t");  // from ResetTalkTime; nothing after removal
}

TEST(CallHistories, LoadsTheThreeFilesAndSavesThemAtTheEnd) {
    test::TempDir dir;
    test::WriteFile(CallHistories::FilePath(dir.Path(), CallList::kAccepted),
                    SerialiseCallHistory(9, {Call(u"1", 9, false)}));
    {
        CallHistories lists(dir.Path());
        EXPECT_EQ(lists.Accepted().Count(), 1);
        EXPECT_EQ(lists.Accepted().UnseenCount(), 1);
        lists.Missed().Add(Call(u"2", 0), false);
    }
    struct stat info {};
    const std::string missed = CallHistories::FilePath(dir.Path(), CallList::kMissed);
    ASSERT_EQ(::stat(missed.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(test::ReadFile(missed), SerialiseCallHistory(0, {Call(u"2", 0)}));
    EXPECT_EQ(test::ReadFile(CallHistories::FilePath(dir.Path(), CallList::kDialed)),
              SerialiseCallHistory(0, {}));
}

TEST(CallHistories, AFileThatCannotBeReadIsKeptAndAFailedSaveIsReported) {
    test::TempDir dir;
    const std::string dialed = CallHistories::FilePath(dir.Path(), CallList::kDialed);
    const std::string old = SerialiseCallHistory(5, {Call(u"1", 5)});
    test::WriteFile(dialed, old);
    ::chmod(dialed.c_str(), 0);
    bool ran_saves = false;
    ASSERT_TRUE(test::RunWhereFileModesBind([&] {
        CallHistories lists(dir.Path());
        EXPECT_EQ(lists.Dialed().Count(), 0);
        lists.Dialed().Add(Call(u"2", 1), false);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(lists.SaveAll());
        EXPECT_NE(testing::internal::GetCapturedStderr().find(dialed), std::string::npos);
        ran_saves = true;
    }));
    ASSERT_TRUE(ran_saves);
    ::chmod(dialed.c_str(), 0600);
    EXPECT_EQ(test::ReadFile(dialed), old);

    CallHistories gone(dir.Path() + "no-such-folder");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(gone.SaveAll());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("CallMissed.dat"), std::string::npos);
}

}  // namespace
}  // namespace dedevev

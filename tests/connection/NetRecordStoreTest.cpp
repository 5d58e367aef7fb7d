// The connection history: HistoryNet.dat, the sums by range and by month, observers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "connection/NetRecordStore.h"
#include "support/FileModes.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

SessionStats Session(DateTimeFields start, std::uint32_t seconds, std::uint64_t sent = 0,
                     std::uint64_t received = 0) {
    return SessionStats{start, seconds, sent, received};
}
DateTimeFields At(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    return DateTimeFields{y, mo, d, h, mi, s};
}

// Adds the sessions oldest first, so that the store runs newest first.
void Fill(NetRecordStore& store, const std::vector<SessionStats>& oldest_first) {
    for (const SessionStats& s : oldest_first)
        store.Add(s);
}

TEST(NetRecordStore, WritesNewestFirstAndReadsBackExactly) {
    NetRecordStore store;
    Fill(store, {Session(At(2011, 3, 5, 14, 2, 9), 61, 5, 18446744073709551615ull),
                 Session(At(2024, 12, 31, 23, 59, 59), 0, 0, 7)});
    const std::string expected = test::Utf16LeFile(
        u"Time:2024-12-31,23:59:59\r\nDuration:0\r\nBytesSend:0\r\nBytesRecv:7\r\n\r\n"
        u"Time:2011-3-5,14:2:9\r\nDuration:61\r\nBytesSend:5\r\n"
        u"BytesRecv:18446744073709551615\r\n\r\n");
    EXPECT_EQ(store.Serialise(), expected);
    NetRecordStore back;
    back.Parse(expected);
    EXPECT_EQ(back.Snapshot(), store.Snapshot());
}

TEST(NetRecordStore, ReadsNarrowTextAndDamagedBlocksLoseOnlyThemselves) {
    NetRecordStore store;
    store.Parse(
        "# history\n\nTime:2020-1-2,3:4:5\nDuration:10\nBytesSend:1\nBytesRecv:2\n"
        // no Duration: this block is dropped, and the next block stays whole
        "Time:2020-1-3,0:0:0\r\nBytesSend:9\r\nBytesRecv:9\r\n\r\n"
        "Time:2020/01/04 05.06\r\nDuration:20\r\nBytesSend:3\r\nBytesRecv:4\r\n\r\n"
        // an empty value drops the block
        "Time:2020-1-5,0:0:0\r\nDuration:\r\nBytesSend:3\r\nBytesRecv:4\r\n"
        // no Time: line: the block ends at the out-of-order key
        "Duration:30\r\nBytesSend:3\r\nBytesRecv:4\r\n"
        "Time:2020-1-6,1:2:3\r\nDuration:40\r\nBytesSend:5\r\nBytesRecv:6\r\n");
    EXPECT_EQ(store.Snapshot(),
              (std::vector<SessionStats>{Session(At(2020, 1, 2, 3, 4, 5), 10, 1, 2),
                                         Session(DateTimeFields{}, 20, 3, 4),  // only five numbers
                                         Session(At(2020, 1, 6, 1, 2, 3), 40, 5, 6)}));
}

TEST(NetRecordStore, RangeCountsTheBeginDayFromMidnightAndStopsBeforeTheEndDaysLastSecond) {
    NetRecordStore store;
    Fill(store, {Session(At(2024, 2, 29, 23, 59, 59), 1), Session(At(2024, 3, 1, 0, 0, 0), 2),
                 Session(At(2024, 3, 2, 8, 0, 0), 4), Session(At(2024, 3, 3, 23, 59, 58), 8),
                 Session(At(2024, 3, 3, 23, 59, 59), 16), Session(At(2024, 3, 4, 0, 0, 0), 32)});
    struct Case {
        DateTimeFields begin, end;
        std::uint32_t duration;
    };
    for (const Case& c : {Case{At(2024, 3, 1, 17), At(2024, 3, 3, 1), 14},
                          Case{At(2024, 3, 3, 1), At(2024, 3, 1, 17), 14},  // swapped
                          Case{At(2024, 3, 2), At(2024, 3, 2), 4}}) {
        const SessionStats sum = store.SumRange(c.begin, c.end);
        EXPECT_EQ(sum.duration, c.duration);
        EXPECT_EQ(sum.start, At(2024, 3, std::min(c.begin.day, c.end.day), 0, 0, 0));
    }
}

TEST(NetRecordStore, MonthsMergeOnlyNeighboursAndAnEmptyLastGroupIsDropped) {
    NetRecordStore store;
    Fill(store, {Session(At(2024, 1, 9), 0), Session(At(2024, 2, 1), 1, 1, 1),
                 Session(At(2024, 3, 1), 2, 2, 2), Session(At(2024, 3, 5), 3, 3, 3),
                 Session(At(2024, 2, 7), 4, 4, 4)});
    EXPECT_EQ(store.SumByMonth(), (std::vector<SessionStats>{Session(At(2024, 2, 7), 4, 4, 4),
                                                             Session(At(2024, 3, 5), 5, 5, 5),
                                                             Session(At(2024, 2, 1), 1, 1, 1)}));
}

struct Observer : INetRecordObserver {
    void OnRecordAdded(std::size_t i) override { calls.push_back("+" + std::to_string(i)); }
    void OnRecordRemoved(std::size_t i) override { calls.push_back("-" + std::to_string(i)); }
    void OnRecordsCleared() override { calls.push_back("clear"); }
    std::vector<std::string> calls;
};

TEST(NetRecordStore, ObserversHearEachChangeOnce) {
    NetRecordStore store;
    Observer observer;
    store.AddObserver(&observer);
    store.AddObserver(&observer);
    Fill(store, {Session(At(2024, 1, 1), 1), Session(At(2024, 1, 2), 2)});
    EXPECT_TRUE(store.RemoveAt(1));
    EXPECT_FALSE(store.RemoveAt(1));
    store.Clear();
    store.RemoveObserver(&observer);
    store.Add(Session(At(2024, 1, 3), 3));
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"+0", "+0", "-1", "clear"}));
}

TEST(NetRecordStore, SaveIsPrivateAndAFailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.File("HistoryNet.dat");
    NetRecordStore store;
    EXPECT_FALSE(store.Load(path));  // missing: empty
    store.Add(Session(At(2024, 1, 1), 9));
    ASSERT_TRUE(store.Save(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string old = test::ReadFile(path);

    store.Add(Session(At(2024, 1, 2), 10));
    ::chmod(dir.Path().c_str(), 0500);
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] { saved = store.Save(path); });
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(path), old);
    NetRecordStore back;
    EXPECT_TRUE(back.Load(path));
    EXPECT_EQ(back.Count(), 1u);
}

}  // namespace
}  // namespace dedevev

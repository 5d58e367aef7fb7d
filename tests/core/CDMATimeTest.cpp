// The program's clock object reads the local time of the process clock into its record.
#include <gtest/gtest.h>

#include <chrono>

#include "core/CDMATime.h"
#include "device/base/Clock.h"

namespace dedevev {
namespace {

TEST(CDMATimeTest, GetTimeRefillsItsOwnRecordFromTheProcessClock) {
    using namespace std::chrono;
    ManualClock clock(local_days{year{2009} / 12 / 31} + hours{23} + minutes{59} + seconds{58} +
                      milliseconds{999});
    ScopedProcessClock installed(clock);
    ICDMATime& time = CdmaTime();
    DateTimeFields* record = time.GetTime();
    EXPECT_EQ(*record, (DateTimeFields{2009, 12, 31, 23, 59, 58}));
    clock.Advance(milliseconds(1001));
    EXPECT_EQ(*record, (DateTimeFields{2009, 12, 31, 23, 59, 58}));  // until asked again
    EXPECT_EQ(time.GetTime(), record);
    EXPECT_EQ(*record, (DateTimeFields{2010, 1, 1, 0, 0, 0}));
    EXPECT_EQ(CdmaTime().Now(), *record);
    EXPECT_EQ(&CdmaTime(), &time);
}

}  // namespace
}  // namespace dedevev

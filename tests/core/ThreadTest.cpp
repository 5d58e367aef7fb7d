// The thread base, the progress job, events and the clocks.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Thread.h"
#include "device/base/Clock.h"
#include "device/base/Event.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(EventTest, ManualStaysSetAutoLetsOneThrough) {
    Event manual(Event::Reset::kManual);
    EXPECT_FALSE(manual.WaitFor(milliseconds(0)));
    manual.Set();
    EXPECT_TRUE(manual.WaitFor(milliseconds(0)));
    EXPECT_TRUE(manual.WaitFor(milliseconds(0)));
    manual.Clear();
    EXPECT_FALSE(manual.IsSet());

    Event automatic(Event::Reset::kAuto, true);
    EXPECT_TRUE(automatic.IsSet());
    EXPECT_TRUE(automatic.WaitFor(milliseconds(0)));
    EXPECT_FALSE(automatic.WaitFor(milliseconds(0)));
}

TEST(EventTest, SetWakesWaiterOnAnotherThread) {
    Event event(Event::Reset::kAuto);
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        event.Wait();
        woke = true;
    });
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(event.IsSet());  // consumed by the waiter
}

TEST(ClockTest, TestClockMovesOnlyBySleeps) {
    TestClock clock;
    const auto start = clock.Now();
    EXPECT_TRUE(clock.SleepFor(seconds(10), nullptr));
    EXPECT_EQ(clock.Now() - start, seconds(10));
    Event stop;
    stop.Set();
    EXPECT_FALSE(clock.SleepFor(seconds(10), &stop));
    EXPECT_EQ(clock.Now() - start, seconds(10));
    EXPECT_EQ(clock.SleepCount(), 1);
}

TEST(ClockTest, SystemSleepEndsOnStop) {
    SystemClock clock;
    Event stop;
    std::thread stopper([&] { stop.Set(); });
    // Without the stop this would take ten minutes; the test's own timeout catches a hang.
    EXPECT_FALSE(clock.SleepFor(std::chrono::minutes(10), &stop));
    stopper.join();
    EXPECT_TRUE(clock.SleepFor(milliseconds(1), nullptr));
}

TEST(ClockTest, ProcessClockCanBeReplaced) {
    IClock& system = ProcessClock();
    {
        TestClock clock;
        ScopedProcessClock installed(clock);
        ProcessClock().SleepFor(seconds(5), nullptr);
        EXPECT_EQ(clock.Slept(), seconds(5));
    }
    EXPECT_EQ(&ProcessClock(), &system);
}

// Every kind of wait on a manual clock ends exactly when the clock reaches its deadline.
TEST(ClockTest, ManualWaitsEndWhenTheClockPassesTheirDeadline) {
    struct Case {
        const char* name;
        std::function<bool(ManualClock&)> wait;  // waits 100 ms of the clock
        bool result;
    };
    const std::vector<Case> cases = {
        {"sleep", [](ManualClock& c) { return c.SleepFor(milliseconds(100), nullptr); }, true},
        {"sleep with a stop event",
         [](ManualClock& c) {
             Event stop;
             return c.SleepFor(milliseconds(100), &stop);
         },
         true},
        {"event",
         [](ManualClock& c) {
             Event event;
             return event.WaitUntil(c, c.Now() + milliseconds(100));
         },
         false},
        {"condition",
         [](ManualClock& c) {
             std::mutex mutex;
             std::condition_variable cv;
             std::unique_lock<std::mutex> lock(mutex);
             return c.WaitFor(cv, lock, milliseconds(100), [] { return false; });
         },
         false},
    };
    for (const Case& c : cases) {
        ManualClock clock;
        std::atomic<bool> done{false};
        bool result = !c.result;
        std::thread waiter([&] {
            result = c.wait(clock);
            done = true;
        });
        const IClock::TimePoint due = clock.Now() + milliseconds(100);
        ASSERT_TRUE(clock.AwaitWaiter(due)) << c.name;
        clock.Advance(milliseconds(99));
        ASSERT_TRUE(clock.AwaitWaiter(due)) << c.name;
        EXPECT_FALSE(done) << c.name;
        clock.Advance(milliseconds(1));
        waiter.join();
        EXPECT_EQ(result, c.result) << c.name;
    }
}

TEST(ClockTest, ManualWaitEndsEarlyOnItsConditionAndWallTimeMovesWithTheClock) {
    using namespace std::chrono;
    ManualClock clock(local_days{year{2009} / 5 / 7} + hours{23} + minutes{59});
    Event event;
    std::thread setter([&] {
        ASSERT_TRUE(clock.AwaitWaiter(IClock::kNever));
        event.Set();
    });
    EXPECT_TRUE(event.WaitUntil(clock, IClock::kNever));
    setter.join();
    clock.Advance(minutes(2));
    EXPECT_EQ(clock.LocalNow(), local_days{year{2009} / 5 / 8} + minutes{1});
}

class GatedThread : public CThread {
public:
    ~GatedThread() override {
        gate.Set();
        Join();
    }
    Event gate;
    std::atomic<int> runs{0};
    bool allowed = true;

protected:
    void Run() override {
        ++runs;
        gate.Wait();
    }
    bool CanStart() override { return allowed; }
};

TEST(ThreadTest, StartWhileRunningDoesNotStartTwice) {
    GatedThread thread;
    EXPECT_TRUE(thread.Wait(milliseconds(0)));  // never started
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Wait(milliseconds(10)));
    thread.gate.Set();
    ASSERT_TRUE(thread.Wait(seconds(30)));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.runs, 1);
    // An ended thread starts anew.
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.Wait(seconds(30)));
    EXPECT_EQ(thread.runs, 2);
}

TEST(ThreadTest, CanStartRefuses) {
    GatedThread thread;
    thread.allowed = false;
    EXPECT_FALSE(thread.Start());
    EXPECT_FALSE(thread.WasStarted());
}

class Sink : public IProgressSink {
public:
    void OnProgressStep(int step, int total) override {
        events.push_back("step " + std::to_string(step) + "/" + std::to_string(total));
    }
    void OnProgressText(const std::u16string& text) override {
        events.push_back("text " + std::string(text.begin(), text.end()));
    }
    void OnJobEnded() override { events.push_back("ended"); }
    std::vector<std::string> events;
};

class TwoStepJob : public CThreadProgress {
public:
    ~TwoStepJob() override { Join(); }

protected:
    void DoJob() override {
        ReportText(u"working");
        ReportStep(1, 2);
        ReportStep(2, 2);
    }
};

TEST(ThreadTest, ProgressJobReportsThenEnds) {
    Sink sink;
    TwoStepJob job;
    EXPECT_FALSE(job.IsCancelable());
    job.SetProgressWindow(&sink);
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(job.Wait(seconds(30)));
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"text working", "step 1/2", "step 2/2", "ended"}));

    TwoStepJob alone;  // no window: reports go nowhere
    ASSERT_TRUE(alone.Start());
    EXPECT_TRUE(alone.Wait(seconds(30)));
}

}  // namespace
}  // namespace dedevev

#include "resources/views/DlgProgress.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <atomic>
#include <functional>

#include "SkinTestSupport.h"
#include "device/base/Event.h"

namespace dedevev {
namespace {

// Reports one step and a text, then waits until released or cancelled.
class GatedWorker : public CThreadProgress {
public:
    explicit GatedWorker(bool cancelable) : cancelable_(cancelable) {}
    ~GatedWorker() override {
        gate_.Set();
        Join();
    }
    bool IsCancelable() override { return cancelable_; }
    void Cancel() override {
        ++cancel_calls;
        if (cancelable_) {
            cancelled = true;
            gate_.Set();
        }
    }
    void Release() { gate_.Set(); }

    std::atomic<int> cancel_calls{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};

protected:
    void DoJob() override {
        ReportText(u"Reading <b>entries</b>");
        ReportStep(2, 5);
        gate_.Wait();
        finished = !cancelled;
    }

private:
    bool cancelable_;
    Event gate_;
};

// Runs `step` every few milliseconds on the window thread while the dialog runs; `step`
// returns the next phase number and the run stops polling at -1.
void Drive(QDialog& dialog, std::function<int(int)> step) {
    auto* timer = new QTimer(&dialog);
    auto phase = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, phase, step] {
        *phase = step(*phase);
        if (*phase < 0)
            timer->stop();
    });
    timer->start(2);
}

class DlgProgressTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }
};

TEST_F(DlgProgressTest, LayoutsByBackgroundAndCancelability) {
    struct Case {
        bool cancelable;
        const char* background;
        QSize size;
        QRect label;
        QRect bar;
        bool cancel_shown;
    } const cases[] = {
        {false, "Dlg_BK", {400, 70}, {7, 7, 379, 24}, {7, 35, 379, 16}, false},
        {true, "Dlg_BK", {400, 82}, {7, 7, 379, 24}, {7, 35, 379, 16}, true},
        {true, "InitBK", {465, 239}, {30, 179, 405, 20}, {30, 199, 405, 16}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.background + std::to_string(c.cancelable));
        GatedWorker worker(c.cancelable);
        CDlgProgress dialog(&worker, nullptr, nullptr, c.background);
        EXPECT_EQ(CDlgProgress::CurrentWorker(), &worker);
        EXPECT_EQ(dialog.size(), c.size);
        EXPECT_EQ(dialog.findChild<QLabel*>("ProgressText")->geometry(), c.label);
        EXPECT_EQ(dialog.findChild<QProgressBar*>("ProgressBar")->geometry(), c.bar);
        auto* cancel = dialog.findChild<QAbstractButton*>("BtnCancel");
        EXPECT_EQ(cancel->isVisibleTo(&dialog), c.cancel_shown);
        if (c.cancel_shown) {
            EXPECT_EQ(cancel->x(), 160);
            EXPECT_GE(cancel->y(), c.bar.bottom() + 1);
            EXPECT_LE(cancel->geometry().bottom(), c.size.height());
            EXPECT_EQ(cancel->text(), "Cancel");
            dialog.SetCancelText("Stop");
            EXPECT_EQ(cancel->text(), "Stop");
        }
        EXPECT_EQ(dialog.windowOpacity() < 1.0, std::string(c.background) == "InitBK");
        EXPECT_FALSE(worker.WasStarted());  // the worker starts when the window opens
    }
    EXPECT_EQ(CDlgProgress::CurrentWorker(), nullptr);
}

TEST_F(DlgProgressTest, UncancelableWorkerRunsToItsEnd) {
    GatedWorker worker(false);
    CDlgProgress dialog(&worker, nullptr, nullptr);
    QString text;
    int bar_max = 0, bar_value = 0;
    bool stayed_open = false;
    Drive(dialog, [&](int phase) {
        auto* bar = dialog.findChild<QProgressBar*>("ProgressBar");
        switch (phase) {
            case 0:
                if (bar->value() != 2)
                    return 0;
                text = dialog.findChild<QLabel*>("ProgressText")->text();
                bar_max = bar->maximum();
                bar_value = bar->value();
                {
                    // Neither Enter nor Escape ends a running job that cannot be cancelled.
                    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                    QApplication::sendEvent(&dialog, &enter);
                    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                    QApplication::sendEvent(&dialog, &escape);
                }
                return 1;
            case 1:
                if (worker.cancel_calls < 2)  // the end timer keeps asking
                    return 1;
                stayed_open = dialog.isVisible() && worker.IsRunning();
                worker.Release();
                return -1;
        }
        return -1;
    });
    dialog.exec();
    EXPECT_EQ(text, "Reading <b>entries</b>");
    EXPECT_EQ(bar_max, 5);
    EXPECT_EQ(bar_value, 2);
    EXPECT_TRUE(stayed_open);
    EXPECT_TRUE(worker.finished);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.ProgressWindow(), nullptr);
}

TEST_F(DlgProgressTest, CancelStopsACancelableWorkerAndCloses) {
    GatedWorker worker(true);
    CDlgProgress dialog(&worker, nullptr, nullptr);
    Drive(dialog, [&](int) {
        if (dialog.findChild<QProgressBar*>("ProgressBar")->value() != 2)
            return 0;
        dialog.findChild<QAbstractButton*>("BtnCancel")->click();
        return -1;
    });
    dialog.exec();
    EXPECT_TRUE(worker.cancelled);
    EXPECT_FALSE(worker.finished);
    EXPECT_FALSE(worker.IsRunning());
}

TEST_F(DlgProgressTest, JobEndClosesAtOnceWhenTheThreadHasEnded) {
    GatedWorker worker(false);
    CDlgProgress dialog(&worker, nullptr, nullptr);
    worker.Release();
    int seen_interval = -1;
    bool seen_visible = true;
    QTimer::singleShot(0, &dialog, [&] {
        worker.Wait(std::chrono::milliseconds(1000));
        QApplication::processEvents();
        seen_interval = dialog.EndTimerInterval();
        seen_visible = dialog.isVisible();
    });
    dialog.exec();
    EXPECT_EQ(seen_interval, 0);
    EXPECT_FALSE(seen_visible);
    EXPECT_TRUE(worker.finished);
}

// A worker whose thread goes on after reporting its end, until the test lets it go.
class LingeringWorker : public CThreadProgress {
public:
    ~LingeringWorker() override {
        linger.Set();
        Join();
    }
    Event reported;
    Event linger;

protected:
    void DoJob() override {}
    void Run() override {
        CThreadProgress::Run();
        reported.Set();
        linger.Wait();
    }
};

TEST_F(DlgProgressTest, ThreadStillEndingIsCheckedEveryThirtyMilliseconds) {
    LingeringWorker worker;
    CDlgProgress dialog(&worker, nullptr, nullptr);
    int seen_interval = -1;
    QTimer::singleShot(0, &dialog, [&] {
        worker.reported.Wait();
        QApplication::processEvents();
        seen_interval = dialog.EndTimerInterval();
        worker.linger.Set();
    });
    dialog.exec();
    EXPECT_EQ(seen_interval, 30);
    EXPECT_FALSE(worker.IsRunning());  // closed only once the thread had ended
}

}  // namespace
}  // namespace dedevev

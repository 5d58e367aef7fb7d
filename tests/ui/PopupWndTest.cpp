#include "resources/views/PopupWnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <thread>
#include <vector>

#include "SkinTestSupport.h"

namespace dedevev {
namespace {

struct RecordingAction : CPopupWnd::IClickAction {
    void OnPopupClick(bool left) override { clicks.push_back(left); }
    std::vector<bool> clicks;
};

// Runs the event loop until `done` holds (checked every millisecond); a guard of some
// seconds keeps a broken notice from hanging the run.
template <typename Done>
bool RunUntil(Done done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

class PopupWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        CPopupWnd& popup = CPopupWnd::Instance();
        popup.SetTiming({});
        popup.Close();
        RunUntil([&] { return popup.isHidden(); });
    }
    void TearDown() override {
        CPopupWnd& popup = CPopupWnd::Instance();
        popup.Show("", "", nullptr);
        popup.Close();
        popup.SetTiming({});
        RunUntil([&] { return popup.isHidden(); });
    }
};

TEST_F(PopupWndTest, ShowStartsTheSlideInAndCloseTheQuickSlideOut) {
    CPopupWnd& popup = CPopupWnd::Instance();
    popup.Show("New message", "From 12345", nullptr);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_TRUE(popup.SlideInTimer().isActive());
    EXPECT_EQ(popup.SlideInTimer().interval(), 20);
    EXPECT_FALSE(popup.HoldTimer().isActive());
    EXPECT_FALSE(popup.SlideOutTimer().isActive());
    EXPECT_TRUE(popup.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(popup.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(popup.cursor().shape(), Qt::PointingHandCursor);

    popup.Close();
    EXPECT_FALSE(popup.SlideInTimer().isActive());
    EXPECT_TRUE(popup.SlideOutTimer().isActive());
    EXPECT_EQ(popup.SlideOutTimer().interval(), 1);
}

TEST_F(PopupWndTest, SlidesInHoldsAndSlidesOutAnchoredToTheWorkArea) {
    CPopupWnd& popup = CPopupWnd::Instance();
    popup.SetTiming({1, 7, 1});
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int full = popup.FullHeight();
    ASSERT_GT(full, 40);
    popup.Show("Title", "Body", nullptr);
    bool anchored = true;
    int highest = 0;
    int hold_interval = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (popup.isVisible() && popup.VisibleHeight() > 0) {
            anchored = anchored && popup.geometry().bottom() == area.bottom() &&
                       popup.geometry().right() == area.right() &&
                       popup.height() == popup.VisibleHeight();
        }
        highest = std::max(highest, popup.VisibleHeight());
        if (popup.HoldTimer().isActive())
            hold_interval = popup.HoldTimer().interval();
    });
    watch.start(0);
    EXPECT_TRUE(RunUntil([&] { return highest == full && popup.isHidden(); }));
    EXPECT_TRUE(anchored);
    EXPECT_EQ(hold_interval, 7);
    EXPECT_EQ(popup.VisibleHeight(), 0);
}

TEST_F(PopupWndTest, ASecondShowKeepsItUpWithTheNewTexts) {
    CPopupWnd& popup = CPopupWnd::Instance();
    popup.SetTiming({1, 100000, 1});
    popup.Show("First", "one", nullptr);
    ASSERT_TRUE(RunUntil([&] { return popup.VisibleHeight() >= 10; }));
    popup.Show("Second", "two <b>bold</b>", nullptr);
    EXPECT_GE(popup.VisibleHeight(), 10);  // restarts from where it stands
    EXPECT_EQ(popup.Title(), "Second");
    EXPECT_EQ(popup.Body(), "two <b>bold</b>");
    EXPECT_TRUE(RunUntil([&] { return popup.HoldTimer().isActive(); }));
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.VisibleHeight(), popup.FullHeight());
}

TEST_F(PopupWndTest, ClicksReachTheCurrentActionFromAnyThread) {
    CPopupWnd& popup = CPopupWnd::Instance();
    RecordingAction first, second;
    popup.Show("A", "a", &first);
    auto click = [&](Qt::MouseButton button) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(&popup, &press);
    };
    click(Qt::LeftButton);
    click(Qt::RightButton);
    click(Qt::MiddleButton);
    EXPECT_EQ(first.clicks, (std::vector<bool>{true, false}));

    std::thread other([&] { popup.Show("B", "from the card", &second); });
    other.join();
    click(Qt::LeftButton);  // the action is swapped at once; the texts follow on this thread
    EXPECT_EQ(second.clicks, std::vector<bool>{true});
    EXPECT_TRUE(RunUntil([&] { return popup.Title() == "B"; }));

    popup.Show("C", "c", nullptr);
    click(Qt::LeftButton);  // no action: nothing happens
    EXPECT_EQ(first.clicks.size(), 2u);
    EXPECT_EQ(second.clicks.size(), 1u);
}

}  // namespace
}  // namespace dedevev

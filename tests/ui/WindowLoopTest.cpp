// The main window's loop ends when the window is done, not when it is hidden (in the tray, or
// while it closes).
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include "mainwindow/views/WindowLoop.h"

namespace dedevev {
namespace {

TEST(WindowLoop, HidingKeepsTheWindowRunningUntilItIsDone) {
    QDialog dialog;
    bool ran_after_hide = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.hide();
        QTimer::singleShot(0, &dialog, [&] {
            ran_after_hide = true;
            dialog.show();
            dialog.done(7);
        });
    });
    EXPECT_EQ(RunUntilDone(dialog), 7);
    EXPECT_TRUE(ran_after_hide);
    EXPECT_TRUE(dialog.isHidden());
}

// A window that is done while it is being shown must not leave the loop waiting.
class DoneWhenShown : public QDialog {
protected:
    void showEvent(QShowEvent*) override { done(3); }
};

TEST(WindowLoop, DoneWhileBeingShownReturnsAtOnce) {
    DoneWhenShown dialog;
    EXPECT_EQ(RunUntilDone(dialog), 3);
}

}  // namespace
}  // namespace dedevev

#include "resources/views/DlgMessageBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <vector>

#include "SkinTestSupport.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

class DlgMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }
};

struct FlagCase {
    unsigned flags;
    std::vector<QString> buttons;  // objectNames, left to right
    std::vector<QString> captions;
    const char* icon;
    int enter_result;
};

TEST_F(DlgMessageBoxTest, FlagsChooseButtonsIconAndLayout) {
    const FlagCase cases[] = {
        {0x0, {"BtnOK"}, {"OK"}, "MsgInfo", 1},
        {0x10, {"BtnOK"}, {"OK"}, "MsgError", 1},
        {0x30, {"BtnOK"}, {"OK"}, "MsgWarning", 1},
        {0x21, {"BtnOK", "BtnCancel"}, {"OK", "Cancel"}, "MsgQuestion", 1},
        {0x24, {"BtnYes", "BtnNo"}, {"Yes", "No"}, "MsgInfo", 1},
        {0x121, {"BtnOK", "BtnCancel"}, {"OK", "Cancel"}, "MsgInfo", 2},
        {0x11, {"BtnOK", "BtnCancel"}, {"OK", "Cancel"}, "MsgError", 1},
        {0x35, {"BtnYes", "BtnNo"}, {"Yes", "No"}, "MsgInfo", 1},
        {0x104, {"BtnYes", "BtnNo"}, {"Yes", "No"}, "MsgInfo", 2},
        {0x100, {"BtnOK"}, {"OK"}, "MsgInfo", 1},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.flags);
        CDlgMessageBox box("text", c.flags);
        EXPECT_EQ(box.size(), QSize(300, 160));
        EXPECT_EQ(box.windowTitle(), "DEDEVev");
        const auto buttons = box.findChildren<QAbstractButton*>();
        ASSERT_EQ(buttons.size(), static_cast<qsizetype>(c.buttons.size()));
        const QSize btn = BitmapSize(CGlobalService::Instance().Skin()->GetBitmap(u"Btn_Normal"));
        for (std::size_t i = 0; i < c.buttons.size(); ++i) {
            auto* button = box.findChild<QAbstractButton*>(c.buttons[i]);
            ASSERT_NE(button, nullptr) << c.buttons[i].toStdString();
            EXPECT_EQ(button->text(), c.captions[i]);
            EXPECT_EQ(button->size(), btn);
            const int x = c.buttons.size() == 1 ? 115 : 60 + 110 * static_cast<int>(i);
            EXPECT_EQ(button->pos(), QPoint(x, 125));
        }
        auto* icon = box.findChild<QLabel*>("MsgIcon");
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->property("iconName").toString(), c.icon);
        EXPECT_EQ(icon->pos(), QPoint(20, 50));
        EXPECT_FALSE(icon->pixmap().isNull());

        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        box.show();
        QApplication::sendEvent(&box, &enter);
        EXPECT_EQ(box.result(), c.enter_result);
    }
}

TEST_F(DlgMessageBoxTest, AnswersFirstSecondAndClosed) {
    struct Case {
        unsigned flags;
        const char* press;  // a button's objectName, "escape" or "close"
        int result;
    } const cases[] = {
        {0x24, "BtnYes", 1}, {0x24, "BtnNo", 2}, {0x24, "escape", 2},
        {0x24, "close", 2},  {0x21, "BtnOK", 1}, {0x21, "BtnCancel", 2},
        {0x0, "BtnOK", 1},   {0x0, "escape", 2}, {0x121, "close", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.press) + " " + std::to_string(c.flags));
        CDlgMessageBox box("question?", c.flags);
        const QString press = c.press;
        QTimer::singleShot(0, &box, [&box, press] {
            if (press == "escape") {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&box, &escape);
            } else if (press == "close") {
                box.close();
            } else {
                box.findChild<QAbstractButton*>(press)->click();
            }
        });
        EXPECT_EQ(box.exec(), c.result);
    }
}

TEST_F(DlgMessageBoxTest, TextIsShownAsPlainTextBesideTheIcon) {
    const QString text = "<b>Operator</b> <img src=x> &amp; line\nnext";
    CDlgMessageBox box(text, 0x40);
    auto* label = box.findChild<QLabel*>("MsgText");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), text);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->x(), 70);
    EXPECT_LE(label->geometry().right(), box.width());
    EXPECT_LT(label->geometry().bottom(), 125);
}

TEST_F(DlgMessageBoxTest, OnlyTheTopStripDragsTheBox) {
    struct Case {
        int press_y;
        bool moves;
    } const cases[] = {{2, true}, {21, true}, {22, false}, {80, false}};
    for (const Case& c : cases) {
        CDlgMessageBox box("text", 0);
        box.move(100, 100);
        box.show();
        const QPoint start = box.pos();
        const QPointF local(150, c.press_y);
        const QPointF global = QPointF(start) + local;
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
        QMouseEvent move(QEvent::MouseMove, local + QPointF(30, 20), global + QPointF(30, 20),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(30, 20),
                            global + QPointF(30, 20), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &release);
        EXPECT_EQ(box.pos(), c.moves ? start + QPoint(30, 20) : start) << c.press_y;
    }
}

TEST_F(DlgMessageBoxTest, ShowMessageOpensTheSkinnedBoxModally) {
    InstallSkinnedMessageBox();
    struct Case {
        unsigned flags;
        const char* press;
        int result;
    } const cases[] = {{0x24, "BtnYes", 1}, {0x24, "BtnNo", 2}, {0x1, "BtnOK", 1}};
    for (const Case& c : cases) {
        const QString press = c.press;
        QString seen_text;
        QTimer::singleShot(0, [press, &seen_text] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->objectName(), "DlgMessageBox");
            seen_text = box->findChild<QLabel*>("MsgText")->text();
            box->findChild<QAbstractButton*>(press)->click();
        });
        EXPECT_EQ(ShowMessage(u"Delete the entry?", u"Caption", c.flags), c.result);
        EXPECT_EQ(seen_text, "Delete the entry?");
    }
}

TEST_F(DlgMessageBoxTest, UnattendedLogAnswersWithTheDefaultButton) {
    InstallSkinnedMessageBox();
    QTemporaryDir dir;
    const QString path = dir.filePath("messages.log");
    qputenv("DEDEVEV_MESSAGE_LOG", path.toUtf8());
    EXPECT_EQ(ShowMessage(u"Line one\r\nLine two", u"Tip", 0x21), 1);
    EXPECT_EQ(ShowMessage(u"Same name", u"DEDEVev", 0x121), 2);
    EXPECT_EQ(ShowMessage(u"Failed", u"DEDEVev", 0x10), 1);
    EXPECT_EQ(ShowMessage(u"Careful", u"DEDEVev", 0x30), 1);
    qunsetenv("DEDEVEV_MESSAGE_LOG");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              "message\tquestion\tTip\tLine one\\nLine two\n"
              "message\tinformation\tDEDEVev\tSame name\n"
              "message\tstop\tDEDEVev\tFailed\n"
              "message\texclamation\tDEDEVev\tCareful\n");
}

TEST(MessageBoxModel, WithoutAWindowLayerQuestionsAnswerTheSecondButton) {
    IMessageBoxUi* previous = SetMessageBoxUi(nullptr);
    EXPECT_EQ(ShowMessage(u"x", u"", kMbOk), kMsgFirst);
    EXPECT_EQ(ShowMessage(u"x", u"", kMbOkCancel | kMbIconQuestion), kMsgSecond);
    EXPECT_EQ(ShowMessage(u"x", u"", kMbYesNo), kMsgSecond);
    SetMessageBoxUi(previous);
}

}  // namespace
}  // namespace dedevev

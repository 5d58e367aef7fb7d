// Windows shown before or without a skin (and before any language file): the messages of the
// start-up checks must still be readable and answerable.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>

#include "SkinTestSupport.h"
#include "resources/views/DlgMessageBox.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/PopupWnd.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {
namespace {

constexpr QRgb kBody = 0xFFF2F6F9;   // the stock "DlgBkColor"
constexpr QRgb kTitle = 0xFF0F4C6E;  // the stock "DlgTitleBKColor"

using test::kBackdrop;
using test::Render;

class NoSkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        // What the start-up checks run with: an empty skin and, at first, no texts at all.
        CGlobalService::Instance().SwitchLanguage("/nonexistent/Localize/English.txt");
        CGlobalService::Instance().SwitchSkin("/nonexistent/Skin/Skin.txt");
    }
    void TearDown() override { test::UseDefaultSkinAndLanguage(); }
};

TEST_F(NoSkinTest, MessageBoxHasATitleBarALightBodyAndButtonsThatFitTheirWords) {
    const struct {
        unsigned flags;
        std::vector<QString> buttons;
        std::vector<QString> captions;
    } cases[] = {
        {0x30, {"BtnOK"}, {"OK"}},
        {0x21, {"BtnOK", "BtnCancel"}, {"OK", "Cancel"}},
        {0x24, {"BtnYes", "BtnNo"}, {"Yes", "No"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        CDlgMessageBox box("Warning: localizing file missing.", c.flags);
        EXPECT_EQ(box.windowTitle(), "DEDEVev");
        EXPECT_FALSE(box.findChild<QLabel*>("MsgIcon")->pixmap().isNull());
        const QImage shot = Render(box);
        EXPECT_EQ(shot.pixel(box.width() - 20, 12), kTitle);
        EXPECT_EQ(shot.pixel(30, box.height() - 20), kBody);
        int left = 0;
        for (std::size_t i = 0; i < c.buttons.size(); ++i) {
            auto* button = box.findChild<CSkinButton*>(c.buttons[i]);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), c.captions[i]);
            const QFontMetrics metrics(LocalFont("Button"));
            EXPECT_GE(button->width(), metrics.horizontalAdvance(button->text()) + 20);
            EXPECT_GE(button->height(), metrics.height() + 4);
            EXPECT_GT(button->x(), left);  // side by side, not on top of each other
            EXPECT_LE(button->geometry().right(), box.width() - 10);
            left = button->geometry().right();
            // A face in the accent colour under dark words, not a blank.
            const QRgb face = shot.pixel(button->x() + 5, button->y() + button->height() / 2);
            EXPECT_EQ(face, AccentColor().rgb());
        }
    }
}

TEST_F(NoSkinTest, MessageBoxGrowsToShowALongPathWhole) {
    const QString path =
        "/home/someone/.local/share/dedevev/a/rather/long/folder/Localize/"
        "Klingon.txt";
    CDlgMessageBox box(
        "Warning: localizing file missing.\r\n" + path + "\r\nDefault language will be used.",
        0x30);
    auto* text = box.findChild<QLabel*>("MsgText");
    EXPECT_GT(box.width(), 300);
    EXPECT_GE(text->width(), QFontMetrics(text->font()).horizontalAdvance(path));
    EXPECT_LE(text->geometry().right(), box.width() - 10);
    auto* ok = box.findChild<CSkinButton*>("BtnOK");
    EXPECT_GT(ok->y(), text->geometry().bottom());
    EXPECT_LE(ok->geometry().bottom(), box.height() - 5);
}

TEST_F(NoSkinTest, ButtonsWithoutTheirPicturesAreDrawnPlainly) {
    CSkinButtonEx named;
    named.SetImageSet("Btn");
    named.SetCaption("A rather long caption");
    EXPECT_TRUE(named.Plain());
    EXPECT_GE(named.width(),
              QFontMetrics(LocalFont("Button")).horizontalAdvance("A rather long caption") + 20);
    const int wide = named.width();
    named.SetCaption("OK");
    EXPECT_LT(named.width(), wide);

    CSkinButtonEx close;
    close.SetTextColor(Qt::white);
    close.SetImageSet("Close");
    close.SetPlainCaption("x");
    EXPECT_EQ(close.width(), close.height());
    EXPECT_EQ(Render(close).pixel(3, close.height() / 2), DialogFrameColor().rgb());

    // A button given no picture at all is a text link: no face is drawn for it.
    CSkinButton link;
    link.resize(80, 20);
    link.SetCaption("Home page");
    EXPECT_FALSE(link.Plain());
    EXPECT_EQ(link.size(), QSize(80, 20));
    EXPECT_EQ(Render(link).pixel(1, 1), kBackdrop);
}

TEST_F(NoSkinTest, ProgressWindowsAndTheNoticeKeepTheirLayoutInPlainColours) {
    CDlgProgress start(nullptr, nullptr, nullptr, "InitBK");
    const QImage init = Render(start);
    EXPECT_EQ(init.pixel(start.width() / 2, 10), kTitle);   // the name's dark band
    EXPECT_EQ(init.pixel(10, start.height() - 10), kBody);  // under text and bar
    CDlgProgress progress(nullptr, nullptr, nullptr);
    EXPECT_EQ(Render(progress).pixel(progress.width() - 6, 5), kBody);

    CPopupWnd& popup = CPopupWnd::Instance();
    EXPECT_EQ(popup.FullHeight(), 150);
    popup.resize(260, popup.FullHeight());
    const QImage notice = Render(popup);
    EXPECT_EQ(notice.pixel(0, 0), kTitle);  // its frame
    EXPECT_EQ(notice.pixel(10, 140), kBody);
}

}  // namespace
}  // namespace dedevev

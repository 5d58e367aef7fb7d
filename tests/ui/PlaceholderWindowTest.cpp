#include "mainwindow/PlaceholderMainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTimer>

#include "core/GlobalService.h"

namespace dedevev {
namespace {

TEST(PlaceholderMainWindow, SizedFromTheSkinAndFollowsLanguageAndSkin) {
    const std::string bin = DEDEVEV_BIN_DIR;
    CGlobalService& service = CGlobalService::Instance();
    service.SwitchLanguage(bin + "/Localize/English.txt");
    service.SwitchSkin(bin + "/Skin/Skin.txt");
    PlaceholderMainWindow window;
    const SkinBitmap* background = service.Skin()->GetBitmap(u"Background");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(window.size(), QSize(background->Width(), background->Height()));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), "DEDEVev");
    auto* close = window.findChild<QAbstractButton*>("BtnClose");
    ASSERT_NE(close, nullptr);
    EXPECT_GT(close->x(), window.width() / 2);

    // A language switch reaches the window through its registration.
    service.SwitchLanguage(bin + "/Localize/Indonesian.txt");
    EXPECT_EQ(window.windowTitle(), "DEDEVev");
    service.SwitchSkin(bin + "/Skin/SkinIndonesian.txt");
    EXPECT_EQ(window.size(), QSize(background->Width(), background->Height()));

    // The close button ends the modal run.
    QTimer::singleShot(0, close, &QAbstractButton::click);
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    service.SwitchLanguage(bin + "/Localize/English.txt");
    service.SwitchSkin(bin + "/Skin/Skin.txt");
}

}  // namespace
}  // namespace dedevev

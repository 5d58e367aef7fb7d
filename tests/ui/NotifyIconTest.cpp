#include "resources/views/NotifyIcon.h"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>

#include <vector>

#include "SkinTestSupport.h"
#include "resources/views/QtSkin.h"

namespace dedevev {
namespace {

struct RecordingTarget : IMessageTarget {
    void Post(WindowMessage message) override { posted.push_back(message); }
    void Send(WindowMessage message) override { posted.push_back(message); }
    std::vector<WindowMessage> posted;
};

class NotifyIconTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }
    const SkinBitmap* Icon(const char16_t* name) {
        return CGlobalService::Instance().Skin()->GetIcon(name);
    }
};

TEST_F(NotifyIconTest, IconsComeAndGoByNumberWithoutATray) {
    RecordingTarget owner;
    CNotifyIcon tray(&owner);
    tray.AddIcon(1, Icon(u"TrayIcon"));
    tray.AddIcon(2, Icon(u"TrayConnected"));
    ASSERT_TRUE(tray.HasIcon(1));
    EXPECT_FALSE(tray.TrayIcon(1)->icon().isNull());
    tray.AddIcon(1, Icon(u"TrayConnected"));  // changes the image of the same icon
    tray.RemoveIcon(2);
    EXPECT_FALSE(tray.HasIcon(2));
    EXPECT_TRUE(tray.HasIcon(1));
    tray.RemoveIcon(7);     // absent: nothing happens
    tray.SetTip(7, "tip");  // neither for an absent icon
    tray.ShowBalloon(7, "text", "title");
    EXPECT_TRUE(tray.LastBalloonText().isEmpty());
    tray.ShowBalloon(1, "text", "title");  // no tray host here: must not fail
    EXPECT_EQ(tray.LastBalloonText(), "text");
}

TEST_F(NotifyIconTest, TipAndBalloonAreCut) {
    CNotifyIcon tray(nullptr);
    tray.AddIcon(1, Icon(u"TrayIcon"));
    struct Case {
        int tip, text, title;
        int tip_kept, text_kept, title_kept;
    } const cases[] = {{10, 10, 10, 10, 10, 10},
                       {127, 255, 63, 127, 255, 63},
                       {128, 256, 64, 127, 255, 63},
                       {500, 900, 300, 127, 255, 63}};
    for (const Case& c : cases) {
        tray.SetTip(1, QString(c.tip, 'a'));
        tray.ShowBalloon(1, QString(c.text, 'b'), QString(c.title, 'c'));
        EXPECT_EQ(tray.Tip(1), QString(c.tip_kept, 'a'));
        EXPECT_EQ(tray.LastBalloonText(), QString(c.text_kept, 'b'));
        EXPECT_EQ(tray.LastBalloonTitle(), QString(c.title_kept, 'c'));
    }
}

TEST_F(NotifyIconTest, TipsThatLookLikeMarkupAreShownAsText) {
    CNotifyIcon tray(nullptr);
    tray.AddIcon(1, Icon(u"TrayIcon"));
    tray.SetTip(1, "<b>Operator</b> & co");
    EXPECT_EQ(tray.Tip(1), "<b>Operator</b> & co");
    EXPECT_EQ(tray.TrayIcon(1)->toolTip(), "<qt>&lt;b&gt;Operator&lt;/b&gt; &amp; co</qt>");
    tray.SetTip(1, "Connected");
    EXPECT_EQ(tray.TrayIcon(1)->toolTip(), "Connected");
}

TEST_F(NotifyIconTest, MouseEventsReachTheOwnerAsMessage1351) {
    RecordingTarget owner;
    CNotifyIcon tray(&owner);
    tray.AddIcon(3, Icon(u"TrayIcon"));
    QSystemTrayIcon* icon = tray.TrayIcon(3);
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::Unknown);
    emit icon->messageClicked();
    const std::vector<std::int64_t> expected = {0x202, 0x203, 0x205, 0x405};
    ASSERT_EQ(owner.posted.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(owner.posted[i].number, 1351u);
        EXPECT_EQ(owner.posted[i].wparam, 3u);
        EXPECT_EQ(owner.posted[i].lparam, expected[i]);
    }
}

TEST_F(NotifyIconTest, LocalisedTipsFollowTheLanguage) {
    const std::string bin = DEDEVEV_BIN_DIR;
    CGlobalService& service = CGlobalService::Instance();
    CNotifyIconEx tray(nullptr, "DlgMessageBox");
    tray.AddIcon(1, Icon(u"TrayIcon"));
    tray.AddIcon(2, Icon(u"TrayIcon"));
    tray.SetTipKey(1, "BtnYes");
    tray.ShowBalloonKeys(2, "BtnNo", "Title");
    EXPECT_EQ(tray.Tip(1), "Yes");
    EXPECT_EQ(tray.LastBalloonText(), "No");
    EXPECT_EQ(tray.LastBalloonTitle(), "DEDEVev");
    service.SwitchLanguage(bin + "/Localize/Indonesian.txt");
    const QString yes = LocalQText("BtnYes", "DlgMessageBox");
    service.SwitchLanguage(bin + "/Localize/English.txt");
    ASSERT_NE(yes, "Yes");
    service.SwitchLanguage(bin + "/Localize/Indonesian.txt");
    EXPECT_EQ(tray.Tip(1), yes);
    EXPECT_TRUE(tray.Tip(2).isEmpty());  // no tip key set for icon 2
    service.SwitchLanguage(bin + "/Localize/English.txt");
    EXPECT_EQ(tray.Tip(1), "Yes");
}

}  // namespace
}  // namespace dedevev

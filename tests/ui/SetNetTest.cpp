// The settings' network page and its profile dialog against a scripted card: profiles added,
// edited and deleted, the account applied (or refused while connected), the network search and
// registration; the settings dialog's OK follows the page.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "connection/NetProfileList.h"
#include "connection/views/DlgNewNetSet.h"
#include "connection/views/DlgSetNet.h"
#include "core/AppSettings.h"
#include "core/ExportRegistry.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "settings/views/DlgSet.h"
#include "tests/support/NetworkCard.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

namespace fs = std::filesystem;

class Link : public ILinkExport {
public:
    void SetConnectCaption(const std::u16string&) override {}
    void AddProfileName(const std::u16string& name) override { calls.push_back(u"add " + name); }
    void ReplaceProfileName(const std::u16string& name, int index) override {
        calls.push_back(u"replace " + name + u" " + Index(index));
    }
    void SelectProfile(int index) override { calls.push_back(u"select " + Index(index)); }
    void DeleteProfileName(int index) override { calls.push_back(u"delete " + Index(index)); }
    void SetOperatorName(const std::u16string& name) override { calls.push_back(u"op " + name); }
    void ShowTraffic(double, double) override {}
    void Reserved7() override {}
    void HoldConnectButton() override {}
    static std::u16string Index(int i) { return FromQString(QString::number(i)); }
    std::vector<std::u16string> calls;
};

NetProfile Named(const char16_t* name, const char16_t* phone = u"*99#") {
    NetProfile p;
    p.name = name;
    p.phone = phone;
    return p;
}

class SetNetTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        root_ = fs::temp_directory_path() /
                ("dedevev-setnet-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_);
        ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
        ResetDataFolderForTesting();
        ResetProfilesForTesting();
        CurrentSettings() = DefaultSettings();
        CurrentSettings().file_path = FromQString(QString::fromStdString((root_ / "Set.dat")));
        Exports().BindLink(&link_);
        // A profile file without profiles, so that the program's template is not read.
        fs::create_directories(root_ / "Dataline");
        std::ofstream(root_ / "Dataline" / "SetNet.dat", std::ios::binary) << "\xFF\xFE";
        for (const char16_t* name : {u"Alpha", u"Beta"})
            Profiles().Insert(Named(name));
    }
    void TearDown() override {
        page_.reset();
        Exports().BindLink(nullptr);
        ResetProfilesForTesting();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        ResetDataFolderForTesting();
    }

    CDlgSetNet& Page() {
        NetPageEnvironment env;
        env.device = [this] { return &card_; };
        env.connection_up = [this] { return connected_; };
        env.edit_profile = [this](QWidget*, const NetProfile* editing) {
            edited_.push_back(editing != nullptr ? editing->name : u"<new>");
            std::optional<NetProfile> next = dialog_answers_.front();
            dialog_answers_.pop_front();
            return next;
        };
        page_ = std::make_unique<CDlgSetNet>(std::move(env));
        page_->resize(707, 326);
        return *page_;
    }
    template <typename T>
    T* Find(const char* name) {
        return page_->findChild<T*>(name);
    }
    bool Enabled(const char* name) { return Find<CSkinButtonEx>(name)->isEnabled(); }

    fs::path root_;
    test::MessageRecorder messages_;
    Link link_;
    test::NetworkCard card_;
    bool connected_ = false;
    std::deque<std::optional<NetProfile>> dialog_answers_;
    std::vector<std::u16string> edited_;
    std::unique_ptr<CDlgSetNet> page_;
};

TEST_F(SetNetTest, AddAndEditRefuseATakenNameAndKeepTheList) {
    CDlgSetNet& page = Page();
    dialog_answers_ = {Named(u"Alpha"), Named(u"Gamma", u"#777"), std::nullopt, Named(u"Beta"),
                       Named(u"alpha")};
    page.AddProfile();  // taken
    EXPECT_EQ(Profiles().Count(), 2u);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0], u"A profile with this name already exists.");

    page.AddProfile();
    ASSERT_EQ(Profiles().Count(), 3u);
    EXPECT_EQ(Find<QComboBox>("Profiles")->currentText(), "Gamma");
    EXPECT_EQ(page.Fields().number, u"#777");
    EXPECT_TRUE(Enabled("ProfileEdit"));
    EXPECT_TRUE(fs::exists(root_ / "Dataline" / "SetNet.dat"));  // kept at once

    page.EditProfile();  // cancelled
    page.EditProfile();  // renamed to a taken name
    EXPECT_EQ(Profiles().At(2).name, u"Gamma");
    page.EditProfile();  // a name differing only in case is another name
    EXPECT_EQ(Profiles().At(2).name, u"alpha");
    EXPECT_EQ(edited_,
              (std::vector<std::u16string>{u"<new>", u"<new>", u"Gamma", u"Gamma", u"Gamma"}));
    EXPECT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(link_.calls, (std::vector<std::u16string>{u"add Gamma", u"replace alpha 2"}));
}

TEST_F(SetNetTest, DeletingAsksAndTheLastProfileLeavesNoSelection) {
    CDlgSetNet& page = Page();
    page.ChooseProfile(1);
    messages_.answer = kMsgSecond;
    page.DeleteProfile();
    EXPECT_EQ(Profiles().Count(), 2u);
    messages_.answer = kMsgFirst;
    page.DeleteProfile();
    EXPECT_EQ(page.SelectedProfile(), 0);  // the first that remains
    page.DeleteProfile();
    EXPECT_EQ(Profiles().Count(), 0u);
    EXPECT_EQ(page.SelectedProfile(), -1);
    EXPECT_FALSE(Enabled("ProfileEdit"));
    EXPECT_FALSE(Enabled("ProfileDelete"));
    EXPECT_EQ(link_.calls, (std::vector<std::u16string>{u"delete 1", u"delete 0"}));
}

TEST_F(SetNetTest, ApplyWhileConnectedChangesNothingAndOtherwiseTakesThePage) {
    CDlgSet dialog;
    dialog.AddPage(CDlgSet::kNetPage, "BtnNet", &Page());
    CDlgSetNet& page = *page_.release();  // the dialog owns it now
    dialog.show();
    EXPECT_FALSE(dialog.OkEnabled());
    page.ChooseProfile(1);
    auto* net_sel = page.findChild<QComboBox*>("NetSel");
    net_sel->setCurrentIndex(net_sel->findData(11));
    EXPECT_TRUE(dialog.OkEnabled());

    connected_ = true;
    const DialSetting before = CurrentSettings().dial;
    dialog.OnOk();
    EXPECT_EQ(CurrentSettings().dial.name, before.name);
    EXPECT_TRUE(card_.modes.empty());
    EXPECT_TRUE(dialog.OkEnabled());  // refused: still open with its changes
    EXPECT_EQ(messages_.shown.back(), u"Disconnect from the internet before applying a profile.");

    connected_ = false;
    dialog.OnOk();
    EXPECT_FALSE(dialog.OkEnabled());
    const DialSetting& dial = CurrentSettings().dial;
    EXPECT_EQ(dial.name, u"Beta");
    EXPECT_EQ(dial.number, u"*99#");
    EXPECT_EQ(dial.net_sel, 11);
    EXPECT_TRUE(dial.set);
    EXPECT_EQ(card_.modes, std::vector<int>{11});
    EXPECT_EQ(link_.calls, std::vector<std::u16string>{u"select 1"});
    EXPECT_TRUE(fs::exists(root_ / "Set.dat"));

    // The defaults show the default account; reopening shows the applied one.
    page.RestoreDefaults();
    EXPECT_EQ(page.SelectedProfile(), -1);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(page.SelectedProfile(), 1);
    EXPECT_FALSE(dialog.OkEnabled());
}

TEST_F(SetNetTest, SearchFillsTheListAndRegistrationSaysHowItWent) {
    CDlgSetNet& page = Page();
    page.SearchNetworks();
    auto* list = Find<QTreeWidget>("SearchList");
    ASSERT_EQ(list->topLevelItemCount(), 2);  // the list ends at the short answer
    EXPECT_EQ(list->topLevelItem(1)->text(0), "Available");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "Test2G");
    EXPECT_EQ(list->topLevelItem(1)->text(3), "2G");
    EXPECT_TRUE(messages_.shown.empty());

    EXPECT_FALSE(Enabled("NetRegister"));
    list->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(Enabled("NetRegister"));
    page.RegisterNetwork();
    EXPECT_EQ(card_.selected, "Test2G");
    card_.select_ok = false;
    page.RegisterNetwork();
    EXPECT_EQ(messages_.shown, (std::vector<std::u16string>{u"Success", u"Fail"}));
    EXPECT_EQ(link_.calls.back(), u"op Test Network 2G");

    // A card that gives up, and one that is gone, are told apart; the list stays empty.
    card_.search_ok = false;
    page.SearchNetworks();
    card_.alive = false;
    page.SearchNetworks();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    ASSERT_EQ(messages_.shown.size(), 4u);
    EXPECT_EQ(messages_.shown[2], u"The card could not search for networks. Try again later.");
    EXPECT_EQ(messages_.shown[3],
              u"The card stopped answering during the network search. Check that it is plugged "
              u"in.");
}

TEST_F(SetNetTest, ProfileDialogNeedsANameAndReadsTheTickedAddresses) {
    CDlgNewNetSet dialog(nullptr);
    EXPECT_EQ(dialog.Caption(), "New profile");
    dialog.accept();
    EXPECT_EQ(messages_.shown, std::vector<std::u16string>{u"Enter a profile name."});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.findChild<CGenEdit*>("ProfileName")->setText("Mine");
    dialog.findChild<QCheckBox*>("ProfileUseIp")->setChecked(true);
    auto* ip = dialog.findChild<CGenEdit*>("ProfileIp");
    QTest::keyClicks(ip, "10.0.300.7");  // the field takes no part above 255
    EXPECT_EQ(ip->text(), "10.0.30.7");
    dialog.findChild<CGenEdit*>("ProfileDnsPrimary")->setText("8.8.8.8");  // box not ticked
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Profile().ip, u"10.0.30.7");
    EXPECT_TRUE(dialog.Profile().use_ip);
    EXPECT_FALSE(dialog.Profile().use_dns);
    EXPECT_EQ(dialog.Profile().dns_primary, u"");

    const NetProfile existing = Named(u"Old");
    CDlgNewNetSet edit(&existing);
    EXPECT_EQ(edit.Caption(), "Edit profile");
    EXPECT_EQ(edit.Form().name, u"Old");
}

}  // namespace
}  // namespace dedevev

// The messages page over PC boxes and a scripted card box: folder counts, the commands on
// the list on display, copying to the PC inbox, and the card's new-message events.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <thread>
#include <vector>

#include "phonebook/NameMapping.h"
#include "resources/views/QtSkin.h"
#include "sms/SMSBoxPC.h"
#include "sms/views/DlgSMS.h"
#include "sms/views/SMSList.h"
#include "tests/support/Eventually.h"
#include "tests/support/FakeCardBox.h"
#include "tests/support/OneName.h"
#include "tests/support/SmsJobs.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

// The UIM box, with the page's event handler kept.
struct UimBox : test::FakeCardBox {
    void SetEventHandler(ISMSEventHandler* h) override { handler = h; }
    ISMSEventHandler* handler = nullptr;
};

using test::OneName;

using test::Message;

struct WriteCall {
    std::u16string receivers;
    std::u16string content;
};

class MessageViewTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }

    CDlgSMS& Open() {
        MessageViewEnvironment env;
        env.pc_box = [this](SMSBoxRegistry::PCBox which) -> IMessageBoxBase* {
            return &pc_[which];
        };
        env.card_box = [this](int which) -> IMessageBox* { return which == 2 ? &uim_ : nullptr; };
        env.mapping = &names_;
        env.write = [this](QWidget*, const std::u16string& to, const std::u16string& text) {
            writes_.push_back({to, text});
        };
        env.play_sound = [this] { ++sounds_; };
        env.show_popup = [this](const SmsPopup& popup) { popups_.push_back(popup); };
        env.bind_export = false;
        dlg_ = std::make_unique<CDlgSMS>(std::move(env));
        return *dlg_;
    }
    QString Label(int top, int child = -1) const {
        QTreeWidgetItem* item = dlg_->FolderTree()->topLevelItem(top);
        return (child < 0 ? item : item->child(child))->text(0);
    }
    template <typename Condition>
    static bool Settles(Condition condition) {
        return test::Eventually([&] {
            QCoreApplication::processEvents();
            return condition();
        });
    }

    test::MessageRecorder answers_;
    CSMSBoxPC pc_[SMSBoxRegistry::kPCBoxCount];
    UimBox uim_;
    OneName names_;
    std::vector<WriteCall> writes_;
    std::vector<SmsPopup> popups_;
    int sounds_ = 0;
    std::unique_ptr<CDlgSMS> dlg_;
};

TEST_F(MessageViewTest, FolderCountsFollowMessagesAddedOnOtherThreads) {
    CDlgSMS& dlg = Open();
    EXPECT_EQ(Label(0), "Inbox");
    EXPECT_TRUE(dlg.FolderTree()->topLevelItem(0)->isExpanded());
    EXPECT_EQ(Label(0, 0), "PC(0)");
    std::thread([this] {
        pc_[SMSBoxRegistry::kInbox].Add(Message("0811", "a", 1), nullptr);
        pc_[SMSBoxRegistry::kInbox].Add(Message("0812", "b", 2), nullptr);
        pc_[SMSBoxRegistry::kUnsent].Add(Message("0813", "c", 3, kSmsNotSent), nullptr);
    }).join();
    ASSERT_TRUE(Settles([&] { return Label(0, 0) == "PC(2)" && Label(2) == "Unsent(1)"; }));
    // A name comes from the mapping; the newest message stands first.
    CSMSList* inbox = dlg.List(CDlgSMS::kPCInbox);
    EXPECT_EQ(inbox->model()->index(1, kSmsName).data().toString(), "Ann");
    pc_[SMSBoxRegistry::kInbox].RemoveAt(0);
    EXPECT_TRUE(Settles([&] { return Label(0, 0) == "PC(1)"; }));
}

TEST_F(MessageViewTest, ReplyAndForwardNeedExactlyOneRow) {
    pc_[SMSBoxRegistry::kInbox].Add(Message("0811", "first", 1), nullptr);
    pc_[SMSBoxRegistry::kInbox].Add(Message("0822", "second", 2), nullptr);
    CDlgSMS& dlg = Open();
    CSMSList* inbox = dlg.List(CDlgSMS::kPCInbox);
    inbox->selectAll();
    dlg.Reply();
    dlg.Forward();
    EXPECT_TRUE(writes_.empty());
    inbox->SelectOnly(1);
    dlg.Reply();
    dlg.Forward();
    ASSERT_EQ(writes_.size(), 2u);
    EXPECT_EQ(writes_[0].receivers, u"0811");
    EXPECT_EQ(writes_[0].content, u"");
    EXPECT_EQ(writes_[1].receivers, u"");
    EXPECT_EQ(writes_[1].content, u"first");
}

TEST_F(MessageViewTest, DeletingTheLastRowSelectsTheNewLastRow) {
    for (int i = 0; i < 3; ++i)
        pc_[SMSBoxRegistry::kSent].Add(Message("0811", std::to_string(i), i, kSmsSent), nullptr);
    CDlgSMS& dlg = Open();
    dlg.ShowFolder(CDlgSMS::kSent);
    CSMSList* sent = dlg.List(CDlgSMS::kSent);
    sent->SelectOnly(2);
    answers_.answer = kMsgFirst;
    dlg.DeleteSelected();
    EXPECT_EQ(pc_[SMSBoxRegistry::kSent].GetCount(), 2);
    EXPECT_EQ(sent->SelectedRows(), std::vector<int>{1});
    // A refused confirmation deletes nothing.
    answers_.answer = kMsgSecond;
    dlg.ClearAll();
    EXPECT_EQ(pc_[SMSBoxRegistry::kSent].GetCount(), 2);
}

TEST_F(MessageViewTest, CopyingMessagesTheInboxHoldsTellsOfRepeats) {
    uim_.box.Add(Message("0811", "one", 1), nullptr);
    uim_.box.Add(Message("0822", "two", 2), nullptr);
    pc_[SMSBoxRegistry::kInbox].Add(Message("0811", "one", 1), nullptr);
    CDlgSMS& dlg = Open();
    dlg.ShowFolder(CDlgSMS::kUimInbox);
    ASSERT_EQ(dlg.List(CDlgSMS::kUimInbox)->Count(), 2);
    dlg.CopyToPC(true, false);
    EXPECT_EQ(pc_[SMSBoxRegistry::kInbox].GetCount(), 2);
    ASSERT_FALSE(answers_.shown.empty());
    EXPECT_EQ(answers_.shown.back(), LocalText("SMSRepeated", "DlgSMS"));
}

TEST_F(MessageViewTest, SelectingACardMessageMarksItReadAndShowsItsTextLiterally) {
    uim_.box.Add(Message("0811", "<b>bold</b> &amp; <a href='x'>link</a>\r\nline two"), nullptr);
    CDlgSMS& dlg = Open();
    dlg.ShowFolder(CDlgSMS::kUimInbox);
    CSMSList* list = dlg.List(CDlgSMS::kUimInbox);
    list->SelectOnly(0);
    EXPECT_EQ(uim_.box.GetAt(0).status, kSmsRead);
    EXPECT_EQ(list->model()->index(0, kSmsContent).data().toString(),
              "<b>bold</b> &amp; <a href='x'>link</a> line two");
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("SMSContentPane")->toPlainText(),
              "Message:\n<b>bold</b> &amp; <a href='x'>link</a>\nline two");
}

TEST_F(MessageViewTest, NewCardMessageRingsAndPopsUpWithTheSendersName) {
    Open();
    ASSERT_NE(uim_.handler, nullptr);
    // The card stores and tells on its own thread; the page handles it on its own.
    std::thread([this] {
        uim_.box.Add(Message("0811", "Hello world, again"), nullptr);
        uim_.handler->OnNewMessage("SM", 0);
    }).join();
    ASSERT_TRUE(Settles([&] { return !popups_.empty(); }));
    EXPECT_EQ(sounds_, 1);
    EXPECT_EQ(popups_[0].title, LocalText("RecvNewMsg", "DlgSMS"));
    EXPECT_EQ(popups_[0].body, u"Ann\r\n\r\nHello wo...");
    EXPECT_TRUE(Settles([&] { return Label(0, 1) == "UIM card(1)"; }));
    dlg_.reset();
    EXPECT_EQ(uim_.handler, nullptr);  // the page's handler goes with it
}

}  // namespace
}  // namespace dedevev

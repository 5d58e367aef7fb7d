// The message jobs against the simulated card, as a CDMA and as a GSM card, run as the message
// view runs them: loading a card box with its progress, deleting highest first up to a
// refusal, copying and moving into the PC inbox, sending to several recipients, and a card
// that goes away in the middle of a job.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "SimCardFixture.h"
#include "device/ISmsControl.h"
#include "sms/SMSSend.h"
#include "sms/SMSTransfer.h"
#include "support/SmsJobs.h"

namespace dedevev {
namespace {

class SmsJobsOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        sms_ = agent->GetSmsControl();
        int status = kStatusUntouched;
        sms_->SetMessageFormat(0, &status);
        ASSERT_EQ(status, kStatusOk);
        test::LoadSmsTexts(&texts_);
    }
    IMessageBox& Card() { return *sms_->GetBox2(); }
    // Messages "m0".."m<count-1>" from "0810".. arrive on the UIM card, and its box is loaded.
    void FillAndLoad(int count) {
        for (int i = 0; i < count; ++i)
            Control("sms 081" + std::to_string(i) + " m" + std::to_string(i));
        ASSERT_TRUE(LoadCardBox(Card(), &texts_, test::RunInto(log_)));
        ASSERT_EQ(Card().GetCount(), count);
        log_.Take();
    }
    // The card leaves as it does on the desk: unplugged, and the program drops the port.
    void PullCard() {
        Control("pull");
        agent->Close();
    }
    // The texts of a box, sorted.
    static std::vector<std::string> Texts(IMessageBoxBase& box) {
        std::vector<std::string> texts;
        for (int i = 0; i < box.GetCount(); ++i)
            texts.push_back(box.GetAt(i).text);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    // How many messages the card's UIM storage holds.
    int OnCard() {
        const std::string list = Control("sms-list SM");
        return static_cast<int>(std::count(list.begin(), list.end(), '('));
    }
    std::vector<std::string> Run(const std::u16string& receivers, const std::u16string& text) {
        recipients_ = ParseRecipients(receivers);
        parts_ = MakeSmsParts(text, 0, false);
        SendJobSettings settings;
        settings.clock = &clock_;
        job_ = std::make_unique<CThreadSendSMS>(&recipients_, &parts_, &texts_, sms_, &sent_,
                                                &unsent_, settings);
        test::RunInto(log_)(*job_);
        return log_.Take();
    }

    ISmsControl* sms_ = nullptr;
    CLocalizer texts_;
    test::JobLog log_;
    test::ScriptedBox shown_;
    CSMSBoxPC inbox_;
    CSMSBoxPC sent_;
    CSMSBoxPC unsent_;
    TestClock clock_;
    std::vector<SmsRecipient> recipients_;
    std::vector<SMSMessage> parts_;
    std::unique_ptr<CThreadSendSMS> job_;
};

TEST_P(SmsJobsOnCard, LoadShowsEachMessageAndAFailedLoadOnlyBeeps) {
    Control("sms 0812 Hello world");
    int beeps = 0;
    const auto beep = [&beeps] { ++beeps; };
    ASSERT_TRUE(LoadCardBox(Card(), &texts_, test::RunInto(log_), beep));
    EXPECT_EQ(log_.Take(),
              (std::vector<std::string>{"loading", "1/1", "loading[0812]Hello wo", "ended"}));
    // Loaded already: no job runs again.
    EXPECT_TRUE(LoadCardBox(Card(), &texts_, test::RunInto(log_), beep));
    EXPECT_TRUE(log_.Take().empty());
    PullCard();
    EXPECT_FALSE(LoadCardBox(Card(), &texts_, test::RunInto(log_), beep));
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(shown_.shown.empty());
}

TEST_P(SmsJobsOnCard, DeleteTakesTheHighestRowFirstAndStopsAtARefusal) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(4));
    const std::string last = Card().GetAt(3).text;
    log_.on_step = [this](int step) {
        if (step == 1)
            Control("card absent");  // the card refuses every message command from now on
    };
    EXPECT_EQ(DeleteCardMessages(Card(), {0, 3, 2}, &texts_, test::RunInto(log_)), 1);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"deleting", "0/3", "deleting", "1/3",
                                                     "deleting", "ended"}));
    EXPECT_EQ(shown_.shown, (std::vector<std::string>{"delete|delfail|10"}));
    EXPECT_EQ(OnCard(), 3);
    std::vector<std::string> left = Texts(Card());
    EXPECT_EQ(left.size(), 3u);
    EXPECT_EQ(std::find(left.begin(), left.end(), last), left.end());
}

TEST_P(SmsJobsOnCard, CopyThenMoveIntoThePCInbox) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(3));
    const SmsCopyOutcome first =
        CopyCardMessages(inbox_, Card(), {2, 0}, false, &texts_, test::RunInto(log_));
    EXPECT_EQ(first.added, 2);
    EXPECT_TRUE(shown_.shown.empty());
    const SmsCopyOutcome moved =
        CopyCardMessages(inbox_, Card(), {0, 1, 2}, true, &texts_, test::RunInto(log_));
    EXPECT_EQ(std::vector<int>({moved.added, moved.duplicates, moved.deleted}),
              std::vector<int>({1, 2, 3}));
    EXPECT_EQ(shown_.shown, (std::vector<std::string>{"dedevev|smsrepeated|30"}));
    EXPECT_EQ(Texts(inbox_), (std::vector<std::string>{"m0", "m1", "m2"}));
    EXPECT_EQ(inbox_.GetUnreadCount(), 3);
    EXPECT_EQ(OnCard(), 0);
}

TEST_P(SmsJobsOnCard, ACardPulledMidMoveLosesNothing) {
    ASSERT_NO_FATAL_FAILURE(FillAndLoad(3));
    // The card goes while the first message reaches the PC inbox.
    class OnFirstAdd : public IMessageBoxObserver {
    public:
        explicit OnFirstAdd(std::function<void()> action) : action_(std::move(action)) {}
        void OnAdded(IMessageBoxBase*, int) override {
            if (action_)
                std::exchange(action_, nullptr)();
        }
        void OnRemoved(IMessageBoxBase*, int) override {}
        void OnChanged(IMessageBoxBase*, int) override {}

    private:
        std::function<void()> action_;
    } pull([this] { PullCard(); });
    inbox_.AddObserver(&pull);
    const SmsCopyOutcome moved =
        CopyCardMessages(inbox_, Card(), {0, 1, 2}, true, &texts_, test::RunInto(log_));
    inbox_.RemoveObserver(&pull);
    EXPECT_EQ(std::vector<int>({moved.added, moved.deleted}), std::vector<int>({1, 0}));
    EXPECT_EQ(shown_.shown, (std::vector<std::string>{"dedevev|loadfail|30"}));
    EXPECT_EQ(OnCard(), 3);
}

TEST_P(SmsJobsOnCard, ALongMessageToThreeRecipientsWithOneRefused) {
    Control("sms-send refuse-to 0822");
    std::u16string text;
    for (int i = 0; i < 40; ++i)
        text += u"word" + Utf8ToUtf16(std::to_string(100000 + i));  // 400 characters
    const std::vector<std::string> steps = Run(u"0811; 0822 ;0833", text);
    EXPECT_EQ(steps.front(), "sending   [0833]  (0/9)");
    EXPECT_EQ(
        std::vector<int>({job_->Succeeded(), job_->Failed(), sent_.GetCount(), unsent_.GetCount()}),
        std::vector<int>({6, 3, 6, 3}));
    EXPECT_EQ(Utf16ToUtf8(SendSummary(&texts_, job_->Succeeded(), job_->Failed(), false)),
              "success  6\r\nfailure  3");
    // The refused number's parts are in the unsent box, the text whole.
    std::string unsent;
    for (int i = unsent_.GetCount() - 1; i >= 0; --i) {
        EXPECT_EQ(unsent_.GetAt(i).number, "0822");
        unsent += unsent_.GetAt(i).text;
    }
    EXPECT_EQ(unsent, Utf16ToUtf8(text));
    // The card sent the last recipient's parts first.
    const std::string log = Control("sms-sent");
    EXPECT_EQ(log.find("\"0822\""), std::string::npos);
    EXPECT_LT(log.find("\"0833\""), log.find("\"0811\"")) << log;
}

TEST_P(SmsJobsOnCard, ACardPulledDuringASendLeavesEveryPartNotSentUnsent) {
    log_.on_step = [this](int step) {
        if (step == 1)
            Control("pull");
    };
    const std::u16string text = std::u16string(100, u'a') + std::u16string(100, u'b');
    Run(u"0811;0822", text);
    EXPECT_EQ(
        std::vector<int>({job_->Succeeded(), job_->Failed(), sent_.GetCount(), unsent_.GetCount()}),
        std::vector<int>({1, 3, 1, 3}));
    EXPECT_EQ(Texts(unsent_),
              (std::vector<std::string>{std::string(100, 'a') + std::string(60, 'b'),
                                        std::string(40, 'b'), std::string(40, 'b')}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SmsJobsOnCard,
                         ::testing::Values(sim::CardKind::kCdma, sim::CardKind::kGsm),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

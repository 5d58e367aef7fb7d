// The modem library's messages on the simulated card, as a CDMA and as a GSM card: loading,
// long messages, deleting, marking read, new-message events, sending, and a card that gives no
// new-message notices.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/DeviceStatus.h"
#include "device/ISmsControl.h"
#include "device/at/features/SmsControl.h"
#include "support/EventLog.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

// What the card's message events and a box's observers were told.
class Events : public ISMSEventHandler, public IMessageBoxObserver, public test::EventLog {
public:
    void OnNewMessage(const std::string& storage, int index) override {
        Add("new " + storage + " " + std::to_string(index));
    }
    void OnStorageFull(const std::string& storage) override { Add("full " + storage); }
    void OnCardNotice(int value) override { Add("notice " + std::to_string(value)); }
    void OnAdded(IMessageBoxBase*, int position) override {
        Add("added " + std::to_string(position));
    }
    void OnRemoved(IMessageBoxBase*, int position) override {
        Add("removed " + std::to_string(position));
    }
    void OnChanged(IMessageBoxBase*, int position) override {
        Add("changed " + std::to_string(position));
    }
};

class SmsOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        sms_ = agent->GetSmsControl();
        int status = kStatusUntouched;
        sms_->SetMessageFormat(0, &status);
        ASSERT_EQ(status, kStatusOk);
    }
    void TearDown() override {
        if (sms_) {
            for (IMessageBox* box : {sms_->GetBox1(), sms_->GetBox2(), sms_->GetBox4()}) {
                box->SetEventHandler(nullptr);
                box->RemoveObserver(&events_);
            }
        }
        AgentFixture::TearDown();
    }
    void Load(IMessageBox* box) {
        int status = kStatusUntouched;
        box->Load(nullptr, &status);
        ASSERT_EQ(status, kStatusOk);
    }
    IMessageBox* Card() { return sms_->GetBox2(); }

    ISmsControl* sms_ = nullptr;
    Events events_;
};

class LoadReport : public IMessageBox::ILoadingReport {
public:
    void OnLoading(const SMSMessage& message, int total, int current) override {
        seen.push_back(std::to_string(current) + "/" + std::to_string(total) + " " + message.text);
    }
    std::vector<std::string> seen;
};

TEST_P(SmsOnCard, LoadsTheCardBoxWithItsTextsAndSenders) {
    Control("sms +628111222 Hello there");
    Control("sms-ucs2 +628333444 Selamat pagi, Здравствуйте");
    IMessageBox* box = Card();
    EXPECT_FALSE(box->IsLoaded());
    LoadReport report;
    int status = kStatusUntouched;
    box->Load(&report, &status);
    ASSERT_EQ(status, kStatusOk);
    EXPECT_TRUE(box->IsLoaded());
    EXPECT_EQ(box->GetCapacity(), 50);
    ASSERT_EQ(box->GetCount(), 2);
    EXPECT_EQ(report.seen.size(), 2u);
    std::vector<std::string> texts = {box->GetAt(0).text, box->GetAt(1).text};
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"Hello there", "Selamat pagi, Здравствуйте"}));
    for (int i = 0; i < 2; ++i) {
        const SMSMessage& m = box->GetAt(i);
        EXPECT_EQ(m.number, m.text == "Hello there" ? "+628111222" : "+628333444");
        EXPECT_EQ(m.status, kSmsUnread);
        EXPECT_GE(m.time.year, 2024);
    }
    EXPECT_EQ(box->GetUnreadCount(), 2);
    EXPECT_EQ(box->GetAt(5).text, "");  // a bad position reads an empty record
}

TEST_P(SmsOnCard, LongMessageOutOfOrderLoadsAsOneAndDeletesAllItsParts) {
    std::string text;
    for (int i = 10; i < 65; ++i)
        text += "part" + std::to_string(i) + " ";  // 384 characters: three parts on both kinds
    text.pop_back();
    Control("sms-long +628555 3,1,2 " + text);
    IMessageBox* box = Card();
    Load(box);
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_EQ(box->GetAt(0).text, text);
    EXPECT_EQ(box->GetAt(0).number, "+628555");
    auto* card_box = dynamic_cast<at::CardMessageBox*>(box);
    ASSERT_NE(card_box, nullptr);
    EXPECT_EQ(card_box->IndexesAt(0).size(), 3u);

    box->AddObserver(&events_);
    EXPECT_TRUE(box->RemoveAt(0));
    EXPECT_EQ(box->GetCount(), 0);
    EXPECT_EQ(events_.All(), std::vector<std::string>{"removed 0"});
    Load(box);  // the card has none of its parts left
    EXPECT_EQ(box->GetCount(), 0);
}

TEST_P(SmsOnCard, MissingPartShowsWhatArrivedAndNothingIsDeletedBehindTheBack) {
    std::string text(400, 'x');  // three parts on both kinds
    text.replace(0, 5, "Start");
    Control("sms-long +628555 1,3 " + text);  // the second part never comes
    IMessageBox* box = Card();
    Load(box);
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_EQ(box->GetAt(0).text.rfind("Start", 0), 0u);
    EXPECT_LT(box->GetAt(0).text.size(), text.size());
    Load(box);  // loading again keeps both parts on the card
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_EQ(dynamic_cast<at::CardMessageBox*>(box)->IndexesAt(0).size(), 2u);
}

TEST_P(SmsOnCard, MarkingReadAndDeletingSingleMessages) {
    Control("sms +62811 one");
    Control("sms +62822 two");
    IMessageBox* box = Card();
    Load(box);
    ASSERT_EQ(box->GetCount(), 2);
    box->AddObserver(&events_);
    EXPECT_TRUE(box->SetStatus(1, kSmsRead));
    EXPECT_EQ(box->GetAt(1).status, kSmsRead);
    EXPECT_EQ(box->GetUnreadCount(), 1);
    EXPECT_FALSE(box->SetStatus(7, kSmsRead));
    const std::string kept = box->GetAt(1).text;
    EXPECT_TRUE(box->RemoveAt(0));
    EXPECT_FALSE(box->RemoveAt(3));
    EXPECT_EQ(events_.All(), (std::vector<std::string>{"changed 1", "removed 0"}));
    Load(box);
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_EQ(box->GetAt(0).text, kept);
    EXPECT_EQ(box->GetAt(0).status, kSmsRead);  // read on the card too
}

TEST_P(SmsOnCard, NewMessageNoticeReachesTheHandlerWithTheMessage) {
    IMessageBox* box = Card();
    box->SetEventHandler(&events_);
    sms_->GetBox1()->SetEventHandler(&events_);
    int status = kStatusUntouched;
    sms_->SetStorage("SM", "SM", "SM", &status);
    ASSERT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    sms_->SetNewMessageIndication(2, 1, 0, 2, 0, &status);
    ASSERT_EQ(status, kStatusOk);
    EXPECT_FALSE(dynamic_cast<at::SmsControl*>(sms_)->Polling());
    Control("sms +628999 Are you there?");
    const std::string event = events_.WaitForPrefix("new SM ");
    ASSERT_FALSE(event.empty()) << ::testing::PrintToString(events_.All());
    const int index = std::stoi(event.substr(7));
    const SMSMessage* message = box->GetByIndex(index);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text, "Are you there?");
    EXPECT_EQ(message->number, "+628999");
    EXPECT_EQ(message->status, kSmsUnread);
    EXPECT_EQ(box->GetByIndex(index + 100), nullptr);
}

TEST_P(SmsOnCard, CardWithoutNoticesIsPolled) {
    Control("sms-cnmi off");
    Control("sms +62811 before");
    IMessageBox* box = Card();
    Load(box);  // held by the box already: never reported as new
    box->SetEventHandler(&events_);
    auto* control = dynamic_cast<at::SmsControl*>(sms_);
    control->SetPollInterval(milliseconds(100));
    int status = kStatusUntouched;
    sms_->SetStorage("SM", "SM", "SM", &status);
    Control("log clear");
    status = kStatusUntouched;
    sms_->SetNewMessageIndication(2, 1, 0, 2, 0, &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_TRUE(control->Polling());
    ASSERT_TRUE(AwaitCardCommand("AT+CPMS?"));  // the first poll only counts
    Control("sms +62822 found by polling");
    const std::string event = events_.WaitForPrefix("new SM ");
    ASSERT_FALSE(event.empty()) << ::testing::PrintToString(events_.All());
    const SMSMessage* message = box->GetByIndex(std::stoi(event.substr(7)));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text, "found by polling");
    EXPECT_EQ(events_.All().size(), 1u);
}

TEST_P(SmsOnCard, SendingAcceptedRefusedAndLong) {
    SMSMessage message;
    message.number = "+62812345678";
    message.text = "Hi from DEDEVev";
    int status = kStatusUntouched;
    EXPECT_TRUE(sms_->Send(message, 0, &status));
    EXPECT_EQ(status, kStatusOk);
    EXPECT_NE(Control("sms-sent").find("Hi from DEDEVev"), std::string::npos);

    message.text = std::string(250, 'L');  // two parts
    status = kStatusUntouched;
    EXPECT_TRUE(sms_->Send(message, 0, &status));
    const std::string sent = Control("sms-sent");
    EXPECT_NE(sent.find(std::string(100, 'L')), std::string::npos) << sent;

    Control("sms-send refuse 500");
    message.text = "refused";
    status = kStatusUntouched;
    EXPECT_FALSE(sms_->Send(message, 0, &status));
    EXPECT_EQ(status, kStatusUntouched);
    EXPECT_EQ(dynamic_cast<at::SmsControl*>(sms_)->LastSendError(), 500);

    message.number = "12;AT+CFUN=0";  // not a number: nothing is sent
    EXPECT_FALSE(sms_->Send(message, 0, &status));
}

TEST_P(SmsOnCard, FullStorageIsReported) {
    Control("sms-storage SM 2");
    Card()->SetEventHandler(&events_);
    int status = kStatusUntouched;
    sms_->SetStorage("SM", "SM", "SM", &status);
    sms_->SetNewMessageIndication(2, 1, 0, 2, 0, &status);
    Control("sms +1 a");
    Control("sms +1 b");
    EXPECT_EQ(events_.WaitForPrefix("full "), "full SM");
    Load(Card());
    EXPECT_EQ(Card()->GetCapacity(), 2);
    EXPECT_EQ(Card()->GetCount(), 2);
}

TEST_P(SmsOnCard, MessagesSurvivePullingTheCard) {
    Control("sms +62811 still here");
    Control("pull");
    Control("insert");
    int status = kStatusUntouched;
    ASSERT_TRUE(agent->Open(sim->AtPortPath(), 115200, &status));
    IMessageBox* box = Card();
    EXPECT_FALSE(box->IsLoaded());  // a new port: the box starts over
    Load(box);
    ASSERT_EQ(box->GetCount(), 1);
    EXPECT_EQ(box->GetAt(0).text, "still here");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SmsOnCard,
                         ::testing::Values(sim::CardKind::kCdma, sim::CardKind::kGsm),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

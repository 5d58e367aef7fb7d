// Arriving messages without a card: the card's events as window messages, the pop-up, and what
// the message view does with each event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "phonebook/NameMapping.h"
#include "sms/SMSEvents.h"
#include "support/FakeCardBox.h"
#include "support/SmsJobs.h"

namespace dedevev {
namespace {

class Target : public IMessageTarget {
public:
    void Post(WindowMessage message) override { posted.push_back(message); }
    void Send(WindowMessage message) override { posted.push_back(message); }
    std::vector<WindowMessage> posted;
};

class OneName : public CNameMappingBase {
public:
    void Lookup(std::u16string& name, const std::u16string& number,
                std::u16string& matched) override {
        if (number == u"0812") {
            name = u"Ayu";
            matched = number;
        }
    }
};

TEST(SmsEvents, CardEventsBecomeWindowMessagesWithTheStorageFlag) {
    Target target;
    CSMSEventHandler handler(&target);
    handler.OnNewMessage("SM", 7);
    handler.OnNewMessage("ME", 1000000);
    handler.OnStorageFull("SR");
    handler.OnCardNotice(5);
    std::vector<std::string> got;
    for (const WindowMessage& m : target.posted)
        got.push_back(std::to_string(m.number) + " " + std::to_string(m.wparam) + " " +
                      std::to_string(m.lparam));
    EXPECT_EQ(got,
              (std::vector<std::string>{"1125 7 0", "1125 1000000 1", "1126 0 1", "1128 0 0"}));
}

TEST(SmsEvents, PopupShowsTheNameAndTheTextsHead) {
    CLocalizer texts;
    test::LoadSmsTexts(&texts);
    OneName names;
    struct Case {
        std::string number;
        std::string text;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"0812", "Hello world", "Ayu\r\n\r\nHello wo..."},
        {"0999", "12345678", "0999\r\n\r\n12345678"},
        // A character outside the basic plane counts one and stays whole.
        {"0999",
         "\xf0\x9f\x98\x80"
         "1234567xyz",
         "0999\r\n\r\n\xf0\x9f\x98\x80"
         "1234567..."},
    };
    for (const Case& c : cases) {
        const SmsPopup popup =
            MakeSmsPopup(test::Message(c.number, c.text), &names, &texts, u"RecvNewMsg", 1);
        EXPECT_EQ(Utf16ToUtf8(popup.title), "recvnewmsg");
        EXPECT_EQ(Utf16ToUtf8(popup.body), c.body);
        EXPECT_EQ(popup.storage_flag, 1);
    }
}

class Arrivals : public ::testing::Test {
protected:
    Arrivals() {
        test::LoadSmsTexts(&texts_);
        SmsArrivalsEnvironment env;
        env.card_box1 = [this] { return box1_present_ ? &box1_ : nullptr; };
        env.card_box2 = [this] { return &box2_; };
        env.localizer = &texts_;
        env.play_sound = [this] { seen_.push_back("sound"); };
        env.show_popup = [this](const SmsPopup& p) {
            seen_.push_back(Utf16ToUtf8(p.title) + ": " + Utf16ToUtf8(p.body));
        };
        env.warn = [this](const std::u16string& text, const std::u16string& caption) {
            seen_.push_back(Utf16ToUtf8(caption) + ": " + Utf16ToUtf8(text));
        };
        env.refresh = [this] { seen_.push_back("refresh"); };
        arrivals_ = std::make_unique<CSmsArrivals>(env);
    }
    std::vector<std::string> Seen() {
        std::vector<std::string> taken;
        taken.swap(seen_);
        return taken;
    }
    CLocalizer texts_;
    test::FakeCardBox box1_;
    test::FakeCardBox box2_;
    bool box1_present_ = true;
    std::vector<std::string> seen_;
    std::unique_ptr<CSmsArrivals> arrivals_;
};

TEST_F(Arrivals, ANewMessageSoundsShowsAndRefreshes) {
    box2_.box.Add(test::Message("0812", "from the UIM"), nullptr);
    box1_.box.Add(test::Message("0813", "from the modem"), nullptr);
    arrivals_->OnNewMessage(0, 0);
    arrivals_->OnNewMessage(0, 1);
    // Gone from the box by the time the view looks: nothing to show.
    arrivals_->OnNewMessage(5, 0);
    box1_present_ = false;
    arrivals_->OnNewMessage(0, 1);
    EXPECT_EQ(Seen(),
              (std::vector<std::string>{"sound", "recvnewmsg: 0812\r\n\r\nfrom the...", "refresh",
                                        "sound", "recvnewmsg: 0813\r\n\r\nfrom the...", "refresh",
                                        "sound", "refresh", "sound"}));
    EXPECT_EQ(box2_.GetCount(), 1);
}

TEST_F(Arrivals, AFullStorageWarnsOnceUntilItHadRoom) {
    arrivals_->OnStorageFull(0);
    arrivals_->OnStorageFull(0);
    arrivals_->OnStorageFull(1);
    arrivals_->OnStorageHasRoom(0);
    arrivals_->OnStorageFull(0);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"sms: fullalertuim", "sms: fullalertcard",
                                                "sms: fullalertuim"}));
}

TEST_F(Arrivals, ACardNoticeShowsTheModemBoxsFirstMessage) {
    arrivals_->OnCardNotice();  // an empty box: nothing to show
    box1_.box.Add(test::Message("0813", "older", 1), nullptr);
    box1_.box.Add(test::Message("0814", "newer", 2), nullptr);
    arrivals_->OnCardNotice();
    EXPECT_EQ(Seen(), (std::vector<std::string>{"cpt: 0814\r\n\r\nnewer"}));
}

}  // namespace
}  // namespace dedevev

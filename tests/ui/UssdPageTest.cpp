// The USSD page and its reply dialog: what is sent, what the user is told, and that a reply
// is shown as the network wrote it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/null/NullObjects.h"
#include "settings/UssdExchange.h"
#include "settings/views/DlgSetUssd.h"
#include "settings/views/DlgUssd.h"
#include "tests/support/Eventually.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

// A card that answers every request with `answer` and remembers what it was sent.
class UssdCard final : public CNullCardService {
public:
    void SendUssd(const std::string& text, int* status) override {
        std::lock_guard<std::mutex> lock(mutex);
        sent.push_back(text);
        if (answer != kStatusUntouched)
            *status = answer;
    }
    void SetUssdListener(IUssdEventHandler* l) override { listener = l; }

    std::vector<std::string> Sent() {
        std::lock_guard<std::mutex> lock(mutex);
        return sent;
    }

    std::mutex mutex;
    std::vector<std::string> sent;
    std::atomic<int> answer{kStatusOk};
    IUssdEventHandler* listener = nullptr;
};

class UssdPageTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }

    UssdPageEnvironment Env() {
        UssdPageEnvironment env;
        env.card = &card;
        env.show_reply = [this](QWidget* over, const QString& reply,
                                std::function<void(const QString&)>) {
            shown_over.push_back(over);
            replies.push_back(reply);
        };
        return env;
    }
    // Runs the window's events until `done`, and then those `done` left queued.
    template <typename Done>
    bool Until(Done done) {
        const bool ok = test::Eventually([&] {
            QCoreApplication::processEvents();
            return done();
        });
        QCoreApplication::processEvents();
        return ok;
    }

    UssdCard card;
    test::MessageRecorder boxes;
    std::vector<QWidget*> shown_over;
    std::vector<QString> replies;
};

TEST_F(UssdPageTest, RequestIsSentAsItStandsAndARefusalIsTold) {
    struct Case {
        QString request;
        int status;
        bool told;
    };
    const Case cases[] = {
        {"", kStatusOk, false},
        {" *123# ", kStatusOk, false},
        {"", kStatusNotSupported, true},
        {"*123#", kStatusUntouched, true},
    };
    CDlgSetUssd page(Env());
    auto* request = page.findChild<QLineEdit*>("UssdRequest");
    auto* send = page.findChild<QAbstractButton*>("UssdSend");
    ASSERT_NE(request, nullptr);
    ASSERT_NE(send, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.toStdString() + " status " + std::to_string(c.status));
        boxes.shown.clear();
        card.answer = c.status;
        request->setText(c.request);
        send->click();
        ASSERT_TRUE(Until([&] { return !page.Exchange().Sending(); }));
        ASSERT_FALSE(card.Sent().empty());
        EXPECT_EQ(card.Sent().back(), c.request.toStdString());
        EXPECT_EQ(request->text(), c.request);
        const std::vector<std::u16string> expected =
            c.told ? std::vector<std::u16string>{UssdText("NotSupportUssd")}
                   : std::vector<std::u16string>{};
        EXPECT_EQ(boxes.shown, expected);
    }
}

TEST_F(UssdPageTest, ReplyWhilePageIsClosedOpensOverTheMainWindow) {
    QWidget main;
    auto* page = new CDlgSetUssd(Env(), &main);
    ASSERT_NE(card.listener, nullptr);
    card.listener->OnUssdNotice({UssdResult::kQuestion, "1 <b>Yes</b> &amp; 2 No"});
    card.listener->OnUssdNotice({UssdResult::kQuestion, "second"});
    ASSERT_TRUE(Until([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies, (std::vector<QString>{"1 <b>Yes</b> &amp; 2 No", "second"}));
    EXPECT_EQ(shown_over, (std::vector<QWidget*>{&main, &main}));
    delete page;
    EXPECT_EQ(card.listener, nullptr);
}

TEST_F(UssdPageTest, ReplyDialogShowsTextLiterallyAndSendsOnlyOnSend) {
    const QString reply = "<b>Saldo</b> &lt; 5\nRp 1.000 &#169;";
    std::vector<QString> answers;
    {
        CDlgUssd dialog(reply, [&](const QString& answer) { answers.push_back(answer); });
        EXPECT_EQ(dialog.size(), QSize(CDlgUssd::kWidth, CDlgUssd::kHeight));
        EXPECT_EQ(dialog.findChild<QPlainTextEdit*>("UssdReplyText")->toPlainText(), reply);
        dialog.findChild<QLineEdit*>("UssdAnswer")->setText("1");
        dialog.findChild<QAbstractButton*>("UssdReplySend")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        CDlgUssd dialog(reply, [&](const QString& answer) { answers.push_back(answer); });
        dialog.findChild<QLineEdit*>("UssdAnswer")->setText("2");
        dialog.findChild<QAbstractButton*>("UssdReplyClose")->click();
    }
    EXPECT_EQ(answers, (std::vector<QString>{"1"}));
}

}  // namespace
}  // namespace dedevev

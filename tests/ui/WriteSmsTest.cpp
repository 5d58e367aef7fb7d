// The write dialog (receivers filter, drafts, picker, send, warning, counter, no card) and the
// sound output on a machine without a sound card.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <string>
#include <thread>
#include <vector>

#include "core/MessageBox.h"
#include "resources/Localizer.h"
#include "resources/views/QtSoundOutput.h"
#include "sms/SMSBoxPC.h"
#include "sms/views/DlgWriteSMS.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScriptedModem.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

// A card that takes every message and remembers the numbers it was given.
class AcceptingSms : public CNullSmsControl {
public:
    bool Send(const SMSMessage& message, int, int* status) override {
        numbers.push_back(message.number);
        SetStatus(status, kStatusOk);
        return true;
    }
    void SetSendFlag(std::uint8_t flag) override { flags.push_back(flag); }
    std::vector<std::string> numbers;
    std::vector<std::uint8_t> flags;
};

const DateTimeFields kNow{2026, 12, 10, 1, 2, 3};

class WriteSmsTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseDefaultSkinAndLanguage(); }

    WriteSMSEnvironment Env() {
        WriteSMSEnvironment env;
        env.drafts = &drafts;
        env.sent = &sent;
        env.unsent = &unsent;
        env.sms = [this]() -> ISmsControl* { return card_present ? &sms : nullptr; };
        env.device = [this]() -> IDeviceControl* { return card_present ? &control : nullptr; };
        env.family = [this] { return family; };
        env.pick = [this](QWidget*) { return picks; };
        env.run = [](QWidget*, CThreadProgress& job) { RunWithoutWindow(job); };
        env.message = [this](const std::u16string& text, const std::u16string& caption,
                             unsigned flags) {
            shown.push_back(text);
            captions.push_back(caption);
            shown_flags.push_back(flags);
            return answer;
        };
        env.now = [] { return kNow; };
        env.job.pause = std::chrono::milliseconds(0);
        return env;
    }

    std::unique_ptr<CDlgWriteSMS> Open(const char* receivers, const char* content = "") {
        return std::make_unique<CDlgWriteSMS>(Env(), QString(receivers).toStdU16String(),
                                              QString(content).toStdU16String());
    }

    static void Click(QWidget& dialog, const char* name) {
        dialog.findChild<QAbstractButton*>(name)->click();
    }

    static std::vector<std::string> Filed(CSMSBoxPC& box) {
        std::vector<std::string> filed;
        for (const SMSMessage& m : box.Messages())
            filed.push_back(m.number + ":" + m.text + ":" + std::to_string(m.status));
        return filed;
    }

    CSMSBoxPC drafts, sent, unsent;
    AcceptingSms sms;
    test::ScriptedControl control;
    bool card_present = true;
    at::SmsFamily family = at::SmsFamily::kGsm;
    std::vector<PBPick> picks;
    std::vector<std::u16string> shown, captions;
    std::vector<unsigned> shown_flags;
    int answer = kMsgFirst;
};

TEST_F(WriteSmsTest, ReceiversTakeNumberListsOnlyWhole) {
    const char* const cases[][3] = {
        // clipboard, typed, field
        {"123-456", "", ""}, {"123;456", "", "123;456"}, {"+49;*#1", "", "+49;*#1"},
        {"12 ", "", ""},     {"", "12;a-3", "12;3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + "|" + c[1]);
        auto dialog = Open("");
        auto* field = dialog->findChild<CSMSPhoneNumEdit*>("WriteSMSReceivers");
        QApplication::clipboard()->setText(c[0]);
        if (*c[0] != '\0')
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClicks(field, c[1]);
        EXPECT_EQ(field->text(), c[2]);
    }
}

TEST_F(WriteSmsTest, SaveFilesOneDraftPerRecipient) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"123; 456;", {"123:a\r\nb:2", "456:a\r\nb:2"}},
        {";;", {";;:a\r\nb:2"}},
        {"", {":a\r\nb:2"}},
    };
    for (const auto& [receivers, filed] : cases) {
        SCOPED_TRACE(receivers);
        drafts.Clear();
        auto dialog = Open(receivers, "a\nb");
        Click(*dialog, "WriteSMSSave");
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(Filed(drafts), filed);
        EXPECT_EQ(drafts.GetAt(0).time, kNow);
    }
}

TEST_F(WriteSmsTest, PickedNumbersAreAppendedWithSeparators) {
    const std::tuple<const char*, std::vector<PBPick>, const char*> cases[] = {
        {"", {{u"Ann", u"111"}}, "111;"},
        {"99", {{u"Ann", u"111"}, {u"Bob", u"222"}}, "99;111;222;"},
        {"99;", {{u"Bob", u"222"}}, "99;222;"},
        {"99", {}, "99"},  // cancelled
    };
    for (const auto& [before, picked, after] : cases) {
        SCOPED_TRACE(before);
        picks = picked;
        auto dialog = Open(before);
        Click(*dialog, "WriteSMSSelPB");
        EXPECT_EQ(dialog->Receivers(), QString(after).toStdU16String());
    }
}

TEST_F(WriteSmsTest, SendGivesEveryRecipientThePartsAndShowsTheSummary) {
    auto dialog = Open("111;222", "Hello");
    Click(*dialog, "WriteSMSSend");
    EXPECT_EQ(sms.numbers, (std::vector<std::string>{"222", "111"}));  // the last one first
    EXPECT_EQ(sms.flags, std::vector<std::uint8_t>{0});
    EXPECT_EQ(Filed(sent).size(), 2u);
    EXPECT_EQ(unsent.GetCount(), 0);
    EXPECT_EQ(shown, std::vector<std::u16string>{LocalText("Success", "DlgSMS") + u"  2\r\n"});
    EXPECT_EQ(shown_flags, std::vector<unsigned>{kMbOk | kMbIconInformation});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(WriteSmsTest, WarningBeforeSendingSendsNothing) {
    // An LTE card that cannot send messages there.
    control.service = ServiceInfo{0, kSystemModeLte, 1, 0, 0, kCardTypeUsim, kServiceAvailable};
    for (int choice : {kMsgFirst, kMsgSecond}) {
        SCOPED_TRACE(choice);
        shown.clear();
        answer = choice;
        auto dialog = Open("111", "Hello");
        dialog->show();
        Click(*dialog, "WriteSMSSend");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find(u"UMTS Only"), std::u16string::npos);
        EXPECT_EQ(captions.back(), u"Tip");
        EXPECT_EQ(shown_flags.back(), kMbOkCancel | kMbIconQuestion);
        EXPECT_EQ(dialog->isVisible(), choice != kMsgFirst);  // OK gives the message up
    }
    EXPECT_TRUE(sms.numbers.empty());
    EXPECT_EQ(sent.GetCount() + unsent.GetCount(), 0);
}

TEST_F(WriteSmsTest, CounterFollowsTheTypedText) {
    const std::tuple<at::SmsFamily, std::string, const char*> cases[] = {
        {at::SmsFamily::kGsm, "", "160 characters left, 1 message (GSM 7-bit)"},
        {at::SmsFamily::kGsm, "ab{", "156 characters left, 1 message (GSM 7-bit)"},
        // The program cuts the text into independent parts of 160.
        {at::SmsFamily::kGsm, std::string(161, 'a'), "159 characters left, 2 messages (GSM 7-bit)"},
        {at::SmsFamily::kCdma, "abc", "157 characters left, 1 message (7-bit ASCII)"},
    };
    for (const auto& [kind, typed, label] : cases) {
        SCOPED_TRACE(label);
        family = kind;
        auto dialog = Open("");
        QTest::keyClicks(dialog->findChild<QPlainTextEdit*>("WriteSMSContent"),
                         QString::fromStdString(typed));
        EXPECT_EQ(dialog->CounterLabel().toStdString(), label);
    }
}

TEST_F(WriteSmsTest, WithoutACardTheTextIsKeptAsUnsent) {
    card_present = false;
    auto dialog = Open("111;222", "Hello");
    Click(*dialog, "WriteSMSSend");
    EXPECT_EQ(shown, std::vector<std::u16string>{LocalText("NoCardKeptUnsent", "DlgWriteSMS")});
    EXPECT_EQ(Filed(unsent), (std::vector<std::string>{"111:Hello:2", "222:Hello:2"}));
}

TEST(QtSoundOutputTest, PlaysWhatItCanAndPassesOverTheRest) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("ring.wav");
    // 8 kHz 16-bit mono: a header and 40 silent samples.
    QByteArray bytes(
        "RIFF\x74\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0"
        "data\x50\0\0\0",
        44);
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes + QByteArray(80, '\0'));
    file.close();

    QtSoundOutput output;
    output.Play(dir.filePath("missing.wav").toStdString(), false);
    EXPECT_TRUE(output.Current().isEmpty());
    output.Play(wav.toStdString(), true);
    EXPECT_EQ(output.Current().isEmpty(), !output.HasDevice());  // silent without a card
    std::thread([&] { output.Stop(); }).join();  // carried over to the window thread
    EXPECT_TRUE(test::Eventually([&] {
        QCoreApplication::processEvents();
        return output.Current().isEmpty();
    }));
}

}  // namespace
}  // namespace dedevev

// The write dialog: the receivers field's filter, drafts, the phonebook picker, sending with a
// card that takes every message, the warning before a send, the counter, no card at all; and
// the sound output on a machine without a sound card.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDataStream>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/MessageBox.h"
#include "device/null/NullObjects.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
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

struct Shown {
    std::u16string text;
    std::u16string caption;
    unsigned flags;
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
        env.family = [] { return at::SmsFamily::kGsm; };
        env.pick = [this](QWidget*) { return picks; };
        env.run = [this](QWidget* parent, CThreadProgress& job) {
            run_parent = parent;
            RunWithoutWindow(job);
        };
        env.message = [this](const std::u16string& text, const std::u16string& caption,
                             unsigned flags) {
            shown.push_back({text, caption, flags});
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
        auto* button = dialog.findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    CSMSBoxPC drafts, sent, unsent;
    AcceptingSms sms;
    test::ScriptedControl control;
    bool card_present = true;
    std::vector<PBPick> picks;
    std::vector<Shown> shown;
    int answer = kMsgFirst;
    QWidget* run_parent = nullptr;
};

TEST_F(WriteSmsTest, ReceiversTakeNumberListsOnlyWhole) {
    struct Case {
        const char* clipboard;
        const char* typed;
        const char* after;
    } const cases[] = {
        {"123-456", "", ""},
        {"123;456", "", "123;456"},
        {"+49;*#1", "", "+49;*#1"},
        {"", "12;a-3", "12;3"},
        {"12 ", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clipboard + std::string("|") + c.typed);
        auto dialog = Open("");
        auto* field = dialog->findChild<CSMSPhoneNumEdit*>("WriteSMSReceivers");
        ASSERT_NE(field, nullptr);
        if (*c.clipboard != '\0') {
            QApplication::clipboard()->setText(c.clipboard);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        }
        QTest::keyClicks(field, c.typed);
        EXPECT_EQ(field->text(), c.after);
    }
}

TEST_F(WriteSmsTest, SaveFilesOneDraftPerRecipient) {
    struct Case {
        const char* receivers;
        std::vector<std::string> numbers;  // newest first, as the box holds them
    } const cases[] = {
        {"123; 456;", {"123", "456"}},
        {";;", {";;"}},
        {"", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.receivers);
        drafts.Clear();
        auto dialog = Open(c.receivers, "line one\nline two");
        Click(*dialog, "WriteSMSSave");
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        std::vector<std::string> numbers;
        for (const SMSMessage& m : drafts.Messages()) {
            numbers.push_back(m.number);
            EXPECT_EQ(m.text, "line one\r\nline two");
            EXPECT_EQ(m.status, kSmsNotSent);
            EXPECT_EQ(m.time, kNow);
        }
        EXPECT_EQ(numbers, c.numbers);
    }
}

TEST_F(WriteSmsTest, PickedNumbersAreAppendedWithSeparators) {
    struct Case {
        const char* before;
        std::vector<PBPick> picked;
        const char* after;
    } const cases[] = {
        {"", {{u"Ann", u"111"}}, "111;"},
        {"99", {{u"Ann", u"111"}, {u"Bob", u"222"}}, "99;111;222;"},
        {"99;", {{u"Bob", u"222"}}, "99;222;"},
        {"99", {}, "99"},  // cancelled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        picks = c.picked;
        auto dialog = Open(c.before);
        Click(*dialog, "WriteSMSSelPB");
        EXPECT_EQ(dialog->Receivers(), QString(c.after).toStdU16String());
    }
}

TEST_F(WriteSmsTest, SendGivesEveryRecipientThePartsAndShowsTheSummary) {
    auto dialog = Open("111;222", "Hello");
    Click(*dialog, "WriteSMSSend");
    // The last recipient first, one part each, both filed as sent.
    EXPECT_EQ(sms.numbers, (std::vector<std::string>{"222", "111"}));
    EXPECT_EQ(sms.flags, std::vector<std::uint8_t>{0});
    EXPECT_EQ(run_parent, dialog.get());
    EXPECT_EQ(sent.GetCount(), 2);
    EXPECT_EQ(unsent.GetCount(), 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, LocalText("Success", "DlgSMS") + u"  2\r\n");
    EXPECT_EQ(shown[0].flags, kMbOk | kMbIconInformation);
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
        EXPECT_EQ(shown[0].caption, u"Tip");
        EXPECT_EQ(shown[0].flags, kMbOkCancel | kMbIconQuestion);
        EXPECT_NE(shown[0].text.find(u"UMTS Only"), std::u16string::npos);
        // OK gives up and closes; Cancel leaves the dialog to the user.
        EXPECT_EQ(dialog->isVisible(), choice != kMsgFirst);
    }
    EXPECT_TRUE(sms.numbers.empty());
    EXPECT_EQ(sent.GetCount() + unsent.GetCount(), 0);
}

TEST_F(WriteSmsTest, CounterFollowsTheTypedText) {
    struct Case {
        at::SmsFamily family;
        std::string typed;
        const char* label;
    } const cases[] = {
        {at::SmsFamily::kGsm, "", "160 characters left, 1 message (GSM 7-bit)"},
        {at::SmsFamily::kGsm, "ab{", "156 characters left, 1 message (GSM 7-bit)"},
        {at::SmsFamily::kGsm, std::string(161, 'a'), "159 characters left, 2 messages (GSM 7-bit)"},
        {at::SmsFamily::kCdma, "abc", "157 characters left, 1 message (7-bit ASCII)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteSMSEnvironment env = Env();
        env.family = [&c] { return c.family; };
        CDlgWriteSMS dialog(std::move(env), u"", u"");
        QTest::keyClicks(dialog.findChild<QPlainTextEdit*>("WriteSMSContent"),
                         QString::fromStdString(c.typed));
        EXPECT_EQ(dialog.CounterLabel().toStdString(), c.label);
    }
}

TEST_F(WriteSmsTest, WithoutACardTheTextIsKeptAsUnsent) {
    card_present = false;
    auto dialog = Open("111;222", "Hello");
    Click(*dialog, "WriteSMSSend");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, LocalText("NoCardKeptUnsent", "DlgWriteSMS"));
    std::vector<std::string> kept;
    for (const SMSMessage& m : unsent.Messages()) {
        kept.push_back(m.number + ":" + m.text);
        EXPECT_EQ(m.status, kSmsNotSent);
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"111:Hello", "222:Hello"}));
}

// A WAV file of a few milliseconds of silence: 8 kHz, 16-bit, mono.
void WriteWav(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 samples = 80;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(0);
}

TEST(QtSoundOutputTest, PlaysWhatItCanAndPassesOverTheRest) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("ring.wav");
    WriteWav(wav);
    QtSoundOutput output;
    output.Play(dir.filePath("missing.wav").toStdString(), false);
    EXPECT_TRUE(output.Current().isEmpty());
    output.Play(wav.toStdString(), true);
    // Without a sound card nothing plays; with one, the file does.
    EXPECT_EQ(output.Current().isEmpty(), !output.HasDevice());
    // From another thread the request is carried over to the window thread.
    std::thread([&] { output.Stop(); }).join();
    EXPECT_TRUE(test::Eventually([&] {
        QCoreApplication::processEvents();
        return output.Current().isEmpty();
    }));
}

}  // namespace
}  // namespace dedevev

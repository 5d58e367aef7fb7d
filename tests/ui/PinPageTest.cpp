// The PIN page and the PIN dialogs: layout, button states, field rules and validation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include "MessageRecorder.h"
#include "SkinTestSupport.h"
#include "resources/Localizer.h"
#include "resources/views/SkinButton.h"
#include "settings/PinEntry.h"
#include "settings/views/DlgChangePin.h"
#include "settings/views/DlgInputPin.h"
#include "settings/views/DlgPin.h"
#include "settings/views/DlgUnlockPUK.h"
#include "tests/support/Eventually.h"
#include "tests/support/FakePinCard.h"
#include "tests/support/ScriptedPinDialogs.h"

namespace dedevev {
namespace {

template <typename Condition>
bool Pumped(Condition condition) {
    return test::Eventually([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

const char* const kButtons[] = {"BtnEnablePin", "BtnDisablePin", "BtnChangePin", "BtnCheckPin",
                                "BtnUnlockPuk"};

std::string Enabled(QWidget& page) {
    std::string shown;
    for (const char* name : kButtons)
        shown += page.findChild<QWidget*>(name)->isEnabled() ? std::string(name) + " " : "";
    return shown;
}

class PinPage : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        card.lock_on = false;
        page.SetCardSource([this] { return &card; });
        page.SetDialogs(&dialogs);
        QObject::connect(&page, &CSettingsPage::changed, [this] { ++changes; });
    }
    bool Reloaded() {
        page.Reload();
        return Pumped([&] { return !page.Reading(); });
    }

    test::FakePinCard card;
    test::ScriptedPinDialogs dialogs;
    CDlgPin page;
    int changes = 0;
};

TEST_F(PinPage, FiveBigButtonsInAColumn) {
    page.show();  // the buttons took their skin's size after the page was built
    int top = 20;
    for (const char* name : kButtons) {
        auto* button = page.findChild<CSkinButtonEx*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->pos(), QPoint(60, top)) << name;
        top = button->geometry().bottom() + 1 + 5;
    }
}

TEST_F(PinPage, ButtonsFollowTheCardAndEachPressReportsAChange) {
    ASSERT_TRUE(Reloaded());
    EXPECT_EQ(Enabled(page), "BtnEnablePin ");
    dialogs.pins = {"1234"};
    page.findChild<CSkinButtonEx*>("BtnEnablePin")->click();
    EXPECT_TRUE(card.lock_on);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(Pumped([&] { return Enabled(page) == "BtnDisablePin BtnChangePin "; }));

    card.pin_left = 0;  // blocked
    ASSERT_TRUE(Reloaded());
    EXPECT_EQ(Enabled(page), "BtnUnlockPuk ");
    // A cancelled PUK changes nothing on the card, yet the page still reports the press.
    page.findChild<CSkinButtonEx*>("BtnUnlockPuk")->click();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Enabled(page), "BtnUnlockPuk ");
}

// Types into the field called `name` of `dialog`.
void Type(QWidget& dialog, const char* name, const QString& text) {
    auto* field = dialog.findChild<QLineEdit*>(name);
    ASSERT_NE(field, nullptr) << name;
    field->clear();
    QTest::keyClicks(field, text);
}

TEST(PinDialogs, DigitFieldsAndValidationThatKeepsTheDialogOpen) {
    test::UseDefaultSkinAndLanguage();
    test::MessageRecorder messages;
    auto text = [](const char* key) { return LocalText(key, "Security"); };

    CDlgInputPin pin(3);
    EXPECT_EQ(pin.findChild<QLabel*>("LabelInputPin")->text(),
              QString::fromStdU16String(FormatCount(text("InputPin"), 3)));
    Type(pin, "PinCode", "12a3456789");
    EXPECT_EQ(pin.findChild<QLineEdit*>("PinCode")->text(), "12345678");
    EXPECT_EQ(pin.findChild<QLineEdit*>("PinCode")->echoMode(), QLineEdit::Password);
    Type(pin, "PinCode", "123");
    pin.accept();
    EXPECT_NE(pin.result(), QDialog::Accepted);
    Type(pin, "PinCode", "1234");
    pin.accept();
    EXPECT_EQ(pin.result(), QDialog::Accepted);
    EXPECT_EQ(pin.Result(), "1234");

    CDlgChangePin change(3);
    Type(change, "NewPin", "1234");
    Type(change, "ConfirmPin", "1235");
    change.accept();
    EXPECT_NE(change.result(), QDialog::Accepted);

    CDlgUnlockPUK puk(10);
    puk.accept();
    Type(puk, "InputPUK", "12345678");
    Type(puk, "NewPin", "5555");
    Type(puk, "ConfirmPin", "5556");
    puk.accept();
    EXPECT_NE(puk.result(), QDialog::Accepted);
    EXPECT_EQ(messages.shown, (std::vector<std::u16string>{text("ShortPin"), text("PassMismatch"),
                                                           text("CodeEmpty"), text("PinNotSame")}));
}

TEST(PinDialogs, AskedFromAnotherThreadTheDialogOpensOnTheWindowThread) {
    test::UseDefaultSkinAndLanguage();
    InstallPinDialogs();
    std::atomic<bool> done = false;
    std::optional<std::string> answer;
    std::thread asker([&] {
        answer = PinDialogs().AskPin(2);
        done = true;
    });
    QTimer fill;
    QObject::connect(&fill, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CDlgInputPin*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(dialog->thread(), QApplication::instance()->thread());
            dialog->findChild<QLineEdit*>("PinCode")->setText("2468");
            dialog->accept();
        }
    });
    fill.start(5);
    EXPECT_TRUE(Pumped([&] { return done.load(); }));
    asker.join();
    SetPinDialogs(nullptr);
    EXPECT_EQ(answer, std::optional<std::string>("2468"));
}

}  // namespace
}  // namespace dedevev

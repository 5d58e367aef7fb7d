#include "settings/views/DlgUnlock.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/AppSettings.h"
#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "Security";
constexpr int kCodeMax = 32;

}  // namespace

UnlockEnvironment DefaultUnlockEnvironment() {
    UnlockEnvironment env;
    env.emergency_numbers = CardEmergencyNumbers;
    env.dial = [](const std::u16string& number) {
        if (IVoiceExport* voice = Exports().VoiceExport())
            voice->DialNumber(number, std::u16string());
    };
    env.choose_emergency = [](const std::vector<EmergencyNumber>& numbers, QWidget* parent) {
        CDlgEmergentCall dialog(numbers, parent);
        return dialog.exec() == QDialog::Accepted ? dialog.Number() : std::u16string();
    };
    return env;
}

CDlgUnlock::CDlgUnlock(std::u16string code, UnlockEnvironment environment, QWidget* parent)
    : QDialog(parent), code_(std::move(code)), env_(std::move(environment)) {
    setObjectName("DlgUnlock");
    setWindowTitle(LocalQText("Unlock", kSection));
    setFixedSize(340, 130);
    auto* label = new QLabel(LocalQText("InputPass", kSection), this);
    label->setObjectName("UnlockLabel");
    label->setGeometry(12, 12, 316, 22);
    field_ = new QLineEdit(this);
    field_->setObjectName("UnlockCode");
    field_->setEchoMode(QLineEdit::Password);
    field_->setMaxLength(kCodeMax);
    field_->setGeometry(12, 38, 316, 24);

    auto* unlock = new QPushButton(LocalQText("Unlock", kSection), this);
    unlock->setObjectName("UnlockOK");
    unlock->setDefault(true);
    auto* quit = new QPushButton(LocalQText("Quit", kSection), this);
    quit->setObjectName("UnlockQuit");
    // No call-state listener exists yet, so the button always offers the emergency list.
    auto* call = new QPushButton(LocalQText("EmergentCall", kSection), this);
    call->setObjectName("UnlockCall");
    call->setGeometry(12, 90, 124, 28);
    unlock->setGeometry(148, 90, 84, 28);
    quit->setGeometry(244, 90, 84, 28);

    connect(unlock, &QPushButton::clicked, this, &CDlgUnlock::OnUnlock);
    connect(quit, &QPushButton::clicked, this, &CDlgUnlock::OnQuit);
    connect(call, &QPushButton::clicked, this, &CDlgUnlock::OnEmergencyCall);
}

void CDlgUnlock::OnUnlock() {
    if (FromQString(field_->text()) == code_) {
        accept();
        return;
    }
    ShowMessage(LocalText("PasswErr", kSection), LocalText("DEDEVev"), kMbOk | kMbIconError);
}

void CDlgUnlock::OnQuit() {
    if (ShowMessage(LocalText("MsgQuitConfirm"), LocalText("DEDEVev"),
                    kMbOkCancel | kMbIconInformation) == kMsgFirst)
        QDialog::reject();
}

void CDlgUnlock::reject() {
    OnQuit();
}

void CDlgUnlock::OnEmergencyCall() {
    if (!env_.choose_emergency)
        return;
    const std::vector<EmergencyNumber> numbers =
        env_.emergency_numbers ? env_.emergency_numbers() : std::vector<EmergencyNumber>{};
    const std::u16string number = env_.choose_emergency(numbers, this);
    if (!number.empty() && env_.dial)
        env_.dial(number);
}

bool RequestApplicationPassword(QWidget* parent) {
    if (UnattendedDialogs()) {
        // Nobody to type the code: the lock stays shut.
        LogUnattended({"dialog", LocalQText("InputPass", kSection)});
        return false;
    }
    CDlgUnlock dialog(CurrentSettings().security.password, DefaultUnlockEnvironment(), parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace dedevev

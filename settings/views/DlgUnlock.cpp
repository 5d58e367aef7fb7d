#include "settings/views/DlgUnlock.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>

#include "core/AppSettings.h"
#include "core/ExportInterfaces.h"
#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "Security";
constexpr int kCodeMax = 32;

std::vector<CCallBase*> CallsOf(CCallManager& calls) {
    return {&calls.Incoming(), &calls.Outgoing(), &calls.ThreeWay(), &calls.Waiting()};
}

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
    // With voice calls off nothing makes the call manager here.
    env.call_manager = []() -> CCallManager* {
        IMainExport* main = Exports().MainExport();
        const bool voice =
            main != nullptr ? main->IsVoiceEnabled() : CurrentSettings().options.enable_voice;
        return voice ? &CCallManager::Instance() : nullptr;
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
    call_ = new QPushButton(LocalQText("EmergentCall", kSection), this);
    call_->setObjectName("UnlockCall");
    call_->setGeometry(12, 90, 124, 28);
    unlock->setGeometry(148, 90, 84, 28);
    quit->setGeometry(244, 90, 84, 28);

    connect(unlock, &QPushButton::clicked, this, &CDlgUnlock::OnUnlock);
    connect(quit, &QPushButton::clicked, this, &CDlgUnlock::OnQuit);
    connect(call_, &QPushButton::clicked, this, &CDlgUnlock::OnCallButton);

    calls_ = env_.call_manager ? env_.call_manager() : nullptr;
    if (calls_ != nullptr) {
        for (CCallBase* call : CallsOf(*calls_))
            call->AddListener(&listener_);
        RefreshCallButton();
    }
}

CDlgUnlock::~CDlgUnlock() {
    // Once removed, no call tells the listener again; a look already asked for goes with
    // this object.
    if (calls_ != nullptr) {
        for (CCallBase* call : CallsOf(*calls_))
            call->RemoveListener(&listener_);
    }
}

void CDlgUnlock::CCallStateListener::OnCallStateChanged(CCallBase*) {
    CDlgUnlock* owner = owner_;
    QMetaObject::invokeMethod(
        owner, [owner] { owner->RefreshCallButton(); }, Qt::QueuedConnection);
}

void CDlgUnlock::RefreshCallButton() {
    CCallBase* current = calls_ != nullptr ? calls_->Current() : nullptr;
    if (current == nullptr) {
        call_mode_ = CallButton::kEmergency;
        call_->setText(LocalQText("EmergentCall", kSection));
    } else if (current->Kind() == CallKind::kIncoming && current->State() == CInCall::kRinging) {
        call_mode_ = CallButton::kAnswer;
        call_->setText(LocalQText("Accept", "VoiceCall"));
    } else {
        call_mode_ = CallButton::kHangUp;
        call_->setText(LocalQText("Hangup", "VoiceCall"));
    }
}

void CDlgUnlock::OnCallButton() {
    // The calls may have moved on since the button was last set: look again first.
    if (calls_ != nullptr)
        RefreshCallButton();
    switch (call_mode_) {
        case CallButton::kEmergency:
            OnEmergencyCall();
            break;
        case CallButton::kAnswer:
            calls_->Send();
            break;
        case CallButton::kHangUp:
            calls_->HangUp();
            break;
    }
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

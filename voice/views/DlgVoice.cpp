#include "voice/views/DlgVoice.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

#include <utility>

#include "core/ExportRegistry.h"
#include "core/SoundPlayer.h"
#include "device/DeviceHolder.h"
#include "device/IModemAgent.h"
#include "phonebook/NameMapping.h"
#include "resources/Localizer.h"
#include "resources/views/PhoneNumEdit.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinControls.h"
#include "resources/views/WindowMessageQueue.h"
#include "voice/CallHistory.h"
#include "voice/views/VoiceKeypad.h"
#include "voice/views/WaveView.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgVoice";
// The page background's one tab, which names the page: 110 x 28 from (8, 4).
constexpr QRect kTabRect(8, 4, 110, 28);
// Two panels: the display (status area, number, volume) and the keypad.
constexpr QRect kDisplayPanel(10, 42, 346, 312);
constexpr QRect kKeypadPanel(364, 42, 346, 312);
constexpr QRect kStatusRect(26, 58, 314, 180);
constexpr QRect kNumberRect(26, 248, 314, 40);
constexpr int kVolumeTop = 306;
constexpr QPoint kKeypadAt(379, 68);
constexpr int kInitialVolume = 40;
constexpr int kOpenVolume = 4;

CallPhase PhaseOf(CallKind kind, int state) {
    switch (kind) {
        case CallKind::kIncoming:
            if (state == CInCall::kTalking)
                return CallPhase::kTalking;
            return state == CInCall::kRejecting ? CallPhase::kHangingUp : CallPhase::kRinging;
        case CallKind::kOutgoing:
            if (state == COutCall::kTalking)
                return CallPhase::kTalking;
            return state == COutCall::kHangingUp ? CallPhase::kHangingUp : CallPhase::kCalling;
        case CallKind::kWaiting:
            return state == CWaitingCall::kWaiting ? CallPhase::kRinging : CallPhase::kTalking;
        default:
            return CallPhase::kTalking;
    }
}

std::optional<CallLine> LineOf(CCallBase* call) {
    if (call == nullptr || call->IsIdle())
        return std::nullopt;
    return CallLine{PhaseOf(call->Kind(), call->State()), call->CurrentRecord()};
}

bool AskSecondNumber(QWidget* parent, std::u16string* number) {
    CDlgSecondCall dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *number = FromQString(dialog.Number());
    return true;
}

}  // namespace

VoiceViewEnvironment DefaultVoiceViewEnvironment() {
    VoiceViewEnvironment env;
    env.voice = []() -> IVoiceControl* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetVoiceControl() : nullptr;
    };
    env.audio = DefaultVoiceAudioEnvironment();
    env.audio.make_wave = [](audio::IAudioLib* lib) -> std::unique_ptr<IWaveDisplay> {
        return std::make_unique<CWaveView>(lib);
    };
    env.show_popup = [](const QString& title, const QString& body,
                        CPopupWnd::IClickAction* action) {
        CPopupWnd::Instance().Show(title, body, action);
    };
    env.close_popup = [](CPopupWnd::IClickAction* action) {
        CPopupWnd::Instance().CloseFor(action);
    };
    env.ask_number = AskSecondNumber;
    env.save_number = [](const std::u16string& number) {
        if (IPhonebookExport* phonebook = Exports().PhonebookExport())
            phonebook->AddNumber(number);
    };
    return env;
}

// The notice's click action.

CDlgVoice::CPopWndAction& CDlgVoice::PopupAction() {
    static CPopWndAction action;
    return action;
}

void CDlgVoice::CPopWndAction::Attach(CDlgVoice* view, bool armed) {
    std::lock_guard<std::mutex> lock(mutex_);
    view_ = view;
    armed_ = armed;
}

void CDlgVoice::CPopWndAction::Detach(CDlgVoice* view) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (view_ == view) {
        view_ = nullptr;
        armed_ = false;
    }
}

bool CDlgVoice::CPopWndAction::Armed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return armed_;
}

void CDlgVoice::CPopWndAction::OnPopupClick(bool left) {
    CPopupWnd::Instance().Close();
    CDlgVoice* view = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!armed_)
            return;
        view = view_;
    }
    if (view == nullptr)
        return;
    if (left) {
        if (view->env_.show_page)
            view->env_.show_page();
        return;
    }
    view->env_.sounds->StopSound();
    view->Manager().RejectOrDropWaiting();
    view->RefreshStatus();
}

// The call-state listener: records nothing, posts the change with the state it had.

void CDlgVoice::CCallStateListener::OnCallStateChanged(CCallBase* call) {
    queue_->Post({kMsgCallState, static_cast<std::uint64_t>(call->Kind()), call->State(), {}, {}});
}

// The page.

CDlgVoice::CDlgVoice(VoiceViewEnvironment environment, QWidget* parent)
    : CModulePage(kSection, "Title", parent), env_(std::move(environment)) {
    setObjectName("DlgVoice");
    SetPlaceholderEnabled(false);
    if (env_.manager == nullptr)
        env_.manager = &CCallManager::Instance();
    if (env_.missed == nullptr)
        env_.missed = &CallHistories::Instance().Missed();
    if (env_.mapping == nullptr)
        env_.mapping = NameMapping();
    if (env_.sounds == nullptr)
        env_.sounds = &SoundPlayer::Instance();
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });

    tab_ = new CTransparentStatic(QString(), this);
    tab_->setObjectName("VoiceTab");
    tab_->setAlignment(Qt::AlignCenter);
    tab_->setGeometry(kTabRect);

    for (const QRect& at : {kDisplayPanel, kKeypadPanel}) {
        auto* panel = new QFrame(this);
        panel->setObjectName("VoicePanel");
        panel->setGeometry(at);
        panels_.push_back(panel);
    }

    status_ = new QLabel(this);
    status_->setObjectName("VoiceStatus");
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    status_->setGeometry(kStatusRect);

    number_ = new CPhoneNumEdit(this);
    number_->setObjectName("VoiceNumber");
    number_->setAlignment(Qt::AlignCenter);
    number_->setGeometry(kNumberRect);
    number_->installEventFilter(this);
    connect(number_, &QLineEdit::textChanged, this, [this] { RefreshStatus(); });

    volume_label_ = new CTransparentStatic(QString(), this);
    volume_label_->setObjectName("VoiceVolumeLabel");
    volume_ = new CSpSilderCtrl(this);
    volume_->setObjectName("VoiceVolume");
    volume_->setRange(0, 80);
    volume_->setValue(kInitialVolume);
    connect(volume_, &QSlider::valueChanged, this, &CDlgVoice::SetVolume);

    keypad_ = new CVoiceKeypad(this);
    keypad_->move(kKeypadAt);
    connect(keypad_, &CVoiceKeypad::keyPressed, this, [this](char key) { PressKey(key); });

    talk_timer_.setInterval(1000);
    connect(&talk_timer_, &QTimer::timeout, this, &CDlgVoice::RefreshStatus);

    audio_ = std::make_unique<VoiceAudioEngine>(env_.audio);
    if (audio::IAudioLib* lib = audio_->Lib())
        sound_card_ = lib->GetSoundCardControl(this);

    listener_ = std::make_unique<CCallStateListener>(queue_.get());
    for (CCallBase* call : {static_cast<CCallBase*>(&Manager().Incoming()),
                            static_cast<CCallBase*>(&Manager().Outgoing()),
                            static_cast<CCallBase*>(&Manager().ThreeWay()),
                            static_cast<CCallBase*>(&Manager().Waiting())})
        call->AddListener(listener_.get());
    Manager().SetInfoSink([queue = queue_.get()] { queue->Post({kMsgCallInfo, 0, 0, {}, {}}); });

    if (IVoiceControl* voice = env_.voice ? env_.voice() : nullptr) {
        int status = 256;
        voice->VoiceOpen(&status);
        status = 256;
        voice->SetVolume(kOpenVolume, &status);
    }
    PopupAction().Attach(this, false);
    if (env_.bind_export)
        Exports().BindVoice(this);
    OnLanguageChanged();
}

CDlgVoice::~CDlgVoice() {
    if (env_.bind_export)
        Exports().BindVoice(nullptr);
    PopupAction().Detach(this);
    Manager().SetInfoSink({});
    for (CCallBase* call : {static_cast<CCallBase*>(&Manager().Incoming()),
                            static_cast<CCallBase*>(&Manager().Outgoing()),
                            static_cast<CCallBase*>(&Manager().ThreeWay()),
                            static_cast<CCallBase*>(&Manager().Waiting())})
        call->RemoveListener(listener_.get());
    queue_->Shutdown();
    if (sound_card_ != nullptr)
        sound_card_->Release();
    audio_.reset();
}

void CDlgVoice::DrainMessages() {
    queue_->Drain();
}

void CDlgVoice::PressKey(char key, bool keypad) {
    CCallManager& manager = Manager();
    if (keypad)
        manager.KeyFeedback(key, audio_->Lib() != nullptr);
    switch (key) {
        case 'C':
            manager.Backspace();
            number_->InsertKey(QChar('C'));
            break;
        case 'D': {
            if (manager.Current() == nullptr) {
                manager.DialNumber(FromQString(number_->text()), u"");
                if (manager.Current() != nullptr)
                    number_->clear();
            } else {
                manager.Send();
            }
            CCallBase* current = manager.Current();
            if (current == &manager.Outgoing() && current->IsActive() && audio_->Lib() != nullptr &&
                env_.audio.show_wave && env_.audio.show_wave())
                audio_->Lib()->Resync();
            env_.sounds->StopSound();
            break;
        }
        case 'F':
            SecondCall();
            break;
        case 'H': {
            const bool had_call = manager.Current() != nullptr;
            manager.HangUp();
            if (had_call) {
                env_.sounds->StopSound();
            } else {
                number_->clear();  // the dial buffer went with it
            }
            break;
        }
        case 'P':
            manager.Redial();
            number_->setText(ToQString(manager.LastNumber()));
            number_->setCursorPosition(static_cast<int>(number_->text().size()));
            break;
        case 'R':
            manager.Redial();
            break;
        case 'S':
            if (env_.save_number)
                env_.save_number(FromQString(number_->text()));
            break;
        default:
            manager.PressKey(key);
            if (manager.Current() == nullptr)
                number_->InsertKey(QChar(key));
            break;
    }
    RefreshStatus();
}

void CDlgVoice::SecondCall() {
    CCallManager& manager = Manager();
    if (manager.CanAddParty()) {
        std::u16string number;
        if (env_.ask_number && env_.ask_number(this, &number) && !number.empty())
            manager.Flash(number);
        return;
    }
    CCallBase* second = manager.Second();
    if (second == nullptr)
        return;
    // A waiting call is taken or swapped to; a three-way party is joined, then dropped.
    if (second == &manager.Waiting() && second->State() == CWaitingCall::kWaiting)
        env_.sounds->StopSound();
    manager.Flash(u"");
}

void CDlgVoice::SetVolume(int position) {
    if (IVoiceControl* voice = env_.voice ? env_.voice() : nullptr) {
        int status = 256;
        voice->SetVolume(VolumeForPosition(position), &status);
    }
    if (sound_card_ != nullptr)
        sound_card_->SetVolume(position * 100 / 80);
}

void CDlgVoice::HandleMessage(const WindowMessage& message) {
    if (message.number == kMsgCallState)
        OnCallState(static_cast<CallKind>(message.wparam), static_cast<int>(message.lparam));
    else if (message.number == kMsgCallInfo)
        RefreshStatus();
}

void CDlgVoice::OnCallState(CallKind kind, int state) {
    CCallManager& manager = Manager();
    switch (kind) {
        case CallKind::kIncoming:
            keypad_->SetAnswering(state == CInCall::kRinging);
            if (state == CInCall::kRinging) {
                incoming_talked_ = false;
                env_.sounds->PlayIncoming();
                RefreshStatus();
                ShowNotice(manager.Incoming().Record());
            } else if (state == CInCall::kTalking) {
                incoming_talked_ = true;
                TalkStarted();
            } else if (state == CInCall::kIdle) {
                last_missed_ = manager.LastWasIncoming() && !incoming_talked_;
                TalkEnded();
            } else {
                RefreshStatus();
            }
            break;
        case CallKind::kOutgoing:
            if (state == COutCall::kTalking) {
                TalkStarted();
            } else if (state == COutCall::kIdle) {
                last_missed_ = false;
                TalkEnded();
            } else {
                RefreshStatus();
            }
            break;
        case CallKind::kWaiting:
            if (state == CWaitingCall::kWaiting) {
                env_.sounds->PlayWaiting();
                ShowNotice(manager.Waiting().Record());
            } else if (state == CWaitingCall::kIdle &&
                       manager.Incoming().State() != CInCall::kRinging) {
                env_.sounds->StopSound();  // an unanswered waiting call leaves nothing busy
            }
            RefreshStatus();
            break;
        case CallKind::kThreeWay:
            RefreshStatus();
            break;
    }
}

void CDlgVoice::TalkStarted() {
    // "Click here to answer" means nothing once the call talks.
    CloseNotice();
    env_.sounds->PlayConnected();
    audio_->Start();
    talk_timer_.start();
    RefreshStatus();
}

void CDlgVoice::TalkEnded() {
    // A ring that ended unanswered takes its notice with it.
    CloseNotice();
    PopupAction().Attach(this, false);
    // A ring that was never answered must not leave the player busy (the new-message sound
    // would stay silent from then on).
    env_.sounds->StopSound();
    env_.sounds->PlayDisconnected();
    audio_->Stop();
    talk_timer_.stop();
    keypad_->SetAnswering(false);
    RefreshStatus();
}

void CDlgVoice::CloseNotice() {
    if (env_.close_popup)
        env_.close_popup(&PopupAction());
}

void CDlgVoice::ShowNotice(const CallRecord& record) {
    if (env_.show_popup)
        env_.show_popup(LocalQText("CallComming", kSection),
                        ToQString(IncomingNoticeText(record, env_.mapping, Localizer())),
                        &PopupAction());
    PopupAction().Attach(this, true);
    if (env_.show_page)
        env_.show_page();
    number_->setFocus();
}

VoiceStatus CDlgVoice::Snapshot() const {
    CCallManager& manager = Manager();
    VoiceStatus status;
    status.current = LineOf(manager.Current());
    status.second = LineOf(manager.Second());
    if (status.current)
        status.info = manager.InfoText();
    else
        status.dial_buffer = FromQString(number_->text());
    status.last_call = manager.LastCall();
    status.last_second = manager.LastSecond();
    status.last_missed = last_missed_;
    status.unseen_missed = env_.missed->UnseenCount();
    return status;
}

QString CDlgVoice::StatusText() const {
    QString text = ToQString(VoiceStatusText(Snapshot(), env_.mapping, Localizer()));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

void CDlgVoice::RefreshStatus() {
    status_->setText(StatusText());
}

void CDlgVoice::DialNumber(const std::u16string& number, const std::u16string& name) {
    if (Manager().Current() != nullptr)
        return;
    number_->setText(ToQString(number));
    Manager().DialNumber(number, name);
    if (Manager().Current() != nullptr)
        number_->clear();
    RefreshStatus();
}

void CDlgVoice::PressHangUp() {
    PressKey('H', false);
}

void CDlgVoice::PressDial() {
    PressKey('D', false);
}

int CDlgVoice::UnseenMissedCount() {
    return env_.missed->UnseenCount();
}

bool CDlgVoice::IsOutgoingCallCurrent() {
    return Manager().Current() == &Manager().Outgoing();
}

bool CDlgVoice::eventFilter(QObject* watched, QEvent* event) {
    if (watched != number_ || event->type() != QEvent::KeyPress)
        return CModulePage::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & Qt::ControlModifier)
        return false;  // the field's own copy and paste
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            PressKey('D');
            return true;
        case Qt::Key_Escape:
            PressKey('H');
            return true;
        case Qt::Key_Backspace:
            PressKey('C');
            return true;
        case Qt::Key_F:
            PressKey('F');
            return true;
        default:
            break;
    }
    const QString text = key->text();
    if (text.size() == 1 && CPhoneNumEdit::IsAllowed(text.front())) {
        PressKey(static_cast<char>(text.front().toLatin1()));
        return true;
    }
    return false;
}

void CDlgVoice::showEvent(QShowEvent* event) {
    CModulePage::showEvent(event);
    RefreshStatus();
    number_->setFocus();  // typing dials at once
}

void CDlgVoice::Layout() {
    const QFontMetrics metrics(volume_label_->font());
    const int label_width = metrics.horizontalAdvance(volume_label_->text()) + 8;
    volume_label_->setGeometry(kNumberRect.left(), kVolumeTop, label_width, 24);
    volume_->setGeometry(kNumberRect.left() + label_width, kVolumeTop,
                         kNumberRect.width() - label_width, 24);
}

void CDlgVoice::OnLanguageChanged() {
    tab_->setFont(LocalFont("Navigation"));
    tab_->SetTextColor(DialogFrameColor());
    tab_->setText(LocalQText("Title", kSection));
    QFont status_font = LocalFont("Normal");
    status_font.setPointSize(status_font.pointSize() + 3);
    status_->setFont(status_font);
    const QColor frame = DialogFrameColor();
    status_->setStyleSheet(
        QString("QLabel { background: %1; color: %2; border: 1px solid %3; border-radius: 6px; "
                "padding: 8px; }")
            .arg(SkinQColor(u"VoiceEditColor", QColor(226, 240, 246)).name(), frame.name(),
                 frame.lighter(160).name()));
    for (QFrame* panel : panels_)
        panel->setStyleSheet(
            QString("QFrame { background: %1; border: 1px solid %2; "
                    "border-radius: 8px; }")
                .arg(DialogBodyColor().lighter(103).name(), frame.lighter(185).name()));
    QFont number_font = LocalFont("Title");
    number_font.setPointSize(number_font.pointSize() + 6);
    number_->setFont(number_font);
    volume_label_->setFont(LocalFont("Normal"));
    volume_label_->setText(LocalQText("Volume", kSection));
    keypad_->Retranslate();
    RefreshStatus();
    Layout();
    CModulePage::OnLanguageChanged();
}

void CDlgVoice::OnSkinChanged() {
    CModulePage::OnSkinChanged();
    OnLanguageChanged();
}

}  // namespace dedevev

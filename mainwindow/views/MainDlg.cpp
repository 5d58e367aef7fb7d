#include "mainwindow/views/MainDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QScreen>
#include <QTimer>

#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/ExportRegistry.h"
#include "core/InitThread.h"
#include "core/LanguageChoice.h"
#include "core/MessageBox.h"
#include "core/ModemManagerGate.h"
#include "core/StatusThread.h"
#include "core/TextCodec.h"
#include "device/DeviceHolder.h"
#include "device/IDeviceControl.h"
#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"
#include "mainwindow/views/MainPanel.h"
#include "mainwindow/views/ModuleWindow.h"
#include "mainwindow/views/SuspendWatch.h"
#include "mainwindow/views/Unattended.h"
#include "mainwindow/views/WindowLoop.h"
#include "resources/views/NotifyIcon.h"
#include "resources/views/PopupWnd.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/WindowMessageQueue.h"
#include "voice/CallManager.h"

namespace dedevev {

namespace {

constexpr int kTrayIconId = 1;
constexpr int kStatusTextLimit = 39;

QString Text(const DisplayText& text) {
    if (text.key.empty())
        return ToQString(text.literal);
    return LocalQText(text.key.data(), text.section.data());
}

}  // namespace

CMainDlg::CMainDlg(MainWindowEnvironment environment, QWidget* parent)
    : QDialog(parent), env_(std::move(environment)) {
    setObjectName("MainDlg");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground, false);
    voice_enabled_ = env_.voice_enabled;
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    CPopupWnd::Instance();  // made on this thread, shown later from any thread

    ApplyWindowShape();
    setWindowTitle(LocalQText("DEDEVev"));
    tray_ = std::make_unique<CNotifyIconEx>(queue_.get(), "");

    CWindowMessageQueue* queue = queue_.get();
    Exports().SetMainCommandSink([queue](int id) {
        queue->Post({kMsgCommand, static_cast<std::uint64_t>(id), 0, {}, {}});
    });
    if (env_.watch_devices) {
        Devices().Status().SetDeviceChangedHandler([queue] {
            queue->Post({kMsgDeviceChanged, 0, 0, {}, {}});
        });
    }
    if (env_.watch_suspend)
        suspend_watch_ = std::make_unique<CSuspendWatch>([this] { OnSuspend(); }, this);
}

CMainDlg::~CMainDlg() {
    if (env_.watch_devices)
        Devices().Status().SetDeviceChangedHandler({});
    Exports().SetMainCommandSink({});
    if (status_thread_ != nullptr) {
        status_thread_->RequestStop();
        status_thread_.reset();
    }
    if (Exports().MainExport() != nullptr)
        Exports().BindMain(nullptr);
    queue_->Shutdown();
}

IMessageTarget* CMainDlg::MessageTarget() const {
    return queue_.get();
}

void CMainDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    emit opened();
}

int CMainDlg::exec() {
    Open();
    if (ended_)
        return result();
    // Not QDialog::exec: hiding the window in the tray or while it closes must not end it.
    return RunUntilDone(*this);
}

void CMainDlg::Open() {
    if (opened_)
        return;
    opened_ = true;
    // The progress window is centred on this (still hidden) window.
    CentreOnScreen();
    std::u16string error;
    const bool ok = env_.run_init ? env_.run_init(queue_.get(), this, &error) : false;
    if (ended_)
        return;  // closed while the initialisation ran (a termination signal)
    if (!ok) {
        if (!error.empty())
            ShowMessage(error, LocalText("DEDEVev"), kMbOk | kMbIconError);
        device_ready_ = false;
        CloseSequence();  // asks nothing: the device is not ready
        return;
    }
    if (!completed_)
        CompleteAfterInit();  // a job that never sent its message still leaves a usable window
    if (status_thread_ == nullptr && env_.make_status_thread) {
        status_thread_ = env_.make_status_thread(queue_.get());
        if (status_thread_ != nullptr) {
            status_thread_->SetPollWifi(work_mode_known_);
            status_thread_->Start();
        }
    }
    if (CurrentSettings().security.enable_pass)
        queue_->Post({kMsgPasswordRequest, 1, 0, {}, {}});
    else
        ShowTrayIcon();
    SelectNavigation(cmd::kLink);
}

void CMainDlg::HandleMessage(const WindowMessage& m) {
    switch (m.number) {
        case kMsgCommand:
            OnCommand(static_cast<int>(m.wparam));
            return;
        case kMsgPasswordRequest:
            OnPasswordRequest();
            return;
        case kMsgInitDone:
            if (!completed_)
                CompleteAfterInit();
            // A call manager made before this card was opened hears the new card from now on.
            if (CCallManager* calls = CCallManager::Existing())
                calls->CardChanged();
            return;
        case kMsgDeviceChanged:
            OnDeviceCheck();
            return;
        case kMsgTrayIcon:
            OnTrayEvent(m.lparam);
            return;
        default:
            break;
    }
    if (panel_ == nullptr)
        return;  // nothing to show on yet
    switch (m.number) {
        case kMsgConnectEnabled:
            panel_->SetConnectCaption(LocalQText("Disconnect", "MainWnd"));
            panel_->ConnectButton()->setEnabled(true);
            break;
        case kMsgConnected:
            connected_ = true;
            panel_->SetStatusColor(Qt::white);
            break;
        case kMsgConnecting:
            panel_->SetStatusColor(
                ToQColor(CGlobalService::Instance().Skin()->GetColor(u"ConnectingColor")));
            break;
        case kMsgDisconnected:
            connected_ = false;
            panel_->SetStatusColor(QColor(250, 0, 0));
            panel_->SetConnectCaption(LocalQText("Connect", "MainWnd"));
            panel_->ConnectButton()->setEnabled(true);
            break;
        case kMsgSignal:
            OnSignal(m.wparam);
            break;
        case kMsgCardState:
            OnCardState(m.wparam, m.lparam);
            break;
        case kMsgService:
            OnService(m.wparam, m.lparam);
            break;
        case kMsgAddress:
            OnAddress(m.wparam);
            break;
        case kMsgWifi:
            OnWifi(m.lparam, m.text);
            break;
        case kMsgHomeNetwork:
            OnHomeNetwork(m.text);
            break;
        case kMsgTraffic:
            OnTraffic(m.wparam, m.lparam);
            break;
        default:
            break;  // 1135, 1136: the message view keeps its own indicators
    }
    // The status thread reports every few seconds: the missed-call count follows it.
    UpdateMissedCalls();
}

void CMainDlg::CompleteAfterInit() {
    completed_ = true;
    Exports().BindMain(this);
    IModemAgent* agent = env_.agent ? env_.agent() : nullptr;
    IDeviceControl* control = agent != nullptr ? agent->GetDeviceControl() : nullptr;
    if (control != nullptr) {
        int status = 0;
        control->GetWorkMode(&status);
        work_mode_known_ = status == 1;
    }
    CreateModules();
    CreateButtons();
    panel_ = new CMainPanel(this);
    panel_->SetStatusText(LocalQText("Disconnected"));
    panel_->SetSent("0.00KB");
    panel_->SetReceived("0.00KB");
    connect(panel_, &CMainPanel::command, this, &CMainDlg::OnCommand);
    connect(panel_->ConnectButton(), &QAbstractButton::clicked, this,
            [] { Exports().ConnectionExport()->ToggleConnection(); });
    CreateIndicators();
    RefreshTexts();

    panel_->SetStatusColor(Qt::white);
    CardText text = CardText::kInitializing;
    if (control != nullptr) {
        int card_status = 0;
        const std::string card = control->GetCardStatus(&card_status);
        int service_status = 0;
        const ServiceInfo info = control->GetServiceInfo(&service_status);
        text = InitialCardText(card_status == 1 ? card : std::string(), service_status == 1,
                               info.card_type);
    }
    if (text == CardText::kUsim || text == CardText::kUim)
        card_ready_ = true;
    ShowCardText(text);
    BuildMenus();
    Relayout();
    panel_->show();
}

void CMainDlg::ShowCardText(CardText text) {
    if (const char* key = CardTextKey(text)) {
        card_text_ = text;
        panel_->SetStatusText(LocalQText(key, "MainWnd"));
    }
}

void CMainDlg::OnPasswordRequest() {
    const bool ok = env_.request_password ? env_.request_password(this) : false;
    if (ok) {
        ShowTrayIcon();
        return;
    }
    hide();
    device_ready_ = false;
    queue_->Post({kMsgCommand, cmd::kPasswordRefused, 0, {}, {}});
}

void CMainDlg::OnSignal(std::uint64_t level) {
    const int bars = SignalBars(level > 1000 ? 99 : static_cast<int>(level));
    const int shown = signal_average_.Push(bars);
    if (signal_ != nullptr)
        signal_->SetLevel(shown);
}

void CMainDlg::ReadOperatorName() {
    IModemAgent* agent = env_.agent ? env_.agent() : nullptr;
    IDeviceControl* control = agent != nullptr ? agent->GetDeviceControl() : nullptr;
    if (control == nullptr)
        return;
    int status = 0;
    const std::string name = control->GetOperatorName(&status);
    if (status != 1)
        return;  // a failed read leaves the panel as it is
    operator_name_ = Utf8ToUtf16(name);
    panel_->SetOperator(ToQString(operator_name_));
    Exports().LinkExport()->SetOperatorName(operator_name_);
}

void CMainDlg::OnCardState(std::uint64_t wparam, std::int64_t lparam) {
    const CardStateDisplay display = CardStateFor(wparam, lparam, NoCardReports());
    if (display.ready) {
        panel_->SetStatusColor(Qt::white);
        card_ready_ = true;
        ShowCardText(display.text);
        ReadOperatorName();
    } else if (display.pin_locked) {
        pin_locked_ = true;
        ShowCardText(display.text);
    } else if (display.text != CardText::kUnchanged) {
        panel_->SetStatusColor(QColor(255, 0, 0));
        ShowCardText(display.text);
    }
    if (!first_status_done_) {
        first_status_done_ = true;
        Relayout();
        LogState("status");
    }
}

void CMainDlg::OnService(std::uint64_t mode, std::int64_t state) {
    system_mode_ = static_cast<int>(mode);
    if (OperatorNameNeedsReread(operator_name_))
        ReadOperatorName();
    panel_->SetNetwork(Text(NetworkFieldText(card_ready_, system_mode_, static_cast<int>(state))));
    if (const auto generation = ServiceGeneration(system_mode_))
        panel_->SetService(ToQString(*generation));
}

void CMainDlg::OnAddress(std::uint64_t address) {
    panel_->SetAddress(QString::fromStdString(FormatAddress(static_cast<std::uint32_t>(address))));
}

void CMainDlg::OnWifi(std::int64_t unread, const std::string& name) {
    if (unread == 1)
        panel_->ShowWifi(false, QString(), QString());
    else
        panel_->ShowWifi(true, LocalQText("WiFi_Mode", "DlgSetMode"), QString::fromStdString(name));
}

void CMainDlg::OnHomeNetwork(const std::string& code) {
    AppSettings& settings = CurrentSettings();
    if (!settings.dial.name.empty())
        return;
    ChooseDialAccount(
        true,
        [code](int* status) {
            *status = 1;
            return code;
        },
        Profiles(), settings, DefaultSettings());
}

void CMainDlg::OnTraffic(std::uint64_t sent_kb, std::int64_t received_kb) {
    panel_->SetSent(QString::fromStdString(FormatTrafficKb(static_cast<double>(sent_kb))));
    panel_->SetReceived(QString::fromStdString(FormatTrafficKb(static_cast<double>(received_kb))));
}

void CMainDlg::OnDeviceCheck() {
    if (device_lost_)
        return;
    IHardwareInfo* hardware = env_.hardware ? env_.hardware() : nullptr;
    if (hardware == nullptr || hardware->IsDevicePresent())
        return;
    device_lost_ = true;
    // The calls the card carried are over: filed now, before the window goes.
    if (CCallManager* calls = CCallManager::Existing())
        calls->CardGone();
    // ModemManager may have the card back when it returns.
    ReleaseModemManagerHold();
    hide();
    closing_ = true;
    if (!factory_reset_running_ && env_.show_device_lost)
        env_.show_device_lost(this);
    RemoveTrayIcon();
    device_ready_ = false;
    CloseSequence();
}

void CMainDlg::OnTrayEvent(std::int64_t event) {
    if (closing_ || event != kTrayLeftDoubleClick)
        return;
    if (isVisible()) {
        hide();
    } else {
        show();
        raise();
        activateWindow();
    }
}

void CMainDlg::OnSuspend() {
    if (ended_)
        return;
    device_ready_ = false;
    CloseSequence();
}

void CMainDlg::OnCommand(int id) {
    switch (id) {
        case cmd::kMinimize:
            if (env_.tray_available && env_.tray_available())
                hide();
            else
                showMinimized();  // without a tray a hidden window could not be found again
            return;
        case cmd::kMaximize:
            ToggleMaximized();
            return;
        case cmd::kRestore:
            if (maximized_)
                ToggleMaximized();
            return;
        case cmd::kClose:
        case cmd::kMenuExit:
        case cmd::kPasswordRefused:
            CloseSequence();
            return;
        case cmd::kMenuFile:
        case cmd::kMenuOperation:
        case cmd::kMenuLanguage:
        case cmd::kMenuHelp:
            PopupMenu(id, menu_buttons_.count(id) ? menu_buttons_[id] : nullptr);
            return;
        case cmd::kEnglish:
        case cmd::kIndonesian: {
            const LanguagePreset& preset = kLanguagePresets[id - cmd::kEnglish];
            ChooseLanguagePair(preset.language, preset.skin);
            return;
        }
        case cmd::kMenuAbout:
            if (env_.show_about)
                env_.show_about(this);
            return;
        case cmd::kMenuHelpDoc:
            OpenAddress(Customization().HelpDocument());
            return;
        case cmd::kWeb0:
        case cmd::kWeb1:
        case cmd::kWeb2:
            OpenAddress(Customization().WebPageAddress(id - cmd::kWeb0));
            return;
        default:
            break;
    }
    static const std::map<int, int> kModuleOf = {
        {cmd::kMenuLink, cmd::kLink},     {cmd::kMenuFlux, cmd::kNet},
        {cmd::kMenuSms, cmd::kSms},       {cmd::kMenuPhonebook, cmd::kPhonebook},
        {cmd::kMenuLog, cmd::kLog},       {cmd::kMenuUssd, cmd::kUssd},
        {cmd::kMenuSet, cmd::kSettings},  {cmd::kMenuSet2, cmd::kSettings},
        {cmd::kLink, cmd::kLink},         {cmd::kNet, cmd::kNet},
        {cmd::kSms, cmd::kSms},           {cmd::kPhonebook, cmd::kPhonebook},
        {cmd::kLog, cmd::kLog},           {cmd::kUssd, cmd::kUssd},
        {cmd::kSettings, cmd::kSettings}, {cmd::kVoice, cmd::kVoice},
        {cmd::kMenuVoice, cmd::kVoice},
    };
    if (const auto it = kModuleOf.find(id); it != kModuleOf.end())
        OpenModule(it->second);
}

void CMainDlg::OpenModule(int command) {
    CModulePage* page = Module(command);
    if (page == nullptr || closing_ || !env_.run_module)
        return;
    SelectNavigation(command);
    env_.run_module(page, this);
    if (!closing_)
        SelectNavigation(cmd::kLink);
}

void CMainDlg::OpenAddress(const std::u16string& address) {
    if (!address.empty() && env_.open_url)
        env_.open_url(ToQString(address));
}

CModulePage* CMainDlg::Module(int command) const {
    const auto it = modules_.find(command);
    return it == modules_.end() ? nullptr : it->second;
}

QMenu* CMainDlg::Menu(int command) const {
    const auto it = menus_.find(command);
    return it == menus_.end() ? nullptr : it->second;
}

void CMainDlg::CentreOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr || testAttribute(Qt::WA_Moved))
        return;
    move(screen->availableGeometry().center() - rect().center());
}

void CMainDlg::ShowTrayIcon() {
    ISkin* skin = CGlobalService::Instance().Skin();
    tray_->AddIcon(kTrayIconId, skin != nullptr ? skin->GetIcon(u"TrayIcon") : nullptr);
    tray_->SetTipKey(kTrayIconId, "DEDEVev");
}

// ---- closing

bool CMainDlg::CloseSequence() {
    if (ended_)
        return true;
    return RunCloseSequence(device_ready_, *this);
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    CloseSequence();
}

void CMainDlg::reject() {
    if (!ended_)
        CloseSequence();
}

bool CMainDlg::NetworkWorkerRunning() {
    return Exports().ConnectionExport()->IsRunning();
}

bool CMainDlg::CallInProgress() {
    IVoiceExport* voice = Exports().VoiceExport();
    return voice != nullptr && voice->IsOutgoingCallCurrent();
}

bool CMainDlg::Confirm(const char* key) {
    return ShowMessage(LocalText(key), LocalText("DEDEVev"), kMbOkCancel | kMbIconQuestion) ==
           kMsgFirst;
}

void CMainDlg::RequestStatusStop() {
    if (status_thread_ != nullptr)
        status_thread_->RequestStop();
}

void CMainDlg::HideWindow() {
    hide();
}

void CMainDlg::ShowClosingOnTray() {
    if (tray_->HasIcon(kTrayIconId))
        tray_->SetTipKey(kTrayIconId, "Closing");
}

void CMainDlg::EndVoiceCall() {
    if (IVoiceExport* voice = Exports().VoiceExport())
        voice->PressHangUp();
}

void CMainDlg::StopNetworkWorker() {
    if (NetworkWorkerRunning())
        Exports().ConnectionExport()->StopAndWait();
}

void CMainDlg::WaitForStatusThread() {
    if (status_thread_ != nullptr)
        status_thread_->Wait(std::chrono::hours(24 * 365));
}

void CMainDlg::RemoveTrayIcon() {
    tray_->RemoveIcon(kTrayIconId);
}

void CMainDlg::EndDialog() {
    ended_ = true;
    done(QDialog::Accepted);
}

// ---- the main-window export

void CMainDlg::StopStatusPolling() {
    if (status_thread_ == nullptr)
        return;
    status_thread_->RequestStop();
    status_thread_->Wait(std::chrono::hours(24 * 365));
}

void CMainDlg::StartStatusPolling() {
    if (status_thread_ == nullptr || closing_)
        return;
    status_thread_->ClearStop();
    status_thread_->Start();
}

void CMainDlg::ShowStatusText(const std::u16string& text) {
    if (panel_ == nullptr)
        return;
    card_text_ = CardText::kUnchanged;
    std::u16string shown = text;
    if (shown.size() > kStatusTextLimit) {
        const auto paren = shown.find(u'(');
        if (paren != std::u16string::npos)
            shown = shown.substr(0, paren) + u"...";
    }
    panel_->SetStatusText(ToQString(shown));
}

void CMainDlg::ShowConnectionText(bool ok, const std::u16string& text) {
    connection_text_ = text;
    card_text_ = CardText::kUnchanged;
    if (panel_ == nullptr)
        return;
    panel_->SetStatusText(ToQString(text));
    // Only a failure changes the colour; a good text keeps the one the connection state set.
    if (!ok)
        panel_->SetStatusColor(QColor(250, 0, 0));
}

bool CMainDlg::IsNetworkWorkerRunning() {
    return NetworkWorkerRunning();
}

void CMainDlg::RecheckCard() {
    if (status_thread_ != nullptr)
        status_thread_->RecheckCard();
}

void CMainDlg::LogState(const char* what) {
    if (UnattendedDialogs())
        LogUnattended({"window", what});
}

}  // namespace dedevev

#pragma once
// The program's main window: a skinned, borderless dialog that runs the initialisation, owns the
// status thread, turns its reports into the status panel and indicators, opens the module windows
// from its navigation buttons and menus, sits in the tray, and closes the program in order.

#include <QDialog>
#include <QPoint>
#include <QRect>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/ExportInterfaces.h"
#include "core/GlobalService.h"
#include "core/WindowMessage.h"
#include "mainwindow/MainStatus.h"

class QAction;
class QMenu;

namespace dedevev {

class CMainPanel;
class CModulePage;
class CNotifyIconEx;
class CSignalButton;
class CSkinButton;
class CSkinButtonEx;
class CSuspendWatch;
class CThreadUpdateStatus;
class CWindowMessageQueue;
class IHardwareInfo;
class IModemAgent;

// Commands of the buttons and menus.
namespace cmd {
constexpr int kMinimize = 201, kMaximize = 202, kRestore = 203, kClose = 204;
constexpr int kLink = 207, kNet = 208, kVoice = 209, kSms = 210, kPhonebook = 211, kLog = 212,
              kUssd = 213, kSettings = 214;
constexpr int kMenuFile = 217, kMenuOperation = 218, kMenuLanguage = 219, kMenuHelp = 220;
constexpr int kEnglish = 230, kIndonesian = 231;
constexpr int kWeb0 = 232, kWeb1 = 233, kWeb2 = 234;
constexpr int kPasswordRefused = 1001;
constexpr int kMenuSet = 32781, kMenuExit = 32782, kMenuLink = 32784, kMenuFlux = 32785,
              kMenuVoice = 32786, kMenuSms = 32787, kMenuPhonebook = 32788, kMenuAbout = 32789,
              kMenuLog = 32791, kMenuUssd = 32792, kMenuSet2 = 32793, kMenuHelpDoc = 32795;
}  // namespace cmd

// Messages only the main window receives.
constexpr unsigned kMsgConnectEnabled = 1125;
constexpr unsigned kMsgConnected = 1126;
constexpr unsigned kMsgConnecting = 1128;
constexpr unsigned kMsgDisconnected = 1129;
constexpr unsigned kMsgPasswordRequest = 1130;
constexpr unsigned kMsgTraffic = 1181;
constexpr unsigned kMsgCommand = 0x0111;  // wparam: command id

// What the window reaches outside itself: app/MainWindowWiring wires the real program, tests
// put fakes in.
struct MainWindowEnvironment {
    // Runs the initialisation job (it sends 1131 to `owner`) behind its progress window.
    std::function<bool(IMessageTarget* owner, QWidget* parent, std::u16string* error)> run_init;
    std::function<std::unique_ptr<CThreadUpdateStatus>(IMessageTarget* target)> make_status_thread;
    std::function<IModemAgent*()> agent;
    std::function<IHardwareInfo*()> hardware;
    // The application-password dialog; true when the right password was given.
    std::function<bool(QWidget* parent)> request_password;
    std::function<void(QWidget* parent)> show_device_lost;
    std::function<void(QWidget* parent)> show_about;
    std::function<int(CModulePage* page, QWidget* parent)> run_module;
    // Makes the page of a module command (cmd::kLink, cmd::kNet, ...) as a child of `parent`;
    // null (or no factory) gives the plain titled page.
    std::function<CModulePage*(int command, QWidget* parent)> make_module;
    std::function<void(const QString& address)> open_url;
    // Whether the desktop has a tray to hide the window in.
    std::function<bool()> tray_available;
    bool voice_enabled = false;
    bool watch_devices = true;  // device-removal notices from the hardware probe
    bool watch_suspend = true;  // logind's suspend signal
};

class CMainDlg : public QDialog,
                 public CGSEventHandler,
                 public IMainExport,
                 private IMainCloseSteps {
    Q_OBJECT
public:
    explicit CMainDlg(MainWindowEnvironment environment, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Where workers post their messages.
    IMessageTarget* MessageTarget() const;
    // Handles one message on the window thread.
    void HandleMessage(const WindowMessage& message);
    void OnCommand(int id);
    // Opening: initialisation, status thread, tray. Runs once.
    void Open();
    // Opens the window and runs it. The window is shown only once the initialisation has
    // completed it: until then its progress window stands alone, and a failed start shows
    // nothing but the error.
    int exec() override;
    // Closing in order; false when the person cancelled.
    bool CloseSequence();

    // State, for the views that come later and for tests.
    bool DeviceReady() const { return device_ready_; }
    bool Closing() const { return closing_; }
    bool Connected() const { return connected_; }
    bool CardReady() const { return card_ready_; }
    bool PinLocked() const { return pin_locked_; }
    bool FirstStatusDone() const { return first_status_done_; }
    bool WorkModeKnown() const { return work_mode_known_; }
    bool Maximized() const { return maximized_; }
    const std::u16string& OperatorName() const { return operator_name_; }
    void SetFactoryResetRunning() { factory_reset_running_ = true; }
    CMainPanel* Panel() const { return panel_; }
    CSignalButton* Signal() const { return signal_; }
    CThreadUpdateStatus* StatusThread() const { return status_thread_.get(); }
    CNotifyIconEx* Tray() const { return tray_.get(); }
    CSkinButton* MissedCalls() const { return missed_calls_; }
    CModulePage* Module(int command) const;
    QMenu* Menu(int command) const;
    // Opens a web address the way the window's environment does (nothing for an empty one).
    void OpenAddress(const std::u16string& address);

    // IMainExport
    void StopStatusPolling() override;
    void StartStatusPolling() override;
    void ShowStatusText(const std::u16string& text) override;
    void ShowConnectionText(bool ok, const std::u16string& text) override;
    bool IsNetworkWorkerRunning() override;
    bool IsVoiceEnabled() override { return voice_enabled_; }
    bool FeatureFlagB() override { return false; }
    void RecheckCard() override;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

signals:
    // The window has been shown for the first time, complete.
    void opened();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Message handlers.
    void CompleteAfterInit();
    void OnPasswordRequest();
    void OnSignal(std::uint64_t level);
    void OnCardState(std::uint64_t wparam, std::int64_t lparam);
    void OnService(std::uint64_t mode, std::int64_t state);
    void OnAddress(std::uint64_t address);
    void OnWifi(std::int64_t unread, const std::string& name);
    void OnHomeNetwork(const std::string& code);
    void OnTraffic(std::uint64_t sent_kb, std::int64_t received_kb);
    void OnDeviceCheck();
    void OnTrayEvent(std::int64_t event);
    void OnSuspend();

    // Building and drawing (MainDlgView.cpp).
    void ApplyWindowShape();
    void CreateModules();
    void CreateButtons();
    void CreateIndicators();
    void ApplyMissedCallsIcon();
    // Shows the voice page's count of unseen missed calls (hidden at 0).
    void UpdateMissedCalls();
    void BuildMenus();
    void RefreshTexts();
    void Relayout();
    void SelectNavigation(int command);
    void PopupMenu(int command, QWidget* under);
    void ToggleMaximized();
    void ShowCardText(CardText text);
    void ReadOperatorName();
    void ShowTrayIcon();
    // Places the window in the middle of its screen unless it was placed already.
    void CentreOnScreen();
    void OpenModule(int command);
    void LogState(const char* what);

    // IMainCloseSteps
    bool NetworkWorkerRunning() override;
    bool CallInProgress() override;
    bool Confirm(const char* key) override;
    void SetClosing() override { closing_ = true; }
    void RequestStatusStop() override;
    void HideWindow() override;
    void ShowClosingOnTray() override;
    void EndVoiceCall() override;
    void StopNetworkWorker() override;
    void WaitForStatusThread() override;
    void RemoveTrayIcon() override;
    void EndDialog() override;
    void PostQuit() override {}

    MainWindowEnvironment env_;
    std::unique_ptr<CWindowMessageQueue> queue_;

    bool device_ready_ = true;
    bool closing_ = false;
    bool connected_ = false;
    bool card_ready_ = false;
    bool pin_locked_ = false;
    bool first_status_done_ = false;
    bool work_mode_known_ = false;
    bool factory_reset_running_ = false;
    bool voice_enabled_ = false;
    bool opened_ = false;
    bool shown_ = false;
    bool completed_ = false;
    bool device_lost_ = false;
    bool ended_ = false;
    int system_mode_ = 0;
    CardText card_text_ = CardText::kUnchanged;  // last card line shown
    std::u16string operator_name_;
    std::u16string connection_text_;
    SignalAverage signal_average_;
    std::unique_ptr<CThreadUpdateStatus> status_thread_;
    std::unique_ptr<CNotifyIconEx> tray_;
    std::unique_ptr<CSuspendWatch> suspend_watch_;

    CMainPanel* panel_ = nullptr;
    CSignalButton* signal_ = nullptr;
    CSignalButton* signal2_ = nullptr;
    CSkinButtonEx* new_sms_ = nullptr;
    CSkinButtonEx* sms_full_ = nullptr;
    CSkinButton* missed_calls_ = nullptr;
    std::map<int, CSkinButtonEx*> caption_buttons_;
    std::map<int, CSkinButtonEx*> nav_buttons_;
    std::map<int, CSkinButtonEx*> menu_buttons_;
    std::map<int, QMenu*> menus_;
    std::map<int, QAction*> menu_actions_;
    std::map<int, CModulePage*> modules_;
    int selected_nav_ = 0;

    bool maximized_ = false;
    QRect normal_rect_;
    bool dragging_ = false;
    QPoint drag_offset_;
};

}  // namespace dedevev

#pragma once
// The network page: owner and only listener of the dial-up session. The session's reports
// arrive on its threads and are only stored and posted; this page's own thread then shows the
// link time, speeds and amounts, feeds the rate chart, passes the state to the main window and
// the link page, and offers the session to the rest of the program (IConnectionExport).

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "connection/Connection.h"
#include "connection/IConnectionListener.h"
#include "connection/NetPageTexts.h"
#include "core/ExportInterfaces.h"
#include "core/WindowMessage.h"
#include "mainwindow/views/ModuleWindow.h"

namespace dedevev {

class CStatusResolver;
class CTransparentStatic;
class CWindowMessageQueue;
class CWndChart;

class CDlgNet : public CModulePage, public IConnectionListener, public IConnectionExport {
    Q_OBJECT
public:
    // The page's own messages. 1125, 1126, 1128 and 1129 go on to the main window with the
    // same numbers (1128 also when dialling begins: the main window's connecting colour).
    static constexpr unsigned kMsgDialing = 1125;
    static constexpr unsigned kMsgConnected = 1126;
    static constexpr unsigned kMsgStatusText = 1127;     // wide_text; lparam 1: an error
    static constexpr unsigned kMsgDisconnecting = 1128;  // wide_text: the "DlgNet" key to show
    static constexpr unsigned kMsgDisconnected = 1129;
    static constexpr unsigned kMsgRates = 2024;  // wparam receive, lparam send, bytes/s
    static constexpr unsigned kMsgError = 2025;  // wide_text: the session's error text

    // `main_window` (may be null) gets the state and the traffic; `env` is the session's.
    CDlgNet(IMessageTarget* main_window, ConnectionEnvironment env, QWidget* parent = nullptr);
    ~CDlgNet() override;

    CConnection& Connection() { return *connection_; }
    CWndChart* Chart() const { return chart_; }
    IMessageTarget* MessageTarget() const;
    // Handles one of the page's messages (window thread).
    void HandleMessage(const WindowMessage& message);

    // IConnectionListener: any thread; store and post only.
    void OnError(const std::u16string& text) override;
    void OnStatus(const std::u16string& text) override;
    void OnConnected() override;
    void OnStatistics(const SessionStats& stats, std::uint64_t receive_rate,
                      std::uint64_t send_rate) override;
    void OnDisconnecting() override;
    void OnDisconnected() override;

    // IConnectionExport
    bool IsRunning() override;
    void AddListener(IConnectionListener* listener) override;
    void StopAndWait() override;
    bool ToggleConnection() override;
    std::u16string GetInfoText() override;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Post(unsigned number, std::uint64_t wparam = 0, std::int64_t lparam = 0,
              std::u16string text = {});
    void PostToMain(unsigned number, std::uint64_t wparam = 0, std::int64_t lparam = 0);
    // Shows a status text in the main window, replaced by the card's service state when the
    // card has no full service. The card is asked off this thread; the text comes back as
    // kMsgStatusText.
    void ShowStatus(const std::u16string& text, bool ok);
    std::optional<int> QueryServiceState();
    void OnRates(std::uint64_t receive_rate, std::uint64_t send_rate);
    void ShowLabels();
    void RefreshTexts();
    void Layout();

    IMessageTarget* main_window_;
    std::function<IDeviceControl*()> device_control_;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CConnection> connection_;
    std::unique_ptr<CStatusResolver> resolver_;

    // Written by the session's threads, read on the window thread.
    std::mutex mutex_;
    SessionStats stats_;
    bool status_seen_ = false;

    // Window thread only.
    std::u16string run_error_;  // the last error of this run; cleared when the link comes up
    bool has_session_ = false;
    std::uint64_t receive_rate_ = 0;
    std::uint64_t send_rate_ = 0;
    CWndChart* chart_ = nullptr;
    CTransparentStatic* link_time_ = nullptr;
    CTransparentStatic* upload_header_ = nullptr;
    CTransparentStatic* download_header_ = nullptr;
    CTransparentStatic* upload_speed_ = nullptr;
    CTransparentStatic* download_speed_ = nullptr;
    CTransparentStatic* sent_ = nullptr;
    CTransparentStatic* received_ = nullptr;
    CTransparentStatic* send_rate_label_ = nullptr;
    CTransparentStatic* receive_rate_label_ = nullptr;
};

}  // namespace dedevev

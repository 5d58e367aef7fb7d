#include "connection/views/DlgNet.h"

#include <QPainter>

#include "connection/StatusResolver.h"
#include "connection/views/PageTab.h"
#include "connection/views/WndChart.h"
#include "core/ExportRegistry.h"
#include "device/IDeviceControl.h"
#include "mainwindow/views/MainDlg.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinControls.h"
#include "resources/views/WindowMessageQueue.h"

namespace dedevev {

namespace {

constexpr QRect kChartRect(16, 38, 687, 220);
constexpr QRect kCardRect(16, 266, 687, 90);
constexpr int kColumnX[] = {32, 262, 492};
constexpr int kColumnWidth = 206;
constexpr int kRowY[] = {272, 300, 326};
constexpr int kRowHeight = 22;
constexpr int kSwatch = 8;

QString DlgNetText(const char* key) {
    return LocalQText(key, "DlgNet");
}

}  // namespace

CDlgNet::CDlgNet(IMessageTarget* main_window, ConnectionEnvironment env, QWidget* parent)
    : CModulePage("DlgNet", "Title", parent),
      main_window_(main_window),
      device_control_(env.device_control) {
    setObjectName("DlgNet");
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    if (!env.pump_messages) {
        // While the page waits for the session to end, its reports are still shown.
        env.pump_messages = [this] { queue_->Drain(); };
    }
    CWindowMessageQueue* queue = queue_.get();
    resolver_ = std::make_unique<CStatusResolver>(
        [this] { return QueryServiceState(); },
        [queue](const std::u16string& text, bool ok) {
            queue->Post({kMsgStatusText, 0, ok ? 0 : 1, {}, text});
        });
    connection_ = std::make_unique<CConnection>(std::move(env));
    connection_->AddListener(this);

    chart_ = new CWndChart(this);
    chart_->setGeometry(kChartRect);
    auto label = [this](const char* name) {
        auto* l = new CTransparentStatic(QString(), this);
        l->setObjectName(name);
        return l;
    };
    link_time_ = label("LinkTime");
    send_rate_label_ = label("SendRate");
    receive_rate_label_ = label("ReceiveRate");
    upload_header_ = label("UploadHeader");
    upload_speed_ = label("UploadSpeed");
    sent_ = label("SentFlux");
    download_header_ = label("DownloadHeader");
    download_speed_ = label("DownloadSpeed");
    received_ = label("ReceivedFlux");
    Layout();
    RefreshTexts();
    Exports().BindConnection(this);
}

CDlgNet::~CDlgNet() {
    Exports().BindConnection(nullptr);
    // Nothing is handled any more (the main window may be gone); the session is ended and
    // filed before its listener goes away.
    queue_->Shutdown();
    connection_->StopAndWait();
    connection_.reset();
    resolver_.reset();
}

IMessageTarget* CDlgNet::MessageTarget() const {
    return queue_.get();
}

void CDlgNet::Layout() {
    CTransparentStatic* grid[3][3] = {{link_time_, send_rate_label_, receive_rate_label_},
                                      {upload_header_, upload_speed_, sent_},
                                      {download_header_, download_speed_, received_}};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            const int indent = column > 0 && row == 0 ? kSwatch + 6 : 0;
            grid[column][row]->setGeometry(kColumnX[column] + indent, kRowY[row],
                                           kColumnWidth - indent, kRowHeight);
        }
    }
}

// ---- the session's reports (its threads)

void CDlgNet::Post(unsigned number, std::uint64_t wparam, std::int64_t lparam,
                   std::u16string text) {
    queue_->Post({number, wparam, lparam, {}, std::move(text)});
}

void CDlgNet::OnError(const std::u16string& text) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_seen_ = false;
    }
    Post(kMsgError, 0, 0, text);
}

void CDlgNet::OnStatus(const std::u16string&) {
    // Only the first report of a run is shown (as "connecting to the network").
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        first = !status_seen_;
        status_seen_ = true;
    }
    if (first)
        Post(kMsgDialing);
}

void CDlgNet::OnConnected() {
    // The statistics are read on the window thread: the library may be calling from inside
    // its own lock here.
    Post(kMsgConnected);
}

void CDlgNet::OnStatistics(const SessionStats& stats, std::uint64_t receive_rate,
                           std::uint64_t send_rate) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stats_ = stats;
    }
    Post(kMsgRates, receive_rate, static_cast<std::int64_t>(send_rate));
}

void CDlgNet::OnDisconnecting() {
    // The status text goes with the message, a "DlgNet" key.
    Post(kMsgDisconnecting, 0, 0, u"Disconnecting");
}

void CDlgNet::OnDisconnected() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_seen_ = false;
    }
    Post(kMsgDisconnected);
}

// ---- the window thread

void CDlgNet::PostToMain(unsigned number, std::uint64_t wparam, std::int64_t lparam) {
    if (main_window_ != nullptr)
        main_window_->Post({number, wparam, lparam, {}, {}});
}

void CDlgNet::HandleMessage(const WindowMessage& m) {
    ILinkExport* link = Exports().LinkExport();
    switch (m.number) {
        case kMsgDialing:
            ShowStatus(LocalText("RASCS_AuthProject", "DlgNet"), true);
            link->SetConnectCaption(LocalText("Disconnect", "DlgNet"));
            PostToMain(kMsgConnectEnabled);
            // In the connecting colour, not in the red a failed run may have left.
            PostToMain(kMsgConnecting);
            break;
        case kMsgConnected: {
            SessionStats stats;
            if (!connection_->GetStatistics(&stats))
                stats = {};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stats_ = stats;
            }
            run_error_.clear();
            has_session_ = true;
            receive_rate_ = send_rate_ = 0;
            ShowLabels();
            ShowStatus(LocalText("RASCS_Connected", "DlgNet"), true);
            link->SetConnectCaption(LocalText("Disconnect", "DlgNet"));
            PostToMain(kMsgConnected);
            break;
        }
        case kMsgError:
            run_error_ = m.wide_text;
            ShowStatus(m.wide_text, false);
            break;
        case kMsgStatusText:
            Exports().MainExport()->ShowConnectionText(m.lparam == 0, m.wide_text);
            break;
        case kMsgDisconnecting:
            ShowStatus(LocalText(m.wide_text, u"DlgNet"), true);
            PostToMain(kMsgConnecting);
            break;
        case kMsgDisconnected: {
            // A run that ended on an error keeps saying why.
            std::u16string error;
            error.swap(run_error_);
            if (error.empty())
                ShowStatus(LocalText("RASCS_Disconnected", "DlgNet"), true);
            else
                ShowStatus(error, false);
            link->SetConnectCaption(LocalText("Connect", "DlgNet"));
            PostToMain(kMsgDisconnected);
            break;
        }
        case kMsgRates:
            OnRates(m.wparam, m.lparam < 0 ? 0 : static_cast<std::uint64_t>(m.lparam));
            break;
        default:
            break;
    }
}

std::optional<int> CDlgNet::QueryServiceState() {
    IDeviceControl* control = device_control_ ? device_control_() : nullptr;
    if (control == nullptr)
        return std::nullopt;
    int status = kStatusUntouched;
    const ServiceInfo info = control->GetServiceInfo(&status);
    if (status != kStatusOk)
        return std::nullopt;
    return info.service_state;
}

void CDlgNet::ShowStatus(const std::u16string& text, bool ok) {
    resolver_->Show(text, ok);
}

void CDlgNet::OnRates(std::uint64_t receive_rate, std::uint64_t send_rate) {
    receive_rate_ = receive_rate;
    send_rate_ = send_rate;
    has_session_ = true;
    const double receive_kb = static_cast<double>(receive_rate) / 1024.0;
    const double send_kb = static_cast<double>(send_rate) / 1024.0;
    chart_->AddPair(static_cast<float>(send_kb), static_cast<float>(receive_kb));
    ShowLabels();

    SessionStats stats;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stats = stats_;
    }
    const double received_kb = static_cast<double>(stats.bytes_received) / 1024.0;
    const double sent_kb = static_cast<double>(stats.bytes_sent) / 1024.0;
    Exports().LinkExport()->ShowTraffic(received_kb, sent_kb);
    PostToMain(kMsgTraffic, stats.bytes_sent / 1024,
               static_cast<std::int64_t>(stats.bytes_received / 1024));
}

void CDlgNet::ShowLabels() {
    NetLabels labels = InitialNetLabels();
    if (has_session_) {
        std::lock_guard<std::mutex> lock(mutex_);
        labels = SessionNetLabels(stats_, receive_rate_, send_rate_);
    }
    link_time_->setText(ToQString(labels.link_time));
    upload_speed_->setText(ToQString(labels.upload_speed));
    download_speed_->setText(ToQString(labels.download_speed));
    sent_->setText(ToQString(labels.sent));
    received_->setText(ToQString(labels.received));
    const auto rate = [](std::uint64_t bytes) {
        return QString::fromStdString(RateText(static_cast<double>(bytes) / 1024.0));
    };
    send_rate_label_->setText(DlgNetText("sendBPS") + ' ' + rate(send_rate_));
    receive_rate_label_->setText(DlgNetText("recvBPS") + ' ' + rate(receive_rate_));
}

void CDlgNet::RefreshTexts() {
    const QFont normal = LocalFont("Normal");
    QFont bold = normal;
    bold.setBold(true);
    const QColor text = DialogFrameColor();
    for (CTransparentStatic* l :
         {link_time_, send_rate_label_, receive_rate_label_, upload_header_, upload_speed_, sent_,
          download_header_, download_speed_, received_}) {
        l->setFont(l == link_time_ || l == upload_header_ || l == download_header_ ? bold : normal);
        l->SetTextColor(text);
    }
    upload_header_->setText(DlgNetText("Upload"));
    download_header_->setText(DlgNetText("Download"));
    ShowLabels();
    update();
}

void CDlgNet::OnLanguageChanged() {
    RefreshTexts();
    CModulePage::OnLanguageChanged();
}

void CDlgNet::OnSkinChanged() {
    RefreshTexts();
    CModulePage::OnSkinChanged();
}

void CDlgNet::paintEvent(QPaintEvent* event) {
    CModulePage::paintEvent(event);
    QPainter painter(this);
    PaintPageTab(painter, Title());
    PaintPageCard(painter, kCardRect);
    // The series' colours in front of the column headers.
    const QColor colors[] = {QColor(0, 255, 0), QColor(255, 0, 0)};
    for (int i = 0; i < 2; ++i) {
        painter.fillRect(kColumnX[i + 1], kRowY[0] + (kRowHeight - kSwatch) / 2, kSwatch, kSwatch,
                         colors[i]);
    }
}

// ---- IConnectionExport

bool CDlgNet::IsRunning() {
    return connection_->IsRunning();
}

void CDlgNet::AddListener(IConnectionListener* listener) {
    connection_->AddListener(listener);
}

void CDlgNet::StopAndWait() {
    connection_->StopAndWait();
}

bool CDlgNet::ToggleConnection() {
    if (connection_->IsRunning()) {
        connection_->Stop();
        return true;
    }
    if (!connection_->Start())
        return false;
    chart_->Clear();
    return true;
}

std::u16string CDlgNet::GetInfoText() {
    return connection_->GetInfoText();
}

}  // namespace dedevev

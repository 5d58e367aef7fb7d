#include "mainwindow/views/MainPanel.h"

#include <QPainter>
#include <QPainterPath>

#include "core/GlobalService.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

constexpr int kCardX = 16;
constexpr int kCardY = 16;
constexpr int kCardWidth = 404;
constexpr int kRowTop = 30;
constexpr int kRowHeight = 36;
constexpr int kCaptionX = 36;
constexpr int kCaptionWidth = 118;
constexpr int kValueX = 160;
constexpr int kValueWidth = 248;
constexpr int kLinkWidth = 88;
constexpr int kLinkHeight = 22;

}  // namespace

CMainPanel::CMainPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("MainPanel");
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kWidth, kHeight);
    status_ = AddRow("Status", "StatusValue");
    sent_ = AddRow("DataSent", "SentValue");
    received_ = AddRow("Received", "ReceivedValue");
    operator_ = AddRow("Operator", "OperatorValue");
    network_ = AddRow("Network", "NetworkValue");
    service_ = AddRow("Service", "ServiceValue");
    address_ = AddRow("IPAddress", "AddressValue");
    ssid_ = AddRow("SSID", "SsidValue");
    ssid_.caption->setObjectName("SsidCaption");
    ssid_.caption->hide();
    ssid_.value->hide();

    connect_ = new CSkinButtonEx(this);
    connect_->setObjectName("ConnectButton");
    connect_->SetImages("Connected_no", "Connected_over", "Connected_down", "Connected_disable");
    connect_->SetTextColor(Qt::white);
    connect_->SetTextRect(QRect(48, 0, 112, 48));
    connect_->setCursor(Qt::PointingHandCursor);

    static const char* const kLinkNames[] = {"WebHome", "WebSupport", "WebDownload"};
    for (int i = 0; i < 3; ++i) {
        auto* link = new CSkinButton(this);
        link->setObjectName(kLinkNames[i]);
        link->setCursor(Qt::PointingHandCursor);
        link->resize(kLinkWidth, kLinkHeight);
        connect(link, &QAbstractButton::clicked, this, [this, i] { emit command(232 + i); });
        links_[i] = link;
    }
    RefreshTexts();
    Layout();
}

CMainPanel::Row CMainPanel::AddRow(const char* key, const char* value_name) {
    Row row;
    row.key = key;
    row.caption = new CTransparentStatic(QString(), this);
    row.caption->setObjectName(QString(value_name).replace("Value", "Caption"));
    row.value = new CTransparentStatic(QString(), this);
    row.value->setObjectName(value_name);
    row.value->SetTextColor(Qt::white);
    return row;
}

void CMainPanel::RefreshTexts() {
    const QColor caption_color = SkinQColor(u"PanelTextColor", QColor(196, 224, 236));
    const QFont info = LocalFont("Info");
    const QFont status_font = LocalFont("Status");
    for (Row* row : {&status_, &sent_, &received_, &operator_, &network_, &service_, &address_}) {
        row->caption->setText(LocalQText(row->key, "MainWnd"));
        row->caption->SetTextColor(caption_color);
        row->caption->setFont(info);
        row->value->setFont(row == &status_ ? status_font : info);
    }
    ssid_.caption->SetTextColor(caption_color);
    ssid_.caption->setFont(info);
    ssid_.value->setFont(info);
    QFont bold = status_font;
    bold.setBold(true);
    status_.value->setFont(bold);
    connect_->SetFont(LocalFont("Status"));
    static const char* const kLinkKeys[] = {"WebHome", "WebSupport", "WebDownload"};
    for (int i = 0; i < 3; ++i) {
        links_[i]->SetCaption(LocalQText(kLinkKeys[i], "MainWnd"));
        links_[i]->SetFont(info);
        links_[i]->SetTextColor(AccentColor().lighter(130));
    }
    update();
}

void CMainPanel::Layout() {
    int y = kCardY + kRowTop - 8;
    for (Row* row :
         {&status_, &sent_, &received_, &operator_, &network_, &service_, &address_, &ssid_}) {
        row->caption->setGeometry(kCaptionX, y, kCaptionWidth, kRowHeight - 8);
        row->value->setGeometry(kValueX, y, kValueWidth, kRowHeight - 8);
        y += kRowHeight;
    }
    const int right = kCardX + kCardWidth;
    const int right_width = width() - right;
    const QSize button = connect_->sizeHint();
    connect_->move(right + (right_width - button.width()) / 2, 120);
    const int links_width = 3 * kLinkWidth;
    int x = right + (right_width - links_width) / 2;
    for (CSkinButton* link : links_) {
        link->move(x, height() - kLinkHeight - 24);
        x += kLinkWidth;
    }
}

void CMainPanel::resizeEvent(QResizeEvent*) {
    Layout();
}

void CMainPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor card = SkinQColor(u"PanelBkColor", QColor(15, 62, 99));
    card.setAlpha(170);
    QPainterPath path;
    const QRectF card_rect(kCardX, kCardY, kCardWidth, height() - 2 * kCardY);
    path.addRoundedRect(card_rect, 10, 10);
    painter.fillPath(path, card);
    QColor line = AccentColor();
    line.setAlpha(70);
    painter.setPen(QPen(line, 1));
    // A separator under the status line and under the traffic rows.
    for (int row : {1, 3}) {
        const int y = kCardY + kRowTop - 8 + row * kRowHeight - 4;
        painter.drawLine(kCaptionX, y, kValueX + kValueWidth - 12, y);
    }
    // The connect button sits on a soft ring.
    const QRect button = connect_->geometry();
    QColor ring = AccentColor();
    ring.setAlpha(40);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ring);
    painter.drawEllipse(button.center(), button.width() / 2 + 34, button.width() / 2 + 34);
}

void CMainPanel::SetStatusText(const QString& text) {
    status_.value->setText(text);
}

QString CMainPanel::StatusText() const {
    return status_.value->text();
}

void CMainPanel::SetStatusColor(const QColor& color) {
    status_color_ = color;
    status_.value->SetTextColor(color);
}

void CMainPanel::SetSent(const QString& text) {
    sent_.value->setText(text);
}

void CMainPanel::SetReceived(const QString& text) {
    received_.value->setText(text);
}

void CMainPanel::SetOperator(const QString& text) {
    operator_.value->setText(text);
}

void CMainPanel::SetNetwork(const QString& text) {
    network_.value->setText(text);
}

void CMainPanel::SetService(const QString& text) {
    service_.value->setText(text);
}

void CMainPanel::SetAddress(const QString& text) {
    address_.value->setText(text);
}

void CMainPanel::ShowWifi(bool visible, const QString& caption, const QString& name) {
    ssid_.caption->setText(caption);
    ssid_.value->setText(name);
    ssid_.caption->setVisible(visible);
    ssid_.value->setVisible(visible);
}

void CMainPanel::SetConnectCaption(const QString& caption) {
    connect_->SetCaption(caption);
}

}  // namespace dedevev

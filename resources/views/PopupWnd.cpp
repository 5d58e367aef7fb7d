#include "resources/views/PopupWnd.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include "core/GlobalService.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

CPopupWnd* g_popup = nullptr;

void DestroyPopup() {
    delete g_popup;
    g_popup = nullptr;
}

const SkinBitmap* Background() {
    return CGlobalService::Instance().Skin()->GetBitmapOrDefault(u"PopupWnd");
}

// The notice's size: its picture's, or the stock picture's when the skin has none.
QSize NoticeSize() {
    const QSize image = BitmapSize(Background());
    return image.isEmpty() ? QSize(260, 150) : image;
}

// The height of the band the title stands on in a notice drawn without its picture.
constexpr int kPlainTitleBand = 36;

bool OnWindowThread(const QObject* object) {
    return QThread::currentThread() == object->thread();
}

}  // namespace

CPopupWnd& CPopupWnd::Instance() {
    if (g_popup == nullptr) {
        auto make = [] {
            if (g_popup == nullptr) {
                g_popup = new CPopupWnd();
                qAddPostRoutine(DestroyPopup);
            }
        };
        if (QThread::currentThread() == qApp->thread()) {
            make();
        } else {
            QMetaObject::invokeMethod(qApp, make, Qt::BlockingQueuedConnection);
        }
    }
    return *g_popup;
}

CPopupWnd::CPopupWnd()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("PopupWnd");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    connect(&slide_in_, &QTimer::timeout, this, &CPopupWnd::SlideInTick);
    connect(&hold_, &QTimer::timeout, this, &CPopupWnd::HoldEnded);
    connect(&slide_out_, &QTimer::timeout, this, &CPopupWnd::SlideOutTick);
}

int CPopupWnd::FullHeight() const {
    return NoticeSize().height();
}

void CPopupWnd::Show(const QString& title, const QString& body, IClickAction* action) {
    if (OnWindowThread(this)) {
        {
            std::lock_guard<std::recursive_mutex> lock(action_lock_);
            action_ = action;
            show_pending_ = false;  // this one is newer than anything queued
        }
        ShowOnWindowThread(title, body);
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(action_lock_);
        action_ = action;
        show_pending_ = true;
        close_pending_ = false;
        pending_title_ = title.toStdU16String();
        pending_body_ = body.toStdU16String();
    }
    wake_.Wake();
}

void CPopupWnd::Close() {
    if (OnWindowThread(this)) {
        CloseOnWindowThread();
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(action_lock_);
        close_pending_ = true;
        show_pending_ = false;
    }
    wake_.Wake();
}

void CPopupWnd::CloseFor(IClickAction* action) {
    {
        std::lock_guard<std::recursive_mutex> lock(action_lock_);
        if (action == nullptr || action_ != action)
            return;
    }
    Close();
}

void CPopupWnd::ApplyRequests() {
    bool show = false, close = false;
    std::u16string title, body;
    {
        std::lock_guard<std::recursive_mutex> lock(action_lock_);
        std::swap(show, show_pending_);
        std::swap(close, close_pending_);
        title.swap(pending_title_);
        body.swap(pending_body_);
    }
    if (show)
        ShowOnWindowThread(QString::fromStdU16String(title), QString::fromStdU16String(body));
    if (close)
        CloseOnWindowThread();
}

void CPopupWnd::ShowOnWindowThread(const QString& title, const QString& body) {
    title_ = title;
    body_ = body;
    slide_in_.stop();
    hold_.stop();
    slide_out_.stop();
    Place();
    show();
    update();
    slide_in_.start(timing_.slide_ms);
}

void CPopupWnd::CloseOnWindowThread() {
    slide_in_.stop();
    hold_.stop();
    slide_out_.stop();
    slide_out_.start(timing_.close_slide_ms);
}

void CPopupWnd::Place() {
    const QSize image = NoticeSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int height = std::max(visible_height_, 1);
    setGeometry(area.right() + 1 - image.width(), area.bottom() + 1 - visible_height_,
                image.width(), height);
}

void CPopupWnd::SlideInTick() {
    const int full = FullHeight();
    visible_height_ = std::min(visible_height_ + 1, full);
    Place();
    if (visible_height_ >= full) {
        slide_in_.stop();
        hold_.start(timing_.hold_ms);
    }
}

void CPopupWnd::HoldEnded() {
    hold_.stop();
    slide_out_.start(timing_.slide_ms);
}

void CPopupWnd::SlideOutTick() {
    visible_height_ = std::max(visible_height_ - 1, 0);
    if (visible_height_ > 0) {
        Place();
        return;
    }
    slide_out_.stop();
    hide();
}

void CPopupWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const SkinBitmap* image = Background();
    const QSize size = NoticeSize();
    if (HasPicture(image)) {
        DrawAt(painter, image, QPoint(0, 0));
    } else {
        // The picture's layout in plain colours: a tinted title band over a light body.
        painter.fillRect(QRect(QPoint(0, 0), size), DialogBodyColor());
        painter.fillRect(QRect(0, 0, size.width(), kPlainTitleBand), DialogBodyColor().darker(108));
        painter.setPen(DialogFrameColor());
        painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    }
    painter.setPen(QColor(0, 64, 128));
    painter.setFont(LocalFont("Title"));
    // drawText shows the texts as they stand (names and message texts are never markup).
    painter.drawText(QRect(34, 10, size.width() - 34, 30), Qt::AlignLeft | Qt::AlignTop, title_);
    painter.setFont(LocalFont("Normal"));
    painter.drawText(QRect(0, 40, size.width(), size.height() - 40),
                     Qt::AlignCenter | Qt::TextWordWrap, body_);
}

void CPopupWnd::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (!left && event->button() != Qt::RightButton)
        return;
    std::lock_guard<std::recursive_mutex> lock(action_lock_);
    if (action_ != nullptr)
        action_->OnPopupClick(left);
}

}  // namespace dedevev

#include "mainwindow/PlaceholderMainWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

PlaceholderMainWindow::PlaceholderMainWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("MainWindow");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, false);
    auto* min_button = new CSkinButtonEx(this);
    min_button->SetImages("Min_Normal", "Min_Hover", "Min_Down", "MIn_Disable");
    min_button->setObjectName("BtnMin");
    min_button_ = min_button;
    auto* close_button = new CSkinButtonEx(this);
    close_button->SetImageSet("Close");
    close_button->setObjectName("BtnClose");
    close_button_ = close_button;
    connect(min_button_, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(close_button_, &QAbstractButton::clicked, this, &QDialog::accept);
    ApplySkin();
    OnLanguageChanged();
}

void PlaceholderMainWindow::ApplySkin() {
    ISkin* skin = Skin();
    const SkinBitmap* background = skin->GetBitmapOrDefault(u"Background");
    QSize size = BitmapSize(background);
    if (size.width() < 200 || size.height() < 100)
        size = QSize(800, 600);
    setFixedSize(size);
    // The buttons may hear of a skin switch after this window: fetch their images first.
    static_cast<CSkinButtonEx*>(min_button_)->OnSkinChanged();
    static_cast<CSkinButtonEx*>(close_button_)->OnSkinChanged();
    const int top = 8;
    close_button_->move(width() - close_button_->width() - 10, top);
    min_button_->move(close_button_->x() - min_button_->width() - 4, top);
    const QRegion region = RegionFromBitmap(background, QPoint(0, 0), skin->GetTransparentColor());
    if (!region.isEmpty()) {
        setMask(region);
    } else {
        clearMask();
    }
    update();
}

void PlaceholderMainWindow::OnLanguageChanged() {
    setWindowTitle(LocalQText("DEDEVev"));
    update();
}

void PlaceholderMainWindow::OnSkinChanged() {
    ApplySkin();
}

void PlaceholderMainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ISkin* skin = Skin();
    const SkinBitmap* background = skin->GetBitmap(u"Background");
    if (background != nullptr) {
        DrawAt(painter, background, QPoint(0, 0));
    } else {
        painter.fillRect(rect(), ToQColor(skin->GetColor(u"DlgBkColor")));
    }
    // The product card in the middle of the module area until the modules fill it.
    if (const SkinBitmap* card = skin->GetBitmap(u"InitBK")) {
        const QSize size = BitmapSize(card);
        const QRect area((width() - size.width()) / 2, (height() - size.height()) / 2 + 40,
                         size.width(), size.height());
        DrawTransparentAt(painter, card, area.topLeft(), skin->GetTransparentColor());
        painter.setPen(ToQColor(skin->GetColor(u"DlgTitleBKColor")));
        painter.setFont(LocalFont("Normal"));
        painter.drawText(QRect(area.left(), area.bottom() - 70, area.width(), 70), Qt::AlignCenter,
                         LocalQText("Description", "DlgAbout"));
    }
    painter.setPen(Qt::white);
    painter.setFont(LocalFont("Title"));
    painter.drawText(QRect(36, 4, width() / 2, 28), Qt::AlignLeft | Qt::AlignVCenter,
                     LocalQText("DEDEVev"));
}

void PlaceholderMainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void PlaceholderMainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        move(event->globalPosition().toPoint() - drag_offset_);
    QDialog::mouseMoveEvent(event);
}

void PlaceholderMainWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace dedevev

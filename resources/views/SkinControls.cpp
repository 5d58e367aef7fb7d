#include "resources/views/SkinControls.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kHandleWidth = 8;

}  // namespace

CGenEdit::CGenEdit(QWidget* parent, CGlobalService* service)
    : QLineEdit(parent), CGSEventHandler(service) {
    OnLanguageChanged();
    OnSkinChanged();
}

void CGenEdit::OnLanguageChanged() {
    setFont(LocalFont("Normal"));
}

void CGenEdit::OnSkinChanged() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, DialogFrameColor());
    // A field that cannot be edited looks it: the dialog's own body and grey text.
    palette.setColor(QPalette::Disabled, QPalette::Base, DialogBodyColor());
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x68, 0x70));
    setPalette(palette);
    update();
}

CBorderEdit::CBorderEdit(QWidget* parent, CGlobalService* service) : CGenEdit(parent, service) {
    setFrame(false);
    setTextMargins(3, 1, 3, 1);
}

void CBorderEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.setPen(DialogFrameColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

CTransparentStatic::CTransparentStatic(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(LocalFont("Normal"));
    setText(text);
}

void CTransparentStatic::SetTextColor(const QColor& color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
}

CSpSilderCtrl::CSpSilderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setCursor(Qt::PointingHandCursor);
}

QRect CSpSilderCtrl::HandleRect() const {
    const int span = std::max(width() - kHandleWidth, 0);
    const int range = maximum() - minimum();
    const int x = range > 0
                      ? static_cast<int>(static_cast<long long>(value() - minimum()) * span / range)
                      : 0;
    return QRect(x, 0, kHandleWidth, height());
}

void CSpSilderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor line = DialogFrameColor();
    const int mid = height() / 2;
    painter.fillRect(QRect(kHandleWidth / 2, mid - 2, width() - kHandleWidth, 4),
                     isEnabled() ? line : QColor(0xC8, 0xC8, 0xC8));
    const QRect handle = HandleRect();
    painter.setPen(line);
    painter.setBrush(DialogBodyColor());
    painter.drawRoundedRect(handle.adjusted(0, 1, -1, -2), 2, 2);
}

void CSpSilderCtrl::SetFromX(int x) {
    const int span = std::max(width() - kHandleWidth, 1);
    const int pos = std::clamp(x - kHandleWidth / 2, 0, span);
    setValue(minimum() +
             static_cast<int>(static_cast<long long>(pos) * (maximum() - minimum()) + span / 2) /
                 span);
}

void CSpSilderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SetFromX(static_cast<int>(event->position().x()));
        event->accept();
        return;
    }
    QSlider::mousePressEvent(event);
}

void CSpSilderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        SetFromX(static_cast<int>(event->position().x()));
        event->accept();
        return;
    }
    QSlider::mouseMoveEvent(event);
}

CDlgSel::CDlgSel(const QString& title, const QStringList& items, int current, QWidget* parent)
    : QDialog(parent), title_(title) {
    setObjectName("DlgSel");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(title);
    setFixedSize(260, 240);
    list_ = new QListWidget(this);
    list_->setObjectName("SelList");
    list_->setFont(LocalFont("Normal"));
    for (const QString& item : items) {
        // QListWidgetItem shows its text as plain text.
        list_->addItem(item);
    }
    if (current >= 0 && current < list_->count())
        list_->setCurrentRow(current);
    list_->setGeometry(10, 30, width() - 20, 160);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* ok = new CSkinButtonEx(this);
    ok->setObjectName("BtnOK");
    ok->SetImageSet("Btn");
    ok->SetCaption("BtnOK", "DlgMessageBox");
    ok->move(width() / 2 - ok->width() - 10, 200);
    connect(ok, &QAbstractButton::clicked, this, [this] {
        if (Selected() >= 0)
            accept();
    });
    auto* cancel = new CSkinButtonEx(this);
    cancel->setObjectName("BtnCancel");
    cancel->SetImageSet("Btn");
    cancel->SetCaption("BtnCancel", "DlgMessageBox");
    cancel->move(width() / 2 + 10, 200);
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

int CDlgSel::Selected() const {
    return list_->currentRow();
}

void CDlgSel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSkinnedDialog(painter, rect(), title_);
}

}  // namespace dedevev

#include "mainwindow/views/ModuleWindow.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "mainwindow/views/Unattended.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr int kFrame = 4;  // the four one-pixel frame lines of a skinned dialog
constexpr int kMinCaptionHeight = 22;
constexpr int kAccentWidth = 2;  // the line under a placeholder title
constexpr int kAccentGap = 6;

}  // namespace

// ---------------------------------------------------------------------------------------------
// CSkinnedDialog

CSkinnedDialog::CSkinnedDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

int CSkinnedDialog::CaptionHeight() const {
    return std::max(DialogTitleHeight(), kMinCaptionHeight);
}

void CSkinnedDialog::OnLanguageChanged() {
    setWindowTitle(Caption());
    update();
}

void CSkinnedDialog::OnSkinChanged() {
    update();
}

void CSkinnedDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSkinnedDialog(painter, rect(), Caption());
}

void CSkinnedDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && enter_accepts_ && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSkinnedDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < CaptionHeight()) {
        dragging_ = true;
        drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void CSkinnedDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        move(event->globalPosition().toPoint() - drag_offset_);
    QDialog::mouseMoveEvent(event);
}

void CSkinnedDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------------------------
// CModulePage

CModulePage::CModulePage(const char* title_section, const char* title_key, QWidget* parent)
    : QWidget(parent),
      section_(title_section ? title_section : ""),
      key_(title_key ? title_key : "") {
    setFixedSize(kWidth, kHeight);
}

QString CModulePage::Title() const {
    return LocalQText(key_.c_str(), section_.c_str());
}

bool CModulePage::ShowsPlaceholder() const {
    return placeholder_enabled_ &&
           findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty();
}

void CModulePage::SetPlaceholderEnabled(bool enabled) {
    placeholder_enabled_ = enabled;
    update();
}

void CModulePage::OnLanguageChanged() {
    update();
    emit titleChanged();
}

void CModulePage::OnSkinChanged() {
    update();
}

void CModulePage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ISkin* skin = CGlobalService::Instance().Skin();
    DrawStretched(painter, skin->GetBitmapOrDefault(u"PageBkg1_0"), rect());
    if (!ShowsPlaceholder())
        return;

    const QString title = Title();
    QFont font = LocalFont("Title");
    font.setBold(true);
    const QFontMetrics metrics(font);
    const QColor accent = DialogFrameColor();
    const QRect text_rect(0, 0, width(), height());
    const QRect bounds =
        metrics.boundingRect(text_rect, Qt::AlignCenter | Qt::TextSingleLine, title);

    painter.setFont(font);
    painter.setPen(accent);
    painter.drawText(text_rect, Qt::AlignCenter | Qt::TextSingleLine, title);
    // The accent line reaches a little beyond the text on both sides.
    const int line_width = std::min(bounds.width() + 40, width() - 40);
    painter.fillRect(
        QRect((width() - line_width) / 2, bounds.bottom() + kAccentGap, line_width, kAccentWidth),
        accent);
}

// ---------------------------------------------------------------------------------------------
// CModuleHost

CModuleHost::CModuleHost(CModulePage* page, QWidget* parent) : CSkinnedDialog(parent), page_(page) {
    setObjectName("ModuleHost");

    close_ = new CSkinButtonEx(this);
    close_->setObjectName("ModuleClose");
    close_->SetImageSet("Dlg_Close");
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QAbstractButton::clicked, this, &QDialog::reject);

    if (page_ != nullptr) {
        previous_parent_ = page_->parentWidget();
        had_parent_ = previous_parent_ != nullptr;
        previous_pos_ = page_->pos();
        previous_flags_ = page_->windowFlags();
        page_->setParent(this);
        holding_ = true;
        connect(page_.data(), &CModulePage::titleChanged, this, &CModuleHost::RefreshCaption);
        page_->show();
        page_->setFocus();
    }
    Layout();
    RefreshCaption();
}

CModuleHost::~CModuleHost() {
    GiveBack();
}

CModulePage* CModuleHost::Page() const {
    return holding_ ? page_.data() : nullptr;
}

QString CModuleHost::Caption() const {
    return page_ != nullptr ? page_->Title() : QString();
}

void CModuleHost::done(int result) {
    GiveBack();
    CSkinnedDialog::done(result);
}

void CModuleHost::OnSkinChanged() {
    Layout();
    CSkinnedDialog::OnSkinChanged();
}

void CModuleHost::Layout() {
    const int caption = CaptionHeight();
    setFixedSize(CModulePage::kWidth + 2 * kFrame, caption + CModulePage::kHeight + kFrame);
    if (holding_ && page_ != nullptr)
        page_->move(kFrame, caption);
    close_->move(width() - kFrame - 4 - close_->width(),
                 std::max((caption - close_->height()) / 2, kFrame));
    close_->raise();
}

void CModuleHost::RefreshCaption() {
    setWindowTitle(Caption());
    update();
}

void CModuleHost::GiveBack() {
    if (!holding_)
        return;
    holding_ = false;
    if (page_ == nullptr)
        return;  // the page was deleted while it was shown
    disconnect(page_.data(), nullptr, this, nullptr);
    page_->hide();
    if (had_parent_ && previous_parent_ == nullptr) {
        // Its owner is gone; the page would have been deleted with it.
        page_->setParent(nullptr);
        page_->deleteLater();
        return;
    }
    page_->setParent(previous_parent_, previous_flags_);
    page_->move(previous_pos_);
}

int RunModulePage(CModulePage* page, QWidget* parent) {
    if (page == nullptr)
        return QDialog::Rejected;
    if (UnattendedDialogs()) {
        LogUnattended({"module", page->Title()});
        return QDialog::Rejected;
    }
    // On the heap and guarded: the wrapper's parent may be destroyed while it runs.
    QPointer<CModuleHost> host = new CModuleHost(page, parent);
    const int result = host->exec();
    delete host.data();
    return result;
}

}  // namespace dedevev

#include "settings/views/DlgSet.h"

#include <QDialog>
#include <QPainter>
#include <QPointer>
#include <QShowEvent>

#include <algorithm>
#include <string>

#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "settings/views/SettingsPage.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSet";
// The page buttons stand in one row, 55 pixels apart, in the slot of their topic (the second
// slot stays empty), so a missing page leaves a gap rather than moving the others.
constexpr int kTabLeft = 10;
constexpr int kTabTop = 20;
constexpr int kTabStep = 55;
constexpr int kTabWidth = 52;
constexpr int kTabHeight = 24;
constexpr int kPageLeft = 5;
constexpr int kRightMargin = 8;
constexpr int kButtonGap = 6;

// The buttons are narrow: their captions a little smaller than the normal text.
QFont TabFont() {
    QFont font = LocalFont("Normal");
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

}  // namespace

CDlgSet::CDlgSet(QWidget* parent) : CModulePage(kSection, "Title", parent) {
    setObjectName("DlgSet");
    SetPlaceholderEnabled(false);
    ok_ = new CSkinButtonEx(this);
    ok_->setObjectName("SetOK");
    ok_->SetImageSet("Btn");
    ok_->SetCaption("OK", kSection);
    cancel_ = new CSkinButtonEx(this);
    cancel_->setObjectName("SetCancel");
    cancel_->SetImageSet("Btn");
    cancel_->SetCaption("Cancel", kSection);
    connect(ok_, &QAbstractButton::clicked, this, &CDlgSet::OnOk);
    connect(cancel_, &QAbstractButton::clicked, this, &CDlgSet::OnCancel);
    SetChanged(false);
    Layout();
}

void CDlgSet::AddPage(int index, const char* button_key, CSettingsPage* page) {
    auto* tab = new CSkinButtonEx(this);
    tab->setObjectName(QString("SetTab%1").arg(index));
    tab->SetImageSet("Btn");
    tab->SetCaption(button_key, kSection);
    tab->SetFont(TabFont());
    page->setParent(this);
    page->hide();
    connect(tab, &QAbstractButton::clicked, this, [this, index] { ShowPage(index); });
    connect(page, &CSettingsPage::changed, this, [this] { SetChanged(true); });
    const auto at = std::find_if(pages_.begin(), pages_.end(),
                                 [index](const Entry& e) { return e.index > index; });
    pages_.insert(at, Entry{index, page, tab});
    if (current_ < 0)
        current_ = index;
    Layout();
}

CSettingsPage* CDlgSet::Page(int index) const {
    for (const Entry& entry : pages_) {
        if (entry.index == index)
            return entry.page;
    }
    return nullptr;
}

void CDlgSet::ShowPage(int index) {
    if (Page(index) == nullptr)
        return;
    current_ = index;
    Layout();
    update();
}

void CDlgSet::SetChanged(bool changed) {
    ok_->setEnabled(changed);
}

bool CDlgSet::OkEnabled() const {
    return ok_->isEnabled();
}

void CDlgSet::OnOk() {
    CSettingsPage* page = Page(current_);
    if (page != nullptr && !page->Apply())
        return;  // the page said why; the person can put it right or cancel
    SetChanged(false);
    CloseHolder(QDialog::Accepted);
}

void CDlgSet::OnCancel() {
    CloseHolder(QDialog::Rejected);
}

void CDlgSet::CloseHolder(int result) {
    QWidget* holder = window();
    if (holder == this)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(holder))
        dialog->done(result);
}

void CDlgSet::OnLanguageChanged() {
    for (const Entry& entry : pages_)
        entry.tab->SetFont(TabFont());
    CModulePage::OnLanguageChanged();
}

void CDlgSet::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Opening: every page shows the settings as they are now, the first page in front.
        for (const Entry& entry : pages_)
            entry.page->Reload();
        if (!pages_.empty())
            current_ = pages_.front().index;
        SetChanged(false);
        Layout();
    }
    CModulePage::showEvent(event);
}

int CDlgSet::TabX(int index) {
    const int slot = index <= kNetPage ? 0 : index - 1;
    return kTabLeft + kTabStep * slot;
}

void CDlgSet::Layout() {
    const QColor shown = Qt::white;
    const QColor other = SkinQColor(u"PanelTextColor", QColor(0xC4, 0xE0, 0xEC));
    const int page_top = kTabTop + kTabHeight - 1;
    for (const Entry& entry : pages_) {
        const bool front = entry.index == current_;
        entry.tab->setGeometry(TabX(entry.index), kTabTop, kTabWidth, kTabHeight);
        entry.tab->SetTextColor(front ? shown : other);
        entry.page->move(kPageLeft, page_top);
        entry.page->resize(width() - kPageLeft * 2, height() - page_top - 4);
        entry.page->setVisible(front);
    }
    const int top = kTabTop + (kTabHeight - cancel_->height()) / 2;
    cancel_->move(width() - kRightMargin - cancel_->width(), top);
    ok_->move(cancel_->x() - kButtonGap - ok_->width(), top);
}

void CDlgSet::ProbePage(std::function<bool()> present, std::function<void()> add) {
    // The answer comes from the card: ask on a thread of its own and add the page on the
    // window thread once it is known, so that the dialog never waits for the card.
    QPointer<CDlgSet> self = this;
    probes_.emplace_back([self, present = std::move(present), add = std::move(add)] {
        if (!present())
            return;
        QMetaObject::invokeMethod(
            self,
            [self, add] {
                if (self != nullptr)
                    add();
            },
            Qt::QueuedConnection);
    });
}

void CDlgSet::WaitForProbes() {
    for (std::thread& probe : probes_) {
        if (probe.joinable())
            probe.join();
    }
}

CDlgSet::~CDlgSet() {
    WaitForProbes();
}

void CDlgSet::paintEvent(QPaintEvent*) {
    // The page buttons carry their own pictures: a plain body with a line under the button row.
    QPainter painter(this);
    painter.fillRect(rect(), DialogBodyColor());
    const int page_top = kTabTop + kTabHeight - 1;
    painter.fillRect(QRect(0, page_top, width(), 1), DialogFrameColor());
}

}  // namespace dedevev

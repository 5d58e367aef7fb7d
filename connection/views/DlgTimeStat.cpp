#include "connection/views/DlgTimeStat.h"

#include <QDateEdit>
#include <QPointer>

#include "core/CDMATime.h"
#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgTimeStat";
constexpr int kWidth = 280;
constexpr int kHeight = 160;

QDate ToQDate(const DateTimeFields& time) {
    return QDate(time.year, time.month, time.day);
}

DateTimeFields Day(const QDate& date, int hour, int minute, int second) {
    return DateTimeFields{date.year(), date.month(), date.day(), hour, minute, second};
}

QDateEdit* AddDate(QWidget* parent, const char* name, const QRect& at) {
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat("yyyy-MM-dd");
    edit->setFont(LocalFont("Normal"));
    edit->setGeometry(at);
    return edit;
}

}  // namespace

CDlgTimeStat::CDlgTimeStat(const DateTimeFields& begin, const DateTimeFields& end, QWidget* parent)
    : CSkinnedDialog(parent) {
    setObjectName("DlgTimeStat");
    setFixedSize(kWidth, kHeight);
    SetEnterAccepts(true);
    captions_.AddLabel(this, "BeginTime", kSection, QRect(20, 44, 80, 24));
    begin_ = AddDate(this, "RangeBegin", QRect(104, 44, 150, 24));
    captions_.AddLabel(this, "EndTime", kSection, QRect(20, 78, 80, 24));
    end_ = AddDate(this, "RangeEnd", QRect(104, 78, 150, 24));
    SetRange(begin, end);

    AddOkCancel(this, kSection, "Range");
    setWindowTitle(Caption());
}

QString CDlgTimeStat::Caption() const {
    return LocalQText("Title", kSection);
}

DateTimeFields CDlgTimeStat::Begin() const {
    return Day(begin_->date(), 0, 0, 0);
}

DateTimeFields CDlgTimeStat::End() const {
    return Day(end_->date(), 23, 59, 59);
}

void CDlgTimeStat::SetRange(const DateTimeFields& begin, const DateTimeFields& end) {
    begin_->setDate(ToQDate(begin));
    end_->setDate(ToQDate(end));
}

void CDlgTimeStat::accept() {
    if (begin_->date() > end_->date()) {
        ShowMessage(LocalText("BegTimeNotmoreEndTime", kSection), LocalText("DEDEVev"),
                    kMbOk | kMbIconExclamation);
        return;
    }
    CSkinnedDialog::accept();
}

void CDlgTimeStat::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

std::optional<std::pair<DateTimeFields, DateTimeFields>> ChooseHistoryRange(QWidget* parent) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgTimeStat", LocalQText("Title", kSection)});
        return std::nullopt;
    }
    const DateTimeFields today = CdmaTime().Now();
    DateTimeFields month_start = today;
    month_start.day = 1;
    QPointer<CDlgTimeStat> dialog = new CDlgTimeStat(month_start, today, parent);
    std::optional<std::pair<DateTimeFields, DateTimeFields>> range;
    if (dialog->exec() == QDialog::Accepted && dialog != nullptr)
        range.emplace(dialog->Begin(), dialog->End());
    delete dialog.data();
    return range;
}

}  // namespace dedevev

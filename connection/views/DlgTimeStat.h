#pragma once
// The dialog that picks the date range of the history's range view.

#include <optional>
#include <utility>

#include "connection/views/FormRows.h"
#include "device/DateTimeFields.h"
#include "mainwindow/views/ModuleWindow.h"

class QDateEdit;

namespace dedevev {

class CDlgTimeStat : public CSkinnedDialog {
    Q_OBJECT
public:
    // The range starts as `begin` to `end`.
    CDlgTimeStat(const DateTimeFields& begin, const DateTimeFields& end, QWidget* parent = nullptr);

    QString Caption() const override;
    // The chosen days (begin at 00:00:00, end at 23:59:59).
    DateTimeFields Begin() const;
    DateTimeFields End() const;
    void SetRange(const DateTimeFields& begin, const DateTimeFields& end);

    // OK: refused with a message while the begin is later than the end.
    void accept() override;
    void OnLanguageChanged() override;

private:
    CCaptionList captions_;
    QDateEdit* begin_ = nullptr;
    QDateEdit* end_ = nullptr;
};

// Runs the dialog from the first day of this month to today (the program's clock); the chosen
// range, or nothing when cancelled. Unattended: logs "dialog\tDlgTimeStat\t<title>" and gives
// nothing.
std::optional<std::pair<DateTimeFields, DateTimeFields>> ChooseHistoryRange(QWidget* parent);

}  // namespace dedevev

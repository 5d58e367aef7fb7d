#pragma once
// A list of one call history (missed, accepted or dialed calls). The history tells of changes on
// the thread that made them (the call manager's, for new calls); the list's observer only posts
// them to the list's window thread, where they are applied row by row. The rows live in a table
// model, so a history of 10,000 calls costs no widget per row; a row's texts are made when it is
// shown. Names come from the number-to-name mapping and are redrawn once a burst of phonebook
// changes has settled.

#include <QAbstractTableModel>
#include <QTableView>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "voice/CallHistory.h"

namespace dedevev {

class CWindowMessageQueue;
class INameMapping;
class NameRedrawBatcher;
struct WindowMessage;

// The notices a list posts to itself.
constexpr unsigned kMsgCallAdded = 1125;    // wparam: index, lparam: the count at that moment
constexpr unsigned kMsgCallRemoved = 1126;  // wparam: index
constexpr unsigned kMsgCallsCleared = 1127;

// The rows of a call list: one copy of each record, its name looked up when first shown.
class CCallRecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName, kNumber, kTime, kDuration };

    CCallRecordModel(bool with_duration, INameMapping* mapping, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Every row anew.
    void Reset(std::vector<CallRecord> records);
    void Insert(int row, const CallRecord& record);
    void Remove(int row);
    // Null for a bad row.
    const CallRecord* At(int row) const;
    // The name a row shows: the record's own, else the phonebook's for its number.
    QString NameOf(int row) const;
    // Names are looked up again, headers and times written again.
    void Redraw();

private:
    bool with_duration_;
    INameMapping* mapping_;
    std::vector<CallRecord> records_;
    mutable std::unordered_map<std::u16string, QString> names_;
};

class CCallHistoryList : public QTableView {
public:
    // `with_duration`: the accepted and dialed lists show each call's talk time.
    CCallHistoryList(ICallHistory* history, bool with_duration, INameMapping* mapping,
                     QWidget* parent = nullptr);
    ~CCallHistoryList() override;

    ICallHistory* History() const { return history_; }
    CCallRecordModel* Model() const { return model_; }
    int Count() const { return model_->rowCount(); }
    // The selected rows, ascending.
    std::vector<int> SelectedRows() const;
    // The record of the single selected row; false when not exactly one row is selected.
    bool SelectedRecord(CallRecord* record, QString* name) const;
    // Removes the records of the selected rows from the history, from the highest index down.
    // Notices still queued are applied first, so each row still names the call it shows.
    void RemoveSelected();
    // Applies a notice (window thread).
    void HandleMessage(const WindowMessage& message);
    // Applies every notice queued so far (window thread).
    void ApplyQueued();
    // Reads every row from the history again.
    void Rebuild();
    // Headers, font and times after a language change.
    void Retranslate();

private:
    class CHistoryObserver;
    // The history index of the record shown at `row`, or -1 when it is gone.
    int HistoryIndexOf(int row) const;

    ICallHistory* history_;
    CCallRecordModel* model_;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CHistoryObserver> observer_;
    std::atomic<int> pending_{0};  // notices posted and not yet applied
    QTimer name_timer_;
    std::unique_ptr<NameRedrawBatcher> redraw_;  // after the timer: it goes first
};

}  // namespace dedevev

#pragma once
// The history view: a tree of views on the left (every connection, sums by month, the sum
// over a date range, and the call lists), the chosen view's list on the right, and the delete
// and clear buttons; in the call lists also call, message and save-number buttons for the one
// selected call. It owns the connection history: loaded when the view is made, written after
// every new session, every deletion and when the view goes. "Calls" itself shows the accepted
// calls; opening the missed calls marks them seen.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "connection/NetRecordStore.h"
#include "connection/NetRecorderObserver.h"
#include "mainwindow/views/ModuleWindow.h"
#include "voice/CallHistory.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace dedevev {

class CCallHistoryList;
class CSkinButtonEx;
class CWindowMessageQueue;
class INameMapping;

// What the history view reaches outside itself.
struct RecordEnvironment {
    // The history file (UTF-8 path).
    std::string history_file;
    // The date-range dialog: the chosen range, nothing when cancelled.
    std::function<std::optional<std::pair<DateTimeFields, DateTimeFields>>(QWidget* parent)>
        choose_range;
    // The call list of that kind (null: that list stays empty); asked when first shown.
    std::function<ICallHistory*(CallList)> call_history;
    // Names for the numbers of the call lists (null: the program's name lookup).
    INameMapping* mapping = nullptr;
    // Opens the write dialog to `number` (unset: the real write dialog over the page).
    std::function<void(QWidget* parent, const std::u16string& number)> write_message;
};

// The data folder's HistoryNet.dat, the program's call lists and the real range dialog.
RecordEnvironment DefaultRecordEnvironment();

class CDlgRecord : public CModulePage {
    Q_OBJECT
public:
    enum class View { kNetAll, kNetMonth, kNetTime, kVoice, kVoiceRecv, kVoiceDial, kVoiceMissed };

    explicit CDlgRecord(RecordEnvironment environment, QWidget* parent = nullptr);
    ~CDlgRecord() override;

    // The store the connection records its sessions in.
    NetRecordStore* Store() { return &store_; }

    View CurrentView() const { return view_; }
    // Shows `view`; the range view asks for its range first.
    void ShowView(View view);
    // Asks, then removes the selected sessions (all-sessions view) or calls (call views).
    void DeleteSelected();
    // Asks, then removes every session (connection views) or every call of the list shown.
    void ClearAll();
    // The selected call: dials it, writes to it, offers its number to the phonebook.
    void CallSelected();
    void MessageSelected();
    void SaveSelectedNumber();
    // Applies a store change message (window thread).
    void HandleMessage(const WindowMessage& message);

    QTreeWidget* List() const { return list_; }
    // The call list shown now, or null in the connection views.
    CCallHistoryList* CallListShown() const;

    void OnLanguageChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildTree();
    void SetColumns();
    void FillList();
    void InsertSessionRow(int index);
    // Writes the history now; failures are silent (the next write tries again).
    void SaveStore();
    bool IsConnectionView() const;
    // The list of a call view, made when first needed.
    CCallHistoryList* CallListOf(View view);
    void UpdateCallButtons();

    RecordEnvironment env_;
    NetRecordStore store_;
    std::unique_ptr<CWindowMessageQueue> queue_;
    std::unique_ptr<CNetRecorderObserver> observer_;
    View view_ = View::kNetAll;
    std::optional<std::pair<DateTimeFields, DateTimeFields>> range_;
    bool switching_ = false;
    QTreeWidget* tree_ = nullptr;
    QTreeWidget* list_ = nullptr;
    CSkinButtonEx* delete_ = nullptr;
    CSkinButtonEx* clear_ = nullptr;
    CSkinButtonEx* call_ = nullptr;
    CSkinButtonEx* sms_ = nullptr;
    CSkinButtonEx* save_number_ = nullptr;
    // The accepted, dialed and missed lists (in CallList order).
    CCallHistoryList* call_lists_[3] = {};
};

}  // namespace dedevev

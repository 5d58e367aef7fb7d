#include "voice/views/CallHistoryList.h"

#include <QHeaderView>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "connection/HistoryTexts.h"
#include "core/WindowMessage.h"
#include "phonebook/NameMapping.h"
#include "phonebook/NameRedrawBatcher.h"
#include "phonebook/views/PBList.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/WindowMessageQueue.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgRecord";

struct ColumnDef {
    const char* key;
    int width;
};

ColumnDef ColumnOf(int column, bool with_duration) {
    static constexpr ColumnDef kColumns[] = {
        {"name", 100}, {"Number", 100}, {"Time", 150}, {"Duration", 100}};
    ColumnDef def = kColumns[std::clamp(column, 0, 3)];
    if (column == CCallRecordModel::kTime && !with_duration)
        def.width = 160;
    return def;
}

}  // namespace

CCallRecordModel::CCallRecordModel(bool with_duration, INameMapping* mapping, QObject* parent)
    : QAbstractTableModel(parent), with_duration_(with_duration), mapping_(mapping) {}

int CCallRecordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int CCallRecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : (with_duration_ ? 4 : 3);
}

QVariant CCallRecordModel::data(const QModelIndex& index, int role) const {
    const CallRecord* record = At(index.row());
    if (role != Qt::DisplayRole || record == nullptr)
        return {};
    switch (index.column()) {
        case kName:
            return NameOf(index.row());
        case kNumber:
            return OneLine(record->number);
        case kTime:
            return ToQString(HistoryTimeText(record->start, u"Full"));
        case kDuration:
            return ToQString(
                DurationText(static_cast<std::uint32_t>(std::max(record->duration, 0))));
        default:
            return {};
    }
}

QVariant CCallRecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    return LocalQText(ColumnOf(section, with_duration_).key, kSection);
}

void CCallRecordModel::Reset(std::vector<CallRecord> records) {
    beginResetModel();
    records_ = std::move(records);
    names_.clear();
    endResetModel();
}

void CCallRecordModel::Insert(int row, const CallRecord& record) {
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    records_.insert(records_.begin() + row, record);
    endInsertRows();
}

void CCallRecordModel::Remove(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    records_.erase(records_.begin() + row);
    endRemoveRows();
}

const CallRecord* CCallRecordModel::At(int row) const {
    return row >= 0 && row < rowCount() ? &records_[static_cast<std::size_t>(row)] : nullptr;
}

QString CCallRecordModel::NameOf(int row) const {
    const CallRecord* record = At(row);
    if (record == nullptr)
        return {};
    if (!record->name.empty())
        return OneLine(record->name);
    if (mapping_ == nullptr || record->number.empty())
        return {};
    auto known = names_.find(record->number);
    if (known == names_.end()) {
        std::u16string name;
        std::u16string matched;
        mapping_->Lookup(name, record->number, matched);
        known = names_.emplace(record->number, OneLine(name)).first;
    }
    return known->second;
}

void CCallRecordModel::Redraw() {
    names_.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

// ---------------------------------------------------------------------------------------------

// Called on the thread that changed the history: only posts to the list's window thread.
class CCallHistoryList::CHistoryObserver final : public ICallHistoryObserver {
public:
    CHistoryObserver(CWindowMessageQueue* queue, std::atomic<int>* pending)
        : queue_(queue), pending_(pending) {}
    void OnAdded(ICallHistory* history, int index) override {
        Post(kMsgCallAdded, index, history->Count());
    }
    void OnRemoved(ICallHistory*, int index) override { Post(kMsgCallRemoved, index, 0); }
    void OnCleared(ICallHistory*) override { Post(kMsgCallsCleared, 0, 0); }
    void OnTalkTimeChanged(ICallHistory*) override {}

private:
    void Post(unsigned number, int index, int count) {
        ++*pending_;
        WindowMessage message;
        message.number = number;
        message.wparam = static_cast<std::uint64_t>(std::max(index, 0));
        message.lparam = count;
        queue_->Post(std::move(message));
    }
    CWindowMessageQueue* queue_;
    std::atomic<int>* pending_;
};

CCallHistoryList::CCallHistoryList(ICallHistory* history, bool with_duration, INameMapping* mapping,
                                   QWidget* parent)
    : QTableView(parent),
      history_(history),
      model_(new CCallRecordModel(with_duration, mapping, this)) {
    setModel(model_);
    SetUpPBTable(this);
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, ColumnOf(column, with_duration).width);
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    observer_ = std::make_unique<CHistoryObserver>(queue_.get(), &pending_);

    redraw_ = MakeNameRedrawBatcher(this, &name_timer_, mapping, [this] { model_->Redraw(); });

    if (history_ != nullptr)
        history_->AddObserver(observer_.get());
    Rebuild();
}

CCallHistoryList::~CCallHistoryList() {
    redraw_.reset();  // no more name notices
    // Once this returns no history notice comes any more; those queued are dropped.
    if (history_ != nullptr)
        history_->RemoveObserver(observer_.get());
    queue_->Shutdown();
}

std::vector<int> CCallHistoryList::SelectedRows() const {
    return SelectedRowsOf(*this);
}

bool CCallHistoryList::SelectedRecord(CallRecord* record, QString* name) const {
    const std::vector<int> rows = SelectedRows();
    const CallRecord* shown = rows.size() == 1 ? model_->At(rows.front()) : nullptr;
    if (shown == nullptr)
        return false;
    if (record != nullptr)
        *record = *shown;
    if (name != nullptr)
        *name = model_->NameOf(rows.front());
    return true;
}

namespace {

// The same call, whether or not it has been seen since the row was read.
bool SameCall(const CallRecord& a, const CallRecord& b) {
    return a.number == b.number && a.name == b.name && a.start == b.start &&
           a.duration == b.duration && a.reserved == b.reserved;
}

}  // namespace

int CCallHistoryList::HistoryIndexOf(int row) const {
    const CallRecord* shown = model_->At(row);
    if (shown == nullptr || history_ == nullptr)
        return -1;
    // Calls added in front since the rows were read push the record further down.
    const int count = history_->Count();
    const int guess = row + std::max(count - Count(), 0);
    CallRecord record;
    if (history_->Get(&record, guess) && SameCall(record, *shown))
        return guess;
    int best = -1;
    for (int index = 0; index < count; ++index) {
        if (history_->Get(&record, index) && SameCall(record, *shown) &&
            (best < 0 || std::abs(index - guess) < std::abs(best - guess)))
            best = index;
    }
    return best;
}

void CCallHistoryList::RemoveSelected() {
    if (history_ == nullptr)
        return;
    ApplyQueued();
    std::vector<int> rows = SelectedRows();
    std::sort(rows.rbegin(), rows.rend());
    history_->BeginUse();
    // From the highest row down: a removal never moves a record still to be removed.
    for (int row : rows) {
        const int index = HistoryIndexOf(row);
        if (index >= 0)
            history_->RemoveAt(index);
    }
    history_->EndUse();
    ApplyQueued();
}

void CCallHistoryList::HandleMessage(const WindowMessage& message) {
    const int index = static_cast<int>(message.wparam);
    bool lost = false;
    switch (message.number) {
        case kMsgCallAdded: {
            // Calls added after this one was told stand in front of it by now.
            const int posted = static_cast<int>(message.lparam);
            CallRecord record;
            if (history_ != nullptr && index <= Count() &&
                history_->Get(&record, history_->Count() - (posted - index)))
                model_->Insert(index, record);
            else
                lost = true;
            break;
        }
        case kMsgCallRemoved:
            if (index < Count())
                model_->Remove(index);
            else
                lost = true;
            break;
        case kMsgCallsCleared:
            model_->Reset({});
            break;
        default:
            return;
    }
    // Once every notice is in, the rows must match the history; when a notice could not be
    // placed (the list was changed meanwhile from this side too) they are read anew.
    if (--pending_ == 0 && history_ != nullptr && (lost || Count() != history_->Count()))
        Rebuild();
}

void CCallHistoryList::ApplyQueued() {
    queue_->Drain();
}

void CCallHistoryList::Rebuild() {
    std::vector<CallRecord> records;
    if (history_ != nullptr) {
        history_->BeginUse();
        const int count = history_->Count();
        records.reserve(static_cast<std::size_t>(std::max(count, 0)));
        CallRecord record;
        for (int index = 0; index < count && history_->Get(&record, index); ++index)
            records.push_back(record);
        history_->EndUse();
    }
    model_->Reset(std::move(records));
}

void CCallHistoryList::Retranslate() {
    setFont(LocalFont("Normal"));
    model_->Redraw();
}

}  // namespace dedevev

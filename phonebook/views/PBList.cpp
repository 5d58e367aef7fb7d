#include "phonebook/views/PBList.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <utility>

#include "phonebook/NameRedrawBatcher.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr int kRowHeight = 20;
// How often a refresh held back by the read gate looks again.
constexpr std::chrono::milliseconds kGateRetry{100};

}  // namespace

QString OneLine(std::u16string_view text) {
    return OneLine(ToQString(text));
}

QString OneLine(QString line) {
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

const std::u16string& FirstNumber(const PCContact& c) {
    if (!c.mobile.empty())
        return c.mobile;
    return !c.home.empty() ? c.home : c.office;
}

std::vector<int> SelectedRowsOf(const QAbstractItemView& view) {
    std::set<int> rows;
    if (view.selectionModel() != nullptr) {
        for (const QModelIndex& index : view.selectionModel()->selectedRows())
            rows.insert(index.row());
    }
    return {rows.begin(), rows.end()};
}

std::unique_ptr<NameRedrawBatcher> MakeNameRedrawBatcher(QObject* view, QTimer* timer,
                                                         INameMapping* mapping,
                                                         std::function<void()> redraw) {
    NameRedrawBatcher::Hooks hooks;
    hooks.restart_timer = [view, timer] {
        QMetaObject::invokeMethod(
            view, [timer] { timer->start(); }, Qt::QueuedConnection);
    };
    hooks.stop_timer = [timer] { timer->stop(); };
    hooks.redraw = std::move(redraw);
    auto batcher = std::make_unique<NameRedrawBatcher>(mapping, std::move(hooks));
    timer->setInterval(std::chrono::milliseconds(1000));
    QObject::connect(timer, &QTimer::timeout, view, [one = batcher.get()] { one->OnTick(); });
    return batcher;
}

void SetUpPBTable(QTableView* view) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->setFont(LocalFont("Normal"));
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// ---------------------------------------------------------------------------------------------
// CPBTableModel

CPBTableModel::CPBTableModel(std::vector<PBColumn> columns, Reader reader, QObject* parent,
                             const char* section)
    : QAbstractTableModel(parent),
      columns_(std::move(columns)),
      section_(section),
      reader_(std::move(reader)) {}

int CPBTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CPBTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant CPBTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    if (role != Qt::DecorationRole && role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const Row& row = Completed(index.row());
    if (role == Qt::DecorationRole)
        return decorator_ ? decorator_(row, index.column()) : QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const auto column = static_cast<std::size_t>(index.column());
        if (column >= row.size())
            return {};
        if (role == Qt::DisplayRole)
            return row[column];
        // A tooltip is read as rich text when it looks like markup: it is always made rich
        // text here, with the contact's text escaped, so that it shows as it is.
        return QStringLiteral("<p>%1</p>").arg(row[column].toHtmlEscaped());
    }
    return {};
}

QVariant CPBTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(columns_.size()))
        return {};
    return LocalQText(columns_[static_cast<std::size_t>(section)].key, section_);
}

CPBTableModel::Row CPBTableModel::RowAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return {};
    return Completed(row);
}

const CPBTableModel::Row& CPBTableModel::Completed(int row) const {
    const auto at = static_cast<std::size_t>(row);
    if (!complete_[at]) {
        complete_[at] = true;
        completer_(row, rows_[at]);
    }
    return rows_[at];
}

void CPBTableModel::Refresh() {
    pending_.store(false);
    std::vector<Row> rows = reader_ ? reader_() : std::vector<Row>{};
    if (rows.size() == rows_.size()) {
        rows_ = std::move(rows);
        complete_.assign(rows_.size(), !completer_);
        if (!rows_.empty())
            emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1,
                                                static_cast<int>(columns_.size()) - 1));
    } else {
        beginResetModel();
        rows_ = std::move(rows);
        complete_.assign(rows_.size(), !completer_);
        endResetModel();
    }
    emit refreshed();
}

void CPBTableModel::RequestRefresh() {
    if (pending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { RefreshWhenReadable(); }, Qt::QueuedConnection);
}

void CPBTableModel::RefreshWhenReadable() {
    if (gate_ && !gate_()) {
        QTimer::singleShot(kGateRetry, this, [this] { RefreshWhenReadable(); });
        return;
    }
    Refresh();
}

void CPBTableModel::RetranslateHeaders() {
    if (!columns_.empty())
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns_.size()) - 1);
}

// ---------------------------------------------------------------------------------------------
// CPBListBase

template <typename T>
CPBListBase<T>::CPBListBase(T* phonebook, std::vector<PBColumn> columns, QWidget* parent)
    : QTableView(parent) {
    model_ = new CPBTableModel(
        std::move(columns),
        [this] {
            return phonebook_ != nullptr ? ReadRows(*phonebook_)
                                         : std::vector<CPBTableModel::Row>{};
        },
        this);
    setModel(model_);
    SetUpPBTable(this);
    SetColumnWidths();
    SetPhonebook(phonebook);
}

template <typename T>
CPBListBase<T>::~CPBListBase() {
    // Once this returns no notice comes any more; a refresh still queued goes with the model.
    if (phonebook_ != nullptr)
        phonebook_->RemoveObserver(this);
}

template <typename T>
void CPBListBase<T>::SetPhonebook(T* phonebook) {
    if (phonebook != phonebook_) {
        if (phonebook_ != nullptr)
            phonebook_->RemoveObserver(this);
        phonebook_ = phonebook;
        if (phonebook_ != nullptr)
            phonebook_->AddObserver(this);
    }
    model_->Refresh();
}

template <typename T>
std::vector<int> CPBListBase<T>::SelectedRows() const {
    return SelectedRowsOf(*this);
}

template <typename T>
int CPBListBase<T>::CurrentRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

template <typename T>
void CPBListBase<T>::SetColumnWidths() {
    const std::vector<PBColumn>& columns = model_->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), columns[i].width);
}

template <>
std::vector<CPBTableModel::Row> CPBListBase<CPhonebookPC>::ReadRows(CPhonebookPC& phonebook) {
    // The copy job may add while the rows are read: the count and the reads go together.
    std::lock_guard lock(phonebook.Lock());
    const int count = phonebook.GetCount();
    std::vector<CPBTableModel::Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const PCContact& c = phonebook.GetAt(i);
        rows.push_back({OneLine(c.name), OneLine(c.mobile), OneLine(c.home), OneLine(c.office),
                        OneLine(c.email), OneLine(c.remark)});
    }
    return rows;
}

template <>
std::vector<CPBTableModel::Row> CPBListBase<IPhonebook>::ReadRows(IPhonebook& phonebook) {
    const int count = phonebook.GetCount();
    std::vector<CPBTableModel::Row> rows;
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const CardContact contact = phonebook.GetAt(i);  // a copy: the library may change it
        rows.push_back({OneLine(QString::fromStdString(contact.name).toStdU16String()),
                        OneLine(QString::fromStdString(contact.number).toStdU16String())});
    }
    return rows;
}

template class CPBListBase<CPhonebookPC>;
template class CPBListBase<IPhonebook>;

// ---------------------------------------------------------------------------------------------

CPCPBList::CPCPBList(CPhonebookPC* phonebook, QWidget* parent)
    : CPBListBase<CPhonebookPC>(phonebook,
                                {{"Name", 120},
                                 {"Mobile", 110},
                                 {"Home", 100},
                                 {"Office", 100},
                                 {"Email", 130},
                                 {"Remark", 120}},
                                parent) {}

CEmbedPBList::CEmbedPBList(IPhonebook* phonebook, QWidget* parent)
    : CPBListBase<IPhonebook>(phonebook, {{"Name", 100}, {"Mobile", 200}}, parent) {
    // A card book hands out references to entries that a job behind the progress window may
    // be erasing on its thread: its rows are read once no job runs.
    Model()->SetReadGate(NoProgressJobRunning);
}

}  // namespace dedevev

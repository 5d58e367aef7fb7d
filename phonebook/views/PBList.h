#pragma once
// The phonebook lists. Each list follows its phonebook as an observer. Notices may come on
// any thread (the copy job adds to the PC phonebook from its own thread, the card library
// tells of changes on its threads), so a notice only asks for a refresh, which runs on the
// window thread and reads the rows from the phonebook again. The rows live in a table model,
// so a book of many thousand contacts costs no widget per row. Every text is shown as it is
// (plain text).

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

class QTimer;

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/IPhonebook.h"
#include "phonebook/PhonebookPC.h"

namespace dedevev {

// A column: its header key (in the model's language section) and width in pixels.
struct PBColumn {
    const char* key;
    int width;
};

// A table of plain-text rows read from a store. A row may carry values past its columns;
// they are never shown, but a decorator may read them. With a completer, the reader may hand
// out rows that are only placeholders: each is completed when it is first looked at (shown,
// or asked for by RowAt), so a long list costs only the rows that are seen.
class CPBTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::vector<QString>;
    using Reader = std::function<std::vector<Row>()>;
    // The picture of a cell (Qt::DecorationRole), or nothing.
    using Decorator = std::function<QVariant(const Row& row, int column)>;
    // Fills the cells of row `row` of the last read (window thread).
    using Completer = std::function<void(int row, Row& cells)>;

    // `section`: the language section of the column headers.
    CPBTableModel(std::vector<PBColumn> columns, Reader reader, QObject* parent = nullptr,
                  const char* section = "DlgPB");

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<PBColumn>& Columns() const { return columns_; }
    // The row as last read (empty for a bad row).
    Row RowAt(int row) const;
    // Reads the rows now (window thread). Rows that only changed keep the selection.
    void Refresh();
    // Any thread: a refresh on the window thread soon; requests that come before it runs
    // share it.
    void RequestRefresh();
    // The headers in the current language.
    void RetranslateHeaders();
    // While `gate` says no, a requested refresh waits (the rows' source is being changed by a
    // job on another thread and cannot be read safely meanwhile).
    void SetReadGate(std::function<bool()> gate) { gate_ = std::move(gate); }
    void SetDecorator(Decorator decorator) { decorator_ = std::move(decorator); }
    // Set before the first read.
    void SetCompleter(Completer completer) { completer_ = std::move(completer); }

signals:
    void refreshed();

private:
    std::vector<PBColumn> columns_;
    void RefreshWhenReadable();
    // The row, completed first when it is not yet (`row` must be valid).
    const Row& Completed(int row) const;

    const char* section_;
    Reader reader_;
    Decorator decorator_;
    Completer completer_;
    std::function<bool()> gate_;
    mutable std::vector<Row> rows_;
    mutable std::vector<bool> complete_;
    std::atomic<bool> pending_{false};
};

// A list of one phonebook of type T (CPhonebookPC or IPhonebook).
template <typename T>
class CPBListBase : public QTableView, public T::ObserverType {
public:
    CPBListBase(T* phonebook, std::vector<PBColumn> columns, QWidget* parent);
    ~CPBListBase() override;

    T* Phonebook() const { return phonebook_; }
    // Follows another phonebook (or none), and shows its rows.
    void SetPhonebook(T* phonebook);
    CPBTableModel* Model() const { return model_; }
    int Count() const { return model_->rowCount(); }
    // The selected rows, ascending.
    std::vector<int> SelectedRows() const;
    // The first selected row, or -1.
    int CurrentRow() const;
    void SetColumnWidths();

    void OnAdded(T*, int) override { model_->RequestRefresh(); }
    void OnRemoved(T*, int) override { model_->RequestRefresh(); }
    void OnChanged(T*, int) override { model_->RequestRefresh(); }
    void OnCleared(T*) override { model_->RequestRefresh(); }

    // The rows of `phonebook` as the list shows them.
    static std::vector<CPBTableModel::Row> ReadRows(T& phonebook);

private:
    T* phonebook_ = nullptr;
    CPBTableModel* model_ = nullptr;
};

// The PC phonebook: name, mobile, home, office, e-mail, remark.
class CPCPBList : public CPBListBase<CPhonebookPC> {
public:
    explicit CPCPBList(CPhonebookPC* phonebook, QWidget* parent = nullptr);
};

// A card phonebook: name and number.
class CEmbedPBList : public CPBListBase<IPhonebook> {
public:
    explicit CEmbedPBList(IPhonebook* phonebook, QWidget* parent = nullptr);
};

// The look every phonebook list shares (also the search results and the picker).
void SetUpPBTable(QTableView* view);

// The number a PC contact is reached at: its mobile, else its home, else its office number.
const std::u16string& FirstNumber(const PCContact& contact);

// The selected rows of `view`, ascending.
std::vector<int> SelectedRowsOf(const QAbstractItemView& view);

class INameMapping;
class NameRedrawBatcher;

// Batches the name redraws of `view`: `timer` (a member of the view, made before the batcher
// and destroyed after it) ticks once a second on the view's thread, and `redraw` runs there
// once a burst of phonebook changes has settled.
std::unique_ptr<NameRedrawBatcher> MakeNameRedrawBatcher(QObject* view, QTimer* timer,
                                                         INameMapping* mapping,
                                                         std::function<void()> redraw);

// One line of a text that may hold line breaks.
QString OneLine(std::u16string_view text);
QString OneLine(QString text);

template <>
std::vector<CPBTableModel::Row> CPBListBase<CPhonebookPC>::ReadRows(CPhonebookPC& phonebook);
template <>
std::vector<CPBTableModel::Row> CPBListBase<IPhonebook>::ReadRows(IPhonebook& phonebook);

extern template class CPBListBase<CPhonebookPC>;
extern template class CPBListBase<IPhonebook>;

}  // namespace dedevev

#include "sms/views/SMSList.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMetaObject>

#include <chrono>
#include <set>
#include <utility>

#include "core/GlobalService.h"
#include "phonebook/NameMapping.h"
#include "resources/DateFormat.h"
#include "resources/Localizer.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr std::chrono::milliseconds kNameTick{1000};

}  // namespace

CPBTableModel::Row SmsRow(const SMSMessage& message, const QString& name,
                          const std::u16string& time_format) {
    const std::optional<std::u16string> time = FormatDateTime(message.time, time_format);
    const QString text = QString::fromStdString(message.text);
    return {QString(),
            OneLine(name),
            OneLine(QString::fromStdString(message.number)),
            time ? ToQString(*time) : QString(),
            OneLine(text),
            QString::number(message.status),
            text};
}

std::vector<CPBTableModel::Row> ReadSmsRows(IMessageBoxBase& box, INameMapping* mapping,
                                            ILocalizer* localizer) {
    std::vector<SMSMessage> messages;
    {
        MessageBoxLock lock(&box);
        const int count = box.GetCount();
        messages.reserve(static_cast<std::size_t>(std::max(count, 0)));
        for (int i = 0; i < count; ++i)
            messages.push_back(box.GetAt(i));
    }
    const std::u16string format =
        localizer != nullptr ? localizer->GetTimeFormat(u"Full") : kDefaultTimeFormat;
    std::vector<CPBTableModel::Row> rows;
    rows.reserve(messages.size());
    std::u16string name;
    std::u16string matched;
    for (const SMSMessage& message : messages) {
        name.clear();
        if (mapping != nullptr && !message.number.empty())
            mapping->Lookup(name, QString::fromStdString(message.number).toStdU16String(), matched);
        rows.push_back(SmsRow(message, ToQString(name), format));
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------

CSMSList::CSMSList(IMessageBoxBase* box, INameMapping* mapping, const char16_t* read_icon,
                   const char16_t* other_icon, QWidget* parent)
    : QTableView(parent), mapping_(mapping), read_icon_(read_icon), other_icon_(other_icon) {
    model_ = new CPBTableModel(
        {{"Flag", 60}, {"Name", 60}, {"Number", 80}, {"Time", 150}, {"Content", 200}},
        [this] {
            return box_ != nullptr
                       ? ReadSmsRows(*box_, mapping_, CGlobalService::Instance().Localizer())
                       : std::vector<CPBTableModel::Row>{};
        },
        this, "DlgSMS");
    // A job behind the progress window may be changing a box on its thread (a card box hands
    // out references to records it may be erasing): the rows are read once no job runs.
    model_->SetReadGate([] {
        CThreadProgress* worker = CDlgProgress::CurrentWorker();
        return worker == nullptr || !worker->IsRunning();
    });
    model_->SetDecorator([this](const CPBTableModel::Row& row, int column) -> QVariant {
        if (column != kSmsFlag || row.size() <= kSmsStatus)
            return {};
        return row[kSmsStatus] == QLatin1String("1") ? read_pixmap_ : other_pixmap_;
    });
    setModel(model_);
    SetUpPBTable(this);
    const std::vector<PBColumn>& columns = model_->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), columns[i].width);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    LoadIcons();

    name_timer_.setInterval(kNameTick);
    connect(&name_timer_, &QTimer::timeout, this, [this] { names_->OnTick(); });
    NameRedrawBatcher::Hooks hooks;
    hooks.restart_timer = [this] {
        QMetaObject::invokeMethod(
            this, [this] { name_timer_.start(); }, Qt::QueuedConnection);
    };
    hooks.stop_timer = [this] { name_timer_.stop(); };
    hooks.redraw = [this] { model_->Refresh(); };
    names_ = std::make_unique<NameRedrawBatcher>(mapping_, std::move(hooks));
    SetBox(box);
}

CSMSList::~CSMSList() {
    names_.reset();  // no more name notices
    // Once this returns no box notice comes any more; a refresh still queued goes with the model.
    if (box_ != nullptr)
        box_->RemoveObserver(this);
}

void CSMSList::SetBox(IMessageBoxBase* box) {
    if (box != box_) {
        if (box_ != nullptr)
            box_->RemoveObserver(this);
        box_ = box;
        if (box_ != nullptr)
            box_->AddObserver(this);
    }
    model_->Refresh();
}

std::vector<int> CSMSList::SelectedRows() const {
    std::set<int> rows;
    if (selectionModel() != nullptr) {
        for (const QModelIndex& index : selectionModel()->selectedRows())
            rows.insert(index.row());
    }
    return {rows.begin(), rows.end()};
}

void CSMSList::SelectOnly(int row) {
    clearSelection();
    if (row >= 0 && row < Count())
        selectRow(row);
}

std::u16string CSMSList::NumberAt(int row) const {
    const CPBTableModel::Row cells = model_->RowAt(row);
    return cells.size() > kSmsNumber ? FromQString(cells[kSmsNumber]) : std::u16string();
}

std::u16string CSMSList::TextAt(int row) const {
    const CPBTableModel::Row cells = model_->RowAt(row);
    return cells.size() > kSmsText ? FromQString(cells[kSmsText]) : std::u16string();
}

int CSMSList::StatusAt(int row) const {
    const CPBTableModel::Row cells = model_->RowAt(row);
    return cells.size() > kSmsStatus ? cells[kSmsStatus].toInt() : -1;
}

void CSMSList::LoadIcons() {
    read_pixmap_ = SkinIconPixmap(read_icon_, QStyle::SP_DialogApplyButton);
    other_pixmap_ = SkinIconPixmap(other_icon_, QStyle::SP_FileIcon);
}

void CSMSList::Retranslate() {
    setFont(LocalFont("Normal"));
    LoadIcons();
    model_->RetranslateHeaders();
    model_->Refresh();  // the time format may have changed with the language
}

CInboxList::CInboxList(IMessageBoxBase* box, INameMapping* mapping, QWidget* parent)
    : CSMSList(box, mapping, u"SmsRead", u"SmsUnread", parent) {}

COutboxList::COutboxList(IMessageBoxBase* box, INameMapping* mapping, QWidget* parent)
    : CSMSList(box, mapping, u"SmsOut", u"SmsOut", parent) {}

}  // namespace dedevev

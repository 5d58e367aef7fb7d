#include "sms/views/SMSList.h"

#include <QHeaderView>

#include <utility>

#include "core/GlobalService.h"
#include "phonebook/NameMapping.h"
#include "resources/DateFormat.h"
#include "resources/Localizer.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

QString LineOf(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ? OneLine(text)
                                                                                : text;
}

}  // namespace

CPBTableModel::Row SmsRow(const SMSMessage& message, const QString& name,
                          const std::u16string& time_format) {
    static const QString kStatuses[] = {QStringLiteral("0"), QStringLiteral("1"),
                                        QStringLiteral("2"), QStringLiteral("3")};
    const std::optional<std::u16string> time = FormatDateTime(message.time, time_format);
    const QString text = QString::fromStdString(message.text);
    const bool usual = message.status >= 0 && message.status <= 3;
    return {QString(),
            LineOf(name),
            LineOf(QString::fromStdString(message.number)),
            time ? ToQString(*time) : QString(),
            LineOf(text),
            usual ? kStatuses[message.status] : QString::number(message.status),
            text};
}

QString CSmsNames::NameOf(const std::string& number) {
    if (mapping_ == nullptr || number.empty())
        return {};
    auto known = names_.find(number);
    if (known == names_.end()) {
        name_.clear();
        mapping_->Lookup(name_, QString::fromStdString(number).toStdU16String(), matched_);
        known = names_.emplace(number, ToQString(name_)).first;
    }
    return known->second;
}

// ---------------------------------------------------------------------------------------------

CSMSList::CSMSList(IMessageBoxBase* box, INameMapping* mapping, const char16_t* read_icon,
                   const char16_t* other_icon, QWidget* parent)
    : QTableView(parent), mapping_(mapping), read_icon_(read_icon), other_icon_(other_icon) {
    // The messages are copied as they are now; the rows are made as they are shown.
    model_ = new CPBTableModel(
        {{"Flag", 60}, {"Name", 60}, {"Number", 80}, {"Time", 150}, {"Content", 200}},
        [this] {
            messages_.clear();
            if (box_ != nullptr) {
                MessageBoxLock lock(box_);
                const int count = box_->GetCount();
                messages_.reserve(static_cast<std::size_t>(std::max(count, 0)));
                for (int i = 0; i < count; ++i)
                    messages_.push_back(box_->GetAt(i));
            }
            names_ = CSmsNames(mapping_);  // names may have changed: looked up again
            ILocalizer* localizer = CGlobalService::Instance().Localizer();
            time_format_ =
                localizer != nullptr ? localizer->GetTimeFormat(u"Full") : kDefaultTimeFormat;
            return std::vector<CPBTableModel::Row>(messages_.size());
        },
        this, "DlgSMS");
    model_->SetCompleter([this](int row, CPBTableModel::Row& cells) {
        const SMSMessage& message = messages_[static_cast<std::size_t>(row)];
        cells = SmsRow(message, names_.NameOf(message.number), time_format_);
    });
    // A job behind the progress window may be changing a box on its thread (a card box hands
    // out references to records it may be erasing): the rows are read once no job runs.
    model_->SetReadGate(NoProgressJobRunning);
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

    redraw_ = MakeNameRedrawBatcher(this, &name_timer_, mapping_, [this] { model_->Refresh(); });
    SetBox(box);
}

CSMSList::~CSMSList() {
    redraw_.reset();  // no more name notices
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
    // While a job behind the progress window changes a box, its rows are read afterwards.
    if (NoProgressJobRunning())
        model_->Refresh();
    else
        model_->RequestRefresh();
}

std::vector<int> CSMSList::SelectedRows() const {
    return SelectedRowsOf(*this);
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

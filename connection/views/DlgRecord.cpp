#include "connection/views/DlgRecord.h"

#include <QHeaderView>
#include <QPainter>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

#include "connection/HistoryTexts.h"
#include "connection/views/DlgTimeStat.h"
#include "connection/views/FormRows.h"
#include "core/AppSettings.h"
#include "core/ExportRegistry.h"
#include "core/GlobalService.h"
#include "core/MessageBox.h"
#include "core/Paths.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/WindowMessageQueue.h"
#include "sms/views/DlgWriteSMS.h"
#include "voice/views/CallHistoryList.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgRecord";
constexpr int kViewRole = Qt::UserRole;
constexpr QRect kTreeRect(10, 40, 170, 318);
constexpr QRect kListRect(188, 40, 521, 284);
constexpr QRect kTabRect(8, 4, 110, 28);  // the tab the page background draws
constexpr int kButtonGap = 6;

struct Column {
    const char* key;
    int width;
};

std::vector<Column> ColumnsOf(CDlgRecord::View view) {
    using View = CDlgRecord::View;
    switch (view) {
        case View::kNetAll:
            return {{"BegTime", 160}, {"DurationTime", 120}, {"Flux", 120}};
        case View::kNetMonth:
            return {{"Month", 160}, {"DurationTime", 120}, {"Flux", 120}};
        case View::kNetTime:
            return {{"DurationTime", 120}, {"Flux", 120}};
        default:
            return {};  // the call lists have their own columns
    }
}

// The call list a call view shows ("Calls" itself: the accepted calls).
std::optional<CallList> CallListFor(CDlgRecord::View view) {
    switch (view) {
        case CDlgRecord::View::kVoice:
        case CDlgRecord::View::kVoiceRecv:
            return CallList::kAccepted;
        case CDlgRecord::View::kVoiceDial:
            return CallList::kDialed;
        case CDlgRecord::View::kVoiceMissed:
            return CallList::kMissed;
        default:
            return std::nullopt;
    }
}

QTreeWidgetItem* SessionItem(const SessionStats& session, std::u16string_view format) {
    return new QTreeWidgetItem(QStringList{ToQString(HistoryTimeText(session.start, format)),
                                           ToQString(DurationText(session.duration)),
                                           ToQString(FluxText(session.Flux()))});
}

std::u16string Caption() {
    return LocalText("DEDEVev");
}

}  // namespace

RecordEnvironment DefaultRecordEnvironment() {
    RecordEnvironment env;
    env.history_file = NativePath(DataFolder() + u"HistoryNet.dat");
    env.choose_range = ChooseHistoryRange;
    env.call_history = [](CallList list) { return &CallHistories::Instance().Get(list); };
    return env;
}

CDlgRecord::CDlgRecord(RecordEnvironment environment, QWidget* parent)
    : CModulePage(kSection, "Title", parent), env_(std::move(environment)) {
    setObjectName("DlgRecord");
    SetPlaceholderEnabled(false);
    if (env_.mapping == nullptr)
        env_.mapping = CGlobalService::Instance().NameMapping();
    store_.Load(env_.history_file);
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    observer_ = std::make_unique<CNetRecorderObserver>(queue_.get());
    store_.AddObserver(observer_.get());

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("RecordTree");
    tree_->setHeaderHidden(true);
    tree_->setGeometry(kTreeRect);
    list_ = new QTreeWidget(this);
    list_->setObjectName("RecordList");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAlternatingRowColors(true);
    list_->setGeometry(kListRect);

    clear_ = AddButton(this, "RecordClear", "BtnClear", kSection);
    delete_ = AddButton(this, "RecordDelete", "BtnDelete", kSection);
    const int top = kListRect.bottom() + 10;
    clear_->move(kListRect.right() + 1 - clear_->width(), top);
    delete_->move(clear_->x() - kButtonGap - delete_->width(), top);
    connect(delete_, &QAbstractButton::clicked, this, &CDlgRecord::DeleteSelected);
    connect(clear_, &QAbstractButton::clicked, this, &CDlgRecord::ClearAll);
    call_ = AddButton(this, "RecordCall", "BtnCall", kSection);
    sms_ = AddButton(this, "RecordSMS", "BtnSMS", kSection);
    save_number_ = AddButton(this, "RecordSaveNum", "BtnSaveNum", kSection);
    call_->move(kListRect.left(), top);
    sms_->move(call_->x() + call_->width() + kButtonGap, top);
    save_number_->move(sms_->x() + sms_->width() + kButtonGap, top);
    connect(call_, &QAbstractButton::clicked, this, &CDlgRecord::CallSelected);
    connect(sms_, &QAbstractButton::clicked, this, &CDlgRecord::MessageSelected);
    connect(save_number_, &QAbstractButton::clicked, this, &CDlgRecord::SaveSelectedNumber);

    BuildTree();
    // A view is chosen once the click that chose it is over (the range view opens a dialog);
    // a double click on the range view asks for another range.
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item == nullptr || switching_)
            return;
        const auto view = static_cast<View>(item->data(0, kViewRole).toInt());
        QTimer::singleShot(0, this, [this, view] { ShowView(view); });
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (static_cast<View>(item->data(0, kViewRole).toInt()) == View::kNetTime)
            ShowView(View::kNetTime);
    });
    OnLanguageChanged();
    ShowView(View::kNetAll);
}

CDlgRecord::~CDlgRecord() {
    store_.RemoveObserver(observer_.get());
    queue_->Shutdown();
    SaveStore();
}

void CDlgRecord::BuildTree() {
    struct Node {
        View view;
        View parent;
    };
    static constexpr Node kNodes[] = {
        {View::kNetAll, View::kNetAll},     {View::kNetMonth, View::kNetAll},
        {View::kNetTime, View::kNetAll},    {View::kVoice, View::kVoice},
        {View::kVoiceRecv, View::kVoice},   {View::kVoiceDial, View::kVoice},
        {View::kVoiceMissed, View::kVoice},
    };
    QTreeWidgetItem* top = nullptr;
    for (const Node& node : kNodes) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, kViewRole, static_cast<int>(node.view));
        if (node.view == node.parent) {
            tree_->addTopLevelItem(item);
            top = item;
        } else {
            top->addChild(item);
        }
    }
    tree_->expandAll();
}

bool CDlgRecord::IsConnectionView() const {
    return view_ == View::kNetAll || view_ == View::kNetMonth || view_ == View::kNetTime;
}

void CDlgRecord::ShowView(View view) {
    if (view == View::kNetTime)
        range_ = env_.choose_range ? env_.choose_range(this) : std::nullopt;
    view_ = view;
    CCallHistoryList* calls = CallListOf(view);
    // Missed calls count as seen once their list has been opened.
    if (view == View::kVoiceMissed && calls != nullptr && calls->History() != nullptr)
        calls->History()->MarkAllSeen();
    list_->setVisible(calls == nullptr);
    for (CCallHistoryList* list : call_lists_) {
        if (list != nullptr)
            list->setVisible(list == calls);
    }
    // Keep the tree's choice in step when the view is chosen from elsewhere.
    switching_ = true;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kViewRole).toInt() == static_cast<int>(view))
            tree_->setCurrentItem(*it);
    }
    switching_ = false;
    SetColumns();
    FillList();
    delete_->setEnabled(view == View::kNetAll || calls != nullptr);
    clear_->setEnabled(IsConnectionView() || calls != nullptr);
    for (CSkinButtonEx* button : {call_, sms_, save_number_})
        button->setVisible(calls != nullptr);
    UpdateCallButtons();
}

CCallHistoryList* CDlgRecord::CallListOf(View view) {
    const std::optional<CallList> which = CallListFor(view);
    if (!which)
        return nullptr;
    CCallHistoryList*& list = call_lists_[static_cast<int>(*which)];
    if (list == nullptr) {
        ICallHistory* history = env_.call_history ? env_.call_history(*which) : nullptr;
        list = new CCallHistoryList(history, *which != CallList::kMissed, env_.mapping, this);
        list->setObjectName(*which == CallList::kMissed   ? "CallMissedList"
                            : *which == CallList::kDialed ? "CallDialedList"
                                                          : "CallAcceptList");
        list->setGeometry(kListRect);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { UpdateCallButtons(); });
        connect(list->model(), &QAbstractItemModel::modelReset, this,
                [this] { UpdateCallButtons(); });
        connect(list->model(), &QAbstractItemModel::rowsRemoved, this,
                [this] { UpdateCallButtons(); });
    }
    return list;
}

CCallHistoryList* CDlgRecord::CallListShown() const {
    const std::optional<CallList> which = CallListFor(view_);
    return which ? call_lists_[static_cast<int>(*which)] : nullptr;
}

void CDlgRecord::UpdateCallButtons() {
    CCallHistoryList* calls = CallListShown();
    CallRecord record;
    const bool one =
        calls != nullptr && calls->SelectedRecord(&record, nullptr) && !record.number.empty();
    // Calls go to the voice window when it is there; numbers to the phonebook when it is.
    call_->setEnabled(one && Exports().VoiceExport() != nullptr);
    sms_->setEnabled(one);
    save_number_->setEnabled(one && Exports().PhonebookExport() != nullptr);
}

void CDlgRecord::SetColumns() {
    const std::vector<Column> columns = ColumnsOf(view_);
    QStringList labels;
    for (const Column& column : columns)
        labels << LocalQText(column.key, kSection);
    list_->setColumnCount(static_cast<int>(columns.size()));
    list_->setHeaderLabels(labels);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list_->setColumnWidth(static_cast<int>(i), columns[i].width);
}

void CDlgRecord::FillList() {
    list_->clear();
    QList<QTreeWidgetItem*> items;
    switch (view_) {
        case View::kNetAll:
            for (const SessionStats& session : store_.Snapshot())
                items << SessionItem(session, u"Full");
            break;
        case View::kNetMonth:
            for (const SessionStats& month : store_.SumByMonth())
                items << SessionItem(month, u"YearMonth");
            break;
        case View::kNetTime:
            if (range_) {
                const SessionStats sum = store_.SumRange(range_->first, range_->second);
                items << new QTreeWidgetItem(QStringList{ToQString(DurationText(sum.duration)),
                                                         ToQString(FluxText(sum.Flux()))});
            }
            break;
        default:
            break;  // the call lists come with the call history
    }
    list_->addTopLevelItems(items);
}

void CDlgRecord::InsertSessionRow(int index) {
    SessionStats session;
    if (store_.At(static_cast<std::size_t>(index), &session))
        list_->insertTopLevelItem(index, SessionItem(session, u"Full"));
}

void CDlgRecord::HandleMessage(const WindowMessage& message) {
    const int index = static_cast<int>(message.wparam);
    const bool all = view_ == View::kNetAll;
    switch (message.number) {
        case kMsgRecordAdded:
            // Two sessions added before this message came would show the newest twice:
            // then the list is made anew.
            if (all && list_->topLevelItemCount() + 1 == static_cast<int>(store_.Count()))
                InsertSessionRow(index);
            else if (IsConnectionView())
                FillList();
            SaveStore();  // a finished session is on disk at once
            break;
        case kMsgRecordRemoved:
            if (all && index < list_->topLevelItemCount())
                delete list_->takeTopLevelItem(index);
            else if (IsConnectionView() && !all)
                FillList();
            break;
        case kMsgRecordsCleared:
            if (IsConnectionView())
                FillList();
            break;
        default:
            break;
    }
}

void CDlgRecord::DeleteSelected() {
    if (CCallHistoryList* calls = CallListShown()) {
        if (calls->SelectedRows().empty() ||
            ShowMessage(LocalText("Delete", "CallHistory"), Caption(),
                        kMbYesNo | kMbIconQuestion) != kMsgFirst)
            return;
        calls->RemoveSelected();
        return;
    }
    if (view_ != View::kNetAll)
        return;
    std::vector<int> rows;
    for (QTreeWidgetItem* item : list_->selectedItems())
        rows.push_back(list_->indexOfTopLevelItem(item));
    if (rows.empty())
        return;
    if (ShowMessage(LocalText("Delete", "CallHistory"), Caption(), kMbYesNo | kMbIconQuestion) !=
        kMsgFirst)
        return;
    // From the highest index down, so that each index still names the row it was chosen as.
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows)
        store_.RemoveAt(static_cast<std::size_t>(row));
    SaveStore();
}

void CDlgRecord::ClearAll() {
    if (CCallHistoryList* calls = CallListShown()) {
        if (calls->History() == nullptr || ShowMessage(LocalText("Clear", "CallHistory"), Caption(),
                                                       kMbYesNo | kMbIconQuestion) != kMsgFirst)
            return;
        calls->History()->Clear();
        calls->ApplyQueued();
        return;
    }
    if (!IsConnectionView())
        return;
    if (ShowMessage(LocalText("Clear", "CallHistory"), Caption(), kMbYesNo | kMbIconQuestion) !=
        kMsgFirst)
        return;
    store_.Clear();
    SaveStore();
}

void CDlgRecord::CallSelected() {
    CCallHistoryList* calls = CallListShown();
    CallRecord record;
    QString name;
    IVoiceExport* voice = Exports().VoiceExport();
    if (voice != nullptr && calls != nullptr && calls->SelectedRecord(&record, &name) &&
        !record.number.empty())
        voice->DialNumber(record.number, FromQString(name));
}

void CDlgRecord::MessageSelected() {
    CCallHistoryList* calls = CallListShown();
    CallRecord record;
    if (calls == nullptr || !calls->SelectedRecord(&record, nullptr) || record.number.empty())
        return;
    if (env_.write_message)
        env_.write_message(this, record.number);
    else
        OpenWriteSMS(this, record.number, std::u16string());
}

void CDlgRecord::SaveSelectedNumber() {
    CCallHistoryList* calls = CallListShown();
    CallRecord record;
    IPhonebookExport* phonebook = Exports().PhonebookExport();
    if (phonebook != nullptr && calls != nullptr && calls->SelectedRecord(&record, nullptr) &&
        !record.number.empty())
        phonebook->AddNumber(record.number);
}

void CDlgRecord::SaveStore() {
    if (!env_.history_file.empty())
        store_.Save(env_.history_file);
}

void CDlgRecord::OnLanguageChanged() {
    const QFont font = LocalFont("Normal");
    tree_->setFont(font);
    list_->setFont(font);
    static constexpr const char* kKeys[] = {"NetAll",    "NetMonth",  "NetTime",    "Voice",
                                            "VoiceRecv", "VoiceDial", "VoiceMissed"};
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        (*it)->setText(0, LocalQText(kKeys[(*it)->data(0, kViewRole).toInt()], kSection));
    for (CCallHistoryList* calls : call_lists_) {
        if (calls != nullptr)
            calls->Retranslate();
    }
    SetColumns();
    FillList();
    CModulePage::OnLanguageChanged();
}

void CDlgRecord::paintEvent(QPaintEvent* event) {
    CModulePage::paintEvent(event);
    QPainter painter(this);
    painter.setFont(LocalFont("Title"));
    painter.setPen(DialogFrameColor());
    painter.drawText(kTabRect, Qt::AlignCenter | Qt::TextSingleLine, Title());
}

}  // namespace dedevev

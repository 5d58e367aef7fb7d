#include "sms/views/DlgSMS.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <utility>

#include "connection/views/FormRows.h"
#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "core/SoundPlayer.h"
#include "resources/Localizer.h"
#include "resources/views/DlgMessageBox.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/PopupWnd.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "resources/views/WindowMessageQueue.h"
#include "sms/SMSTransfer.h"
#include "sms/SMSWorkers.h"
#include "sms/views/DlgWriteSMS.h"
#include "sms/views/SMSList.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSMS";
constexpr int kMargin = 8;
// The page background's one tab, which names the folder on display: 110 x 28 from (8, 4).
constexpr QRect kTabRect(8, 4, 110, 28);
constexpr int kTop = 38;
constexpr int kTreeWidth = 130;
constexpr int kListHeight = 170;
constexpr int kGap = 6;
constexpr int kButtonRow = 36;
constexpr int kCaptionPadding = 14;

// The pop-up's click: the UIM inbox comes up. It lives as long as the process, since the
// notice may outlive the page; the page is reached through the export, which is unbound
// once the page is gone.
class CPopSmsWndAction final : public CPopupWnd::IClickAction {
public:
    void Set(int a, int b) {
        a_.store(a);
        b_.store(b);
    }
    void OnPopupClick(bool) override {
        CPopupWnd::Instance().Close();
        if (ISMSExport* sms = Exports().SmsExport())
            sms->ShowUimInbox(a_.load(), b_.load());
    }

private:
    std::atomic<int> a_{0};
    std::atomic<int> b_{0};
};

CPopSmsWndAction& PopupAction() {
    static CPopSmsWndAction action;
    return action;
}

void ShowSmsPopup(const SmsPopup& popup) {
    PopupAction().Set(0, popup.storage_flag);
    CPopupWnd::Instance().Show(ToQString(popup.title), ToQString(popup.body), &PopupAction());
}

std::vector<int> AllRows(int count) {
    std::vector<int> rows(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

// The pane shows line breaks of any kind as lines.
QString PaneText(const std::u16string& text) {
    QString pane = ToQString(text);
    pane.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    pane.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return pane;
}

}  // namespace

MessageViewEnvironment DefaultMessageViewEnvironment() {
    MessageViewEnvironment env;
    env.pc_box = [](SMSBoxRegistry::PCBox which) -> IMessageBoxBase* {
        return SMSBoxRegistry::Instance().box(which);
    };
    env.card_box = [](int which) -> IMessageBox* {
        SMSBoxRegistry& registry = SMSBoxRegistry::Instance();
        switch (which) {
            case 1:
                return registry.CardBox1();
            case 2:
                return registry.CardBox2();
            case 4:
                return registry.CardBox4();
            default:
                return nullptr;
        }
    };
    env.write = OpenWriteSMS;
    env.play_sound = [] { SoundPlayer::Instance().PlayNewMessage(); };
    env.show_popup = ShowSmsPopup;
    return env;
}

std::u16string ContentPaneText(ILocalizer* localizer, const std::u16string& text) {
    return SmsText(localizer, u"SMSContent") + u"\r\n" + text;
}

int RowAfterDelete(int first_deleted, int count) {
    return first_deleted < count ? first_deleted : count - 1;
}

CDlgSMS::CDlgSMS(MessageViewEnvironment environment, QWidget* parent)
    : CModulePage(kSection, "Title", parent), env_(std::move(environment)) {
    setObjectName("DlgSMS");
    SetPlaceholderEnabled(false);
    if (env_.mapping == nullptr)
        env_.mapping = NameMapping();
    queue_ = std::make_unique<CWindowMessageQueue>(
        this, [this](const WindowMessage& message) { HandleMessage(message); });
    events_ = std::make_unique<CSMSEventHandler>(queue_.get());

    folder_name_ = new CTransparentStatic(QString(), this);
    folder_name_->setObjectName("SMSFolderName");
    folder_name_->setAlignment(Qt::AlignCenter);
    folder_name_->setGeometry(kTabRect);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("SMSFolderTree");
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    root_ = new QTreeWidgetItem(tree_);
    root_->setData(0, Qt::UserRole, kPCInbox);
    const char* names[kFolderCount] = {"PCInboxList", "CardInboxList", "UimInboxList",
                                       "SentList",    "UnsentList",    "DraftList"};
    for (int i = 0; i < kFolderCount; ++i) {
        const auto folder = static_cast<Folder>(i);
        CSMSList* list = nullptr;
        if (folder <= kUimInbox)
            list = new CInboxList(nullptr, env_.mapping, this);
        else
            list = new COutboxList(nullptr, env_.mapping, this);
        list->setObjectName(names[i]);
        list->SetBox(BoxOf(folder));
        lists_[static_cast<std::size_t>(i)] = list;
        connect(list->Model(), &CPBTableModel::refreshed, this, [this, list] {
            UpdateTexts();
            if (list == Shown() && !list->SelectedRows().empty())
                OnRowSelected();
        });
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list] {
            if (list == Shown())
                OnRowSelected();
        });
        if (IsCardFolder(folder)) {
            list->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(list, &QWidget::customContextMenuRequested, this, &CDlgSMS::ShowCardMenu);
        }
        if (folder == kCardInbox)
            continue;  // no folder leads to the modem's own memory
        auto* item = new QTreeWidgetItem(folder <= kUimInbox ? root_ : nullptr);
        if (folder > kUimInbox)
            tree_->addTopLevelItem(item);
        item->setData(0, Qt::UserRole, i);
        items_[static_cast<std::size_t>(i)] = item;
    }
    root_->setExpanded(true);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr)
            ShowFolder(static_cast<Folder>(item->data(0, Qt::UserRole).toInt()));
    });

    content_ = new QPlainTextEdit(this);
    content_->setObjectName("SMSContentPane");
    content_->setReadOnly(true);

    struct ButtonSpec {
        const char* name;
        const char* key;
        void (CDlgSMS::*action)();
    };
    const ButtonSpec buttons[] = {
        {"SMSWrite", "BtnWriteSMS", &CDlgSMS::WriteMessage},
        {"SMSDelete", "BtnDelete", &CDlgSMS::DeleteSelected},
        {"SMSReply", "BtnRevert", &CDlgSMS::Reply},
        {"SMSForward", "BtnTransvert", &CDlgSMS::Forward},
        {"SMSClear", "BtnClear", &CDlgSMS::ClearAll},
        {"SMSCall", "BtnCall", &CDlgSMS::CallNumber},
        {"SMSSaveNum", "BtnSaveNum", &CDlgSMS::SaveNumber},
    };
    for (const ButtonSpec& row : buttons) {
        CSkinButtonEx* button = AddButton(this, row.name, row.key, kSection);
        connect(button, &QAbstractButton::clicked, this, row.action);
        if (row.action == &CDlgSMS::CallNumber)
            call_ = button;
        buttons_.push_back(button);
    }
    UpdateCallButton();

    FollowCard();
    if (env_.bind_export)
        Exports().BindSms(this);
    OnLanguageChanged();
    tree_->setCurrentItem(items_[kPCInbox]);
    ShowFolder(kPCInbox);
}

CDlgSMS::~CDlgSMS() {
    if (env_.bind_export)
        Exports().BindSms(nullptr);
    for (int which : {1, 2}) {
        if (IMessageBox* box = Card(which))
            box->SetEventHandler(nullptr);
    }
    // Events that come still are dropped; the handler goes before the queue.
    queue_->Shutdown();
}

IMessageTarget* CDlgSMS::MessageTarget() {
    return queue_.get();
}

IMessageBoxBase* CDlgSMS::BoxOf(Folder folder) const {
    switch (folder) {
        case kCardInbox:
            return Card(1);
        case kUimInbox:
            return Card(2);
        case kSent:
            return env_.pc_box ? env_.pc_box(SMSBoxRegistry::kSent) : nullptr;
        case kUnsent:
            return env_.pc_box ? env_.pc_box(SMSBoxRegistry::kUnsent) : nullptr;
        case kDrafts:
            return env_.pc_box ? env_.pc_box(SMSBoxRegistry::kDrafts) : nullptr;
        default:
            return env_.pc_box ? env_.pc_box(SMSBoxRegistry::kInbox) : nullptr;
    }
}

IMessageBox* CDlgSMS::Card(int which) const {
    return env_.card_box ? env_.card_box(which) : nullptr;
}

void CDlgSMS::FollowCard() {
    for (Folder folder : {kCardInbox, kUimInbox}) {
        IMessageBox* box = Card(folder == kCardInbox ? 1 : 2);
        lists_[folder]->SetBox(box);
        if (box == nullptr)
            continue;
        box->SetEventHandler(events_.get());
        // The next full notice warns again once the storage has room.
        const int capacity = box->GetCapacity();
        if (arrivals_ != nullptr && (capacity == 0 || box->GetCount() < capacity))
            arrivals_->OnStorageHasRoom(folder == kUimInbox ? 0 : 1);
    }
}

void CDlgSMS::ShowFolder(Folder folder) {
    folder_ = folder;
    if (IsCardFolder(folder)) {
        FollowCard();
        IMessageBox* box = Card(folder == kCardInbox ? 1 : 2);
        if (box != nullptr &&
            LoadCardBox(*box, Localizer(), Runner(), [] { QApplication::beep(); }))
            lists_[folder]->Model()->Refresh();
    }
    QTreeWidgetItem* current = tree_->currentItem();
    if (items_[folder] != nullptr &&
        (current == nullptr || current->data(0, Qt::UserRole).toInt() != folder))
        tree_->setCurrentItem(items_[folder]);
    for (int i = 0; i < kFolderCount; ++i)
        lists_[static_cast<std::size_t>(i)]->setVisible(i == folder);
    UpdateTexts();
}

ProgressRunner CDlgSMS::Runner() {
    return ProgressRunnerOver(this);
}

int CDlgSMS::SingleSelectedRow() const {
    const std::vector<int> rows = Shown()->SelectedRows();
    return rows.size() == 1 ? rows.front() : -1;
}

void CDlgSMS::WriteMessage() {
    if (env_.write)
        env_.write(this, u"", u"");
}

void CDlgSMS::Reply() {
    const int row = SingleSelectedRow();
    if (row >= 0 && env_.write)
        env_.write(this, Shown()->NumberAt(row), u"");
}

void CDlgSMS::Forward() {
    const int row = SingleSelectedRow();
    if (row >= 0 && env_.write)
        env_.write(this, u"", Shown()->TextAt(row));
}

void CDlgSMS::SaveNumber() {
    const int row = SingleSelectedRow();
    if (row < 0)
        return;
    if (IPhonebookExport* phonebook = Exports().PhonebookExport())
        phonebook->AddNumber(Shown()->NumberAt(row));
}

void CDlgSMS::CallNumber() {
    const int row = SingleSelectedRow();
    IVoiceExport* voice = Exports().VoiceExport();
    if (row >= 0 && voice != nullptr)
        voice->DialNumber(Shown()->NumberAt(row), u"");
}

void CDlgSMS::UpdateCallButton() {
    // Calls go to the voice page when it is there.
    call_->setEnabled(Exports().VoiceExport() != nullptr);
}

void CDlgSMS::showEvent(QShowEvent* event) {
    UpdateCallButton();
    CModulePage::showEvent(event);
}

void CDlgSMS::DeleteSelected() {
    const std::vector<int> rows = Shown()->SelectedRows();
    if (rows.empty())
        return;
    if (!ConfirmDeleteSelected(kSection))
        return;
    DeleteRows(rows);
}

void CDlgSMS::ClearAll() {
    const int count = Shown()->Count();
    if (count == 0)
        return;
    if (!ConfirmClearAll(kSection))
        return;
    DeleteRows(AllRows(count));
}

void CDlgSMS::DeleteRows(std::vector<int> rows) {
    const int first = rows.front();
    CSMSList* list = Shown();
    if (IsCardFolder(folder_)) {
        FollowCard();  // the card may have been replaced since
        IMessageBox* box = Card(folder_ == kCardInbox ? 1 : 2);
        if (box == nullptr)
            return;
        DeleteCardMessages(*box, std::move(rows), Localizer(), Runner());
    } else if (IMessageBoxBase* box = list->Box()) {
        DeletePCMessages(*box, std::move(rows));
    }
    list->Model()->Refresh();
    list->SelectOnly(RowAfterDelete(first, list->Count()));
}

void CDlgSMS::CopyToPC(bool all, bool move) {
    if (!IsCardFolder(folder_))
        return;
    FollowCard();
    IMessageBox* card = Card(folder_ == kCardInbox ? 1 : 2);
    IMessageBoxBase* inbox = BoxOf(kPCInbox);
    if (card == nullptr || inbox == nullptr)
        return;
    std::vector<int> rows = all ? AllRows(Shown()->Count()) : Shown()->SelectedRows();
    if (rows.empty())
        return;
    CopyCardMessages(*inbox, *card, std::move(rows), move, Localizer(), Runner());
    Shown()->Model()->Refresh();
    lists_[kPCInbox]->Model()->Refresh();
}

void CDlgSMS::ShowCardMenu(const QPoint& at) {
    CSMSList* list = Shown();
    if (!IsCardFolder(folder_) || list->Box() == nullptr)
        return;
    QMenu menu(this);
    menu.setObjectName("SMSCardMenu");
    struct Item {
        const char* key;
        bool all;
        bool move;
    };
    for (const Item& item : {Item{"MenuCopy", false, false}, Item{"MenuCopyAll", true, false},
                             Item{"MenuMove", false, true}, Item{"MenuMoveAll", true, true}}) {
        QAction* action = menu.addAction(LocalQText(item.key, kSection));
        action->setEnabled(item.all ? list->Count() > 0 : !list->SelectedRows().empty());
        connect(action, &QAction::triggered, this, [this, item] { CopyToPC(item.all, item.move); });
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

void CDlgSMS::OnRowSelected() {
    CSMSList* list = Shown();
    const std::vector<int> rows = list->SelectedRows();
    if (rows.empty())
        return;  // the pane keeps the last message
    const QModelIndex current = list->currentIndex();
    const int row = current.isValid() && list->selectionModel()->isRowSelected(current.row())
                        ? current.row()
                        : rows.front();
    content_text_ = list->TextAt(row);
    ShowContent();
    if (IsCardFolder(folder_) && list->StatusAt(row) != kSmsRead) {
        IMessageBox* box = Card(folder_ == kCardInbox ? 1 : 2);
        if (box != nullptr && box == list->Box()) {
            MessageBoxLock lock(box);
            box->SetStatus(row, kSmsRead);
        }
    }
}

void CDlgSMS::ShowContent() {
    content_->setPlainText(PaneText(ContentPaneText(Localizer(), content_text_)));
}

void CDlgSMS::RefreshAll() {
    FollowCard();
    for (CSMSList* list : lists_)
        list->Model()->RequestRefresh();
}

void CDlgSMS::HandleMessage(const WindowMessage& message) {
    switch (message.number) {
        case kMsgSmsNew:
            arrivals_->OnNewMessage(static_cast<int>(message.wparam),
                                    static_cast<int>(message.lparam));
            break;
        case kMsgSmsStorageFull:
            arrivals_->OnStorageFull(static_cast<int>(message.lparam));
            break;
        case kMsgSmsCardNotice:
            arrivals_->OnCardNotice();
            break;
        default:
            break;
    }
}

int CDlgSMS::GetUnreadCount() {
    return UnreadMessageCount(BoxOf(kPCInbox), Card(1), Card(2));
}

int CDlgSMS::GetBox4UnreadCount() {
    IMessageBox* box = Card(4);
    return box != nullptr ? box->GetUnreadCount() : 0;
}

bool CDlgSMS::IsCardFull() {
    return IsCardStorageFull(Card(1));
}

void CDlgSMS::ShowUimInbox(int, int) {
    ShowFolder(kUimInbox);
    if (env_.show_page)
        env_.show_page();
}

void CDlgSMS::UpdateTexts() {
    root_->setText(0, LocalQText("TabInbox", kSection));
    const char* tab_keys[kFolderCount] = {"TabInbox",  "TabInbox",   "TabInbox",
                                          "TabOutbox", "NotSendbox", "TabDraftBox"};
    folder_name_->setText(LocalQText(tab_keys[folder_], kSection));
    const char* keys[kFolderCount] = {"PC",        nullptr,      "Uim",
                                      "TabOutbox", "NotSendbox", "TabDraftBox"};
    for (int i = 0; i < kFolderCount; ++i) {
        if (items_[static_cast<std::size_t>(i)] != nullptr)
            items_[static_cast<std::size_t>(i)]->setText(
                0, LocalQText(keys[i], kSection) +
                       QStringLiteral("(%1)").arg(lists_[static_cast<std::size_t>(i)]->Count()));
    }
}

void CDlgSMS::Layout() {
    const int bottom = height() - kButtonRow - kMargin;
    tree_->setGeometry(kMargin, kTop, kTreeWidth, bottom - kTop);
    const int left = kMargin + kTreeWidth + kGap;
    const QRect list_rect(left, kTop, width() - left - kMargin, kListHeight);
    for (CSMSList* list : lists_)
        list->setGeometry(list_rect);
    content_->setGeometry(left, list_rect.bottom() + 1 + kGap, list_rect.width(),
                          bottom - list_rect.bottom() - 1 - kGap);
    // A caption longer than the button picture widens the button; the picture is stretched.
    int x = left;
    for (CSkinButtonEx* button : buttons_) {
        const QSize natural = button->sizeHint();
        const int text = QFontMetrics(LocalFont("Button")).horizontalAdvance(button->text());
        button->SetStretch(text + kCaptionPadding > natural.width());
        button->resize(std::max(natural.width(), text + kCaptionPadding), natural.height());
        button->move(x, bottom + kGap + (kButtonRow - kGap - natural.height()) / 2);
        x += button->width() + kGap;
    }
}

void CDlgSMS::OnLanguageChanged() {
    // The pop-up and warnings take the texts of the language now in use.
    SmsArrivalsEnvironment arrivals;
    arrivals.card_box1 = [this] { return Card(1); };
    arrivals.card_box2 = [this] { return Card(2); };
    arrivals.mapping = env_.mapping;
    arrivals.localizer = Localizer();
    arrivals.play_sound = env_.play_sound;
    arrivals.show_popup = env_.show_popup;
    arrivals.warn = [](const std::u16string& text, const std::u16string& caption) {
        ShowMessage(text, caption, kMbIconInformation);
    };
    arrivals.refresh = [this] { RefreshAll(); };
    arrivals_ = std::make_unique<CSmsArrivals>(std::move(arrivals));

    const QFont font = LocalFont("Normal");
    tree_->setFont(font);
    content_->setFont(font);
    folder_name_->setFont(LocalFont("Navigation"));
    folder_name_->SetTextColor(DialogFrameColor());
    for (CSMSList* list : lists_)
        list->Retranslate();
    UpdateTexts();
    ShowContent();
    Layout();
    // The buttons take their new captions (and sizes) in their own handlers, which may come
    // after this page's.
    QMetaObject::invokeMethod(
        this, [this] { Layout(); }, Qt::QueuedConnection);
    CModulePage::OnLanguageChanged();
}

void CDlgSMS::OnSkinChanged() {
    CModulePage::OnSkinChanged();
    for (CSMSList* list : lists_)
        list->Retranslate();
    QMetaObject::invokeMethod(
        this, [this] { Layout(); }, Qt::QueuedConnection);
}

}  // namespace dedevev

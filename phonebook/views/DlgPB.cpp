#include "phonebook/views/DlgPB.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <utility>

#include "connection/views/FormRows.h"
#include "core/AppSettings.h"
#include "core/ExportRegistry.h"
#include "core/GlobalService.h"
#include "core/MessageBox.h"
#include "device/DeviceHolder.h"
#include "device/IDeviceControl.h"
#include "device/IModemAgent.h"
#include "phonebook/PhonebookRegistry.h"
#include "phonebook/PhonebookTransfer.h"
#include "phonebook/views/DlgNewPB.h"
#include "phonebook/views/PBList.h"
#include "resources/views/DlgMessageBox.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "sms/views/DlgWriteSMS.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgPB";
// The tabs drawn by "PageBkg5_<shown>": 110 x 28 from (8, 4), 114 pixels apart.
constexpr int kTabLeft = 8;
constexpr int kTabTop = 4;
constexpr int kTabStep = 114;
constexpr int kTabWidth = 110;
constexpr int kTabHeight = 28;
constexpr int kMargin = 8;
constexpr int kToolTop = 38;
constexpr int kListTop = 66;
constexpr int kGap = 6;
constexpr int kCaptionPadding = 14;

PhonebookKind KindOf(CDlgPB::Page page) {
    switch (page) {
        case CDlgPB::kModemPage:
            return PhonebookKind::kModem;
        case CDlgPB::kUimPage:
            return PhonebookKind::kUim;
        case CDlgPB::kEmergencyPage:
            return PhonebookKind::kEmergency;
        default:
            return PhonebookKind::kPC;
    }
}

bool IsCardPage(CDlgPB::Page page) {
    return page == CDlgPB::kModemPage || page == CDlgPB::kUimPage || page == CDlgPB::kEmergencyPage;
}

std::u16string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return QString::fromStdString(text).toStdU16String();
}

IDeviceControl* DeviceControl() {
    IModemAgent* agent = Devices().ModemAgent();
    return agent != nullptr ? agent->GetDeviceControl() : nullptr;
}

}  // namespace

PhonebookViewEnvironment DefaultPhonebookViewEnvironment() {
    PhonebookViewEnvironment env;
    env.pc = &PhonebookRegistry::Instance().PCPhonebook();
    env.card = [](PhonebookKind kind) -> IPhonebook* {
        PhonebookRegistry& registry = PhonebookRegistry::Instance();
        switch (kind) {
            case PhonebookKind::kModem:
                return registry.ModemPhonebook();
            case PhonebookKind::kUim:
                return registry.UimPhonebook();
            case PhonebookKind::kEmergency:
                return registry.EmergencyPhonebook();
            default:
                return nullptr;
        }
    };
    env.card_status = []() -> std::string {
        IDeviceControl* control = DeviceControl();
        if (control == nullptr)
            return {};
        int status = kStatusUntouched;
        std::string state = control->GetCardStatus(&status);
        return status == kStatusOk ? state : std::string();
    };
    env.choose_file = ChooseVCardFile;
    return env;
}

CDlgPB::CDlgPB(PhonebookViewEnvironment environment, QWidget* parent)
    : CModulePage(kSection, "Title", parent), env_(std::move(environment)) {
    setObjectName("DlgPB");
    SetPlaceholderEnabled(false);

    for (int i = 0; i < kPageCount; ++i) {
        auto* tab = new CSkinButtonEx(this);
        tab->setObjectName(QString("PBTab%1").arg(i));
        tab->SetImages(QString(), QString(), QString(), QString());
        tab->setGeometry(kTabLeft + kTabStep * i, kTabTop, kTabWidth, kTabHeight);
        connect(tab, &QAbstractButton::clicked, this,
                [this, i] { ShowPage(static_cast<Page>(i)); });
        tabs_[static_cast<std::size_t>(i)] = tab;
    }

    pc_list_ = new CPCPBList(env_.pc, this);
    pc_list_->setObjectName("PCPBList");
    const char* names[] = {"ModemPBList", "UimPBList", "EmergencyPBList"};
    for (int i = 0; i < 3; ++i) {
        const auto page = static_cast<Page>(kModemPage + i);
        auto* list = new CEmbedPBList(Card(page), this);
        list->setObjectName(names[i]);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, &CDlgPB::ShowCardMenu);
        card_lists_[static_cast<std::size_t>(i)] = list;
    }
    results_ = new CPBTableModel(
        {{"Name", 160}, {"Mobile", 200}},
        [this] {
            std::vector<CPBTableModel::Row> rows;
            for (const auto& [name, number] : hit_rows_)
                rows.push_back({OneLine(name), OneLine(number)});
            return rows;
        },
        this);
    results_view_ = new QTableView(this);
    results_view_->setObjectName("SearchResultList");
    results_view_->setModel(results_);
    SetUpPBTable(results_view_);
    results_view_->setColumnWidth(0, 160);
    for (QTableView* list :
         {static_cast<QTableView*>(pc_list_), results_view_,
          static_cast<QTableView*>(card_lists_[0]), static_cast<QTableView*>(card_lists_[1]),
          static_cast<QTableView*>(card_lists_[2])}) {
        connect(list->model(), &QAbstractItemModel::modelReset, this, &CDlgPB::UpdateTexts);
        connect(list->model(), &QAbstractItemModel::rowsInserted, this, &CDlgPB::UpdateTexts);
        connect(list, &QAbstractItemView::doubleClicked, this, &CDlgPB::EditContact);
    }

    search_text_ = new CGenEdit(this);
    search_text_->setObjectName("PBSearchText");
    search_text_->setMaxLength(kPCNameMax);
    connect(search_text_, &QLineEdit::returnPressed, this, &CDlgPB::BeginSearch);
    count_ = new CTransparentStatic(QString(), this);
    count_->setObjectName("PBNum");
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    struct ButtonSpec {
        CSkinButtonEx** button;
        const char* name;
        const char* key;
        void (CDlgPB::*action)();
    };
    const ButtonSpec buttons[] = {
        {&new_, "PBNew", "BtnNew", &CDlgPB::NewContact},
        {&edit_, "PBEdit", "BtnEdit", &CDlgPB::EditContact},
        {&delete_, "PBDelete", "BtnDelete", &CDlgPB::DeleteSelected},
        {&clear_, "PBClear", "BtnClear", &CDlgPB::ClearAll},
        {&call_, "PBCall", "BtnCall", &CDlgPB::CallSelected},
        {&sms_, "PBSMS", "BtnSMS", &CDlgPB::MessageSelected},
        {&search_, "PBSearch", "BtnSearch", &CDlgPB::ToggleSearch},
        {&begin_search_, "PBBegSearch", "BtnBegSearch", &CDlgPB::BeginSearch},
        {&import_, "PBImport", "BtnImport", &CDlgPB::ImportFile},
        {&export_, "PBExport", "BtnExport", &CDlgPB::ExportFile},
    };
    for (const ButtonSpec& row : buttons) {
        *row.button = AddButton(this, row.name, row.key, kSection);
        if (row.action != nullptr)
            connect(*row.button, &QAbstractButton::clicked, this, row.action);
    }
    search_text_->hide();
    begin_search_->hide();

    if (env_.bind_export)
        Exports().BindPhonebook(this);
    OnLanguageChanged();
    ShowPage(kPCPage);
}

CDlgPB::~CDlgPB() {
    if (env_.bind_export)
        Exports().BindPhonebook(nullptr);
}

IPhonebook* CDlgPB::Card(Page page) const {
    return IsCardPage(page) && env_.card ? env_.card(KindOf(page)) : nullptr;
}

CEmbedPBList* CDlgPB::CardList(Page page) const {
    return IsCardPage(page) ? card_lists_[static_cast<std::size_t>(page - kModemPage)] : nullptr;
}

QTableView* CDlgPB::ListOf(Page page) const {
    if (page == kPCPage)
        return pc_list_;
    if (page == kResultPage)
        return results_view_;
    return CardList(page);
}

PCEntryDialog CDlgPB::PCDialog() {
    return env_.pc_dialog ? env_.pc_dialog : PCEntryDialogOver(this);
}

CardEntryDialog CDlgPB::CardDialog() {
    return env_.card_dialog ? env_.card_dialog : CardEntryDialogOver(this);
}

void CDlgPB::ShowPage(Page page) {
    page_ = page;
    if (CEmbedPBList* list = CardList(page)) {
        list->SetPhonebook(Card(page));  // the card may have been replaced since
        LoadCard(page, true);
    }
    Layout();
    UpdateTexts();
    update();
}

void CDlgPB::LoadCard(Page page, bool tell) {
    IPhonebook* book = Card(page);
    const std::u16string not_ready = !tell || page == kEmergencyPage ? u""
                                     : page == kModemPage            ? u"ModemPhonebookNotReady"
                                                                     : u"USIMPhonebookNotReady";
    if (book == nullptr) {
        if (!not_ready.empty())
            ShowMessage(LocalText(not_ready, u"DlgPB"));
        return;
    }
    // The UIM book is read only from a card that is past its PIN.
    if (page == kUimPage && !book->IsLoaded() &&
        Upper(env_.card_status ? env_.card_status() : std::string()) != u"READY") {
        if (!not_ready.empty())
            ShowMessage(LocalText(not_ready, u"DlgPB"));
        return;
    }
    if (LoadCardPhonebook(*book, not_ready, Localizer(), Runner()))
        CardList(page)->Model()->Refresh();
}

ProgressRunner CDlgPB::Runner() {
    return ProgressRunnerOver(this);
}

void CDlgPB::LoadCardPhonebooks() {
    for (Page page : {kModemPage, kUimPage}) {
        CardList(page)->SetPhonebook(Card(page));
        LoadCard(page, false);
    }
}

void CDlgPB::AddNumber(const std::u16string& number) {
    if (env_.pc != nullptr)
        AddPCContact(*env_.pc, number, PCDialog(), Localizer());
}

IPhonebook* CDlgPB::EditableCard() const {
    // The emergency numbers belong to the card: they are shown and copied, never changed.
    if (page_ != kModemPage && page_ != kUimPage)
        return nullptr;
    return CardList(page_)->Phonebook();
}

bool CDlgPB::Editable() const {
    return page_ == kPCPage ? env_.pc != nullptr : EditableCard() != nullptr;
}

void CDlgPB::NewContact() {
    if (IsCardPage(page_)) {
        if (IPhonebook* book = EditableCard())
            EditCardContact(*book, -1, CardDialog(), Localizer());
        return;
    }
    AddNumber(u"");
}

void CDlgPB::EditContact() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    if (page_ == kPCPage) {
        if (env_.pc != nullptr)
            EditPCContact(*env_.pc, rows.front(), PCDialog(), Localizer());
    } else if (IPhonebook* book = EditableCard()) {
        EditCardContact(*book, rows.front(), CardDialog(), Localizer());
    }
}

std::vector<int> CDlgPB::SelectedRows() const {
    if (page_ == kPCPage)
        return pc_list_->SelectedRows();
    if (IsCardPage(page_))
        return CardList(page_)->SelectedRows();
    std::vector<int> rows;
    for (const QModelIndex& index : results_view_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CDlgPB::DeleteSelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || !Editable())
        return;
    if (!ConfirmDeleteSelected(kSection))
        return;
    DeleteRows(rows);
}

void CDlgPB::ClearAll() {
    if (!Editable())
        return;
    const int count = static_cast<int>(ListOf(page_)->model()->rowCount());
    if (count == 0)
        return;
    if (!ConfirmClearAll(kSection))
        return;
    std::vector<int> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        rows[static_cast<std::size_t>(i)] = i;
    DeleteRows(std::move(rows));
}

void CDlgPB::DeleteRows(std::vector<int> rows) {
    if (page_ == kPCPage) {
        if (env_.pc == nullptr)
            return;
        DeletePCContacts(*env_.pc, std::move(rows), Localizer(), Runner());
        return;
    }
    if (IPhonebook* book = EditableCard())
        DeleteCardContacts(*book, std::move(rows), Localizer(), Runner());
}

void CDlgPB::CopyToPC(bool all, bool move) {
    IPhonebook* book = IsCardPage(page_) ? CardList(page_)->Phonebook() : nullptr;
    if (book == nullptr || env_.pc == nullptr)
        return;
    std::vector<int> rows;
    if (all) {
        for (int i = 0; i < book->GetCount(); ++i)
            rows.push_back(i);
    } else {
        rows = SelectedRows();
    }
    TransferCardContacts(*env_.pc, *book, std::move(rows), move, Localizer(), Runner());
}

void CDlgPB::ShowCardMenu(const QPoint& at) {
    CEmbedPBList* list = CardList(page_);
    if (list == nullptr || list->Phonebook() == nullptr)
        return;
    QMenu menu(this);
    menu.setObjectName("PBCardMenu");
    struct Item {
        const char* key;
        bool all;
        bool move;
    };
    for (const Item& item : {Item{"MenuCopy", false, false}, Item{"MenuCopyAll", true, false},
                             Item{"MenuMove", false, true}, Item{"MenuMoveAll", true, true}}) {
        QAction* action = menu.addAction(LocalQText(item.key, "DlgSMS"));
        action->setEnabled(item.all ? list->Count() > 0 : !list->SelectedRows().empty());
        connect(action, &QAction::triggered, this, [this, item] { CopyToPC(item.all, item.move); });
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

void CDlgPB::ToggleSearch() {
    const bool show = !search_text_->isVisible();
    search_text_->setVisible(show);
    begin_search_->setVisible(show);
    if (show)
        search_text_->setFocus();
}

void CDlgPB::BeginSearch() {
    IPhonebook* modem = Card(kModemPage);
    IPhonebook* emergency = Card(kEmergencyPage);
    IPhonebook* uim = Card(kUimPage);
    hits_ = SearchPhonebooks(FromQString(search_text_->text()), env_.pc, modem, emergency, uim);
    hit_rows_.clear();
    for (const PhonebookHit& hit : hits_) {
        if (hit.book == PhonebookKind::kPC) {
            PCContact c;
            env_.pc->CopyAt(hit.position, &c);
            hit_rows_.emplace_back(c.name, FirstNumber(c));
            continue;
        }
        IPhonebook* book = hit.book == PhonebookKind::kModem ? modem
                           : hit.book == PhonebookKind::kUim ? uim
                                                             : emergency;
        const CardContact contact = book->GetAt(hit.position);
        hit_rows_.emplace_back(QString::fromStdString(contact.name).toStdU16String(),
                               QString::fromStdString(contact.number).toStdU16String());
    }
    results_->Refresh();
    ShowPage(kResultPage);
}

bool CDlgPB::SelectedNumber(std::u16string* name, std::u16string* number) const {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return false;
    const auto cells = static_cast<CPBTableModel*>(ListOf(page_)->model())->RowAt(rows.front());
    if (cells.size() < 2)
        return false;
    *name = FromQString(cells[0]);
    *number = FromQString(cells[1]);
    return !number->empty();
}

void CDlgPB::CallSelected() {
    std::u16string name;
    std::u16string number;
    IVoiceExport* voice = Exports().VoiceExport();
    if (voice != nullptr && SelectedNumber(&name, &number))
        voice->DialNumber(number, name);
}

void CDlgPB::MessageSelected() {
    std::u16string name;
    std::u16string number;
    SelectedNumber(&name, &number);
    if (env_.write_message)
        env_.write_message(this, number);
    else
        OpenWriteSMS(this, number, std::u16string());
}

void CDlgPB::UpdateButtons() {
    const bool editable = Editable();
    new_->setEnabled(editable || page_ == kResultPage);
    edit_->setEnabled(editable);
    delete_->setEnabled(editable);
    clear_->setEnabled(editable);
    // Calls go to the voice window when it is there.
    call_->setEnabled(Exports().VoiceExport() != nullptr);
    import_->setVisible(page_ == kPCPage);
    export_->setVisible(page_ == kPCPage);
}

void CDlgPB::UpdateTexts() {
    const QString count_suffix = QStringLiteral("(%1)");
    tabs_[kPCPage]->SetCaption(LocalQText("PCPB", kSection) + count_suffix.arg(pc_list_->Count()));
    tabs_[kModemPage]->SetCaption(LocalQText("ModemPB", kSection));
    tabs_[kUimPage]->SetCaption(LocalQText("UimPB", kSection) +
                                count_suffix.arg(CardList(kUimPage)->Count()));
    tabs_[kEmergencyPage]->SetCaption(LocalQText("EmergentPB", kSection));
    tabs_[kResultPage]->SetCaption(LocalQText("SearchResult", kSection));
    // A caption may have resized a tab: each stays on the tab the background draws.
    for (int i = 0; i < kPageCount; ++i)
        tabs_[static_cast<std::size_t>(i)]->setGeometry(kTabLeft + kTabStep * i, kTabTop, kTabWidth,
                                                        kTabHeight);
    count_->setText(LocalQText("PBNum", kSection) + QLatin1Char(' ') +
                    QString::number(ListOf(page_)->model()->rowCount()));
    UpdateButtons();
}

void CDlgPB::Layout() {
    const QColor shown = DialogFrameColor();
    const QColor other = SkinQColor(u"PanelTextColor", QColor(0x60, 0x70, 0x80)).darker(160);
    for (int i = 0; i < kPageCount; ++i) {
        tabs_[static_cast<std::size_t>(i)]->SetTextColor(i == page_ ? shown : other);
        ListOf(static_cast<Page>(i))->setVisible(i == page_);
    }
    const QRect list_rect(kMargin, kListTop, width() - 2 * kMargin, height() - kListTop - 44);
    for (int i = 0; i < kPageCount; ++i)
        ListOf(static_cast<Page>(i))->setGeometry(list_rect);

    search_text_->setGeometry(kMargin, kToolTop, 200, 22);
    begin_search_->move(search_text_->geometry().right() + kGap,
                        kToolTop + (22 - begin_search_->height()) / 2);
    count_->setGeometry(width() - kMargin - 200, kToolTop, 200, 22);

    // A caption longer than the button picture widens the button; the picture is stretched.
    for (CSkinButtonEx* button :
         {new_, edit_, delete_, clear_, call_, sms_, search_, begin_search_, import_, export_}) {
        const QSize natural = button->sizeHint();
        const int text = QFontMetrics(LocalFont("Button")).horizontalAdvance(button->text());
        button->SetStretch(text + kCaptionPadding > natural.width());
        button->resize(std::max(natural.width(), text + kCaptionPadding), natural.height());
    }
    int x = kMargin;
    const int top = list_rect.bottom() + 10;
    for (CSkinButtonEx* button : {new_, edit_, delete_, clear_, call_, sms_, search_}) {
        button->move(x, top);
        x += button->width() + kGap;
    }
    int right = width() - kMargin;
    for (CSkinButtonEx* button : {export_, import_}) {
        right -= button->width();
        button->move(right, top);
        right -= kGap;
    }
}

void CDlgPB::OnLanguageChanged() {
    const QFont font = LocalFont("Normal");
    for (CSkinButtonEx* tab : tabs_)
        tab->SetFont(LocalFont("Navigation"));
    for (int i = 0; i < kPageCount; ++i) {
        QTableView* list = ListOf(static_cast<Page>(i));
        list->setFont(font);
        static_cast<CPBTableModel*>(list->model())->RetranslateHeaders();
    }
    count_->setFont(font);
    UpdateTexts();
    Layout();
    LayoutSoon();
    CModulePage::OnLanguageChanged();
}

void CDlgPB::OnSkinChanged() {
    CModulePage::OnSkinChanged();
    LayoutSoon();
}

void CDlgPB::LayoutSoon() {
    // The buttons take their new captions and pictures (and sizes) in their own handlers,
    // which may come after this page's.
    QMetaObject::invokeMethod(
        this, [this] { Layout(); }, Qt::QueuedConnection);
}

void CDlgPB::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ISkin* skin = CGlobalService::Instance().Skin();
    const std::u16string name = u"PageBkg5_" + FromQString(QString::number(page_));
    const SkinBitmap* background = skin->GetBitmapOrDefault(name);
    if (!HasPicture(background))
        background = skin->GetBitmapOrDefault(u"PageBkg1_0");
    DrawStretched(painter, background, rect());
}

}  // namespace dedevev

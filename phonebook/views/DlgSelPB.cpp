#include "phonebook/views/DlgSelPB.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <mutex>
#include <set>

#include "connection/views/FormRows.h"
#include "mainwindow/views/Unattended.h"
#include "phonebook/views/PBList.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSelPB";
constexpr int kWidth = 560;
constexpr int kHeight = 360;
constexpr QRect kSourceRect(12, 60, 220, 248);
constexpr QRect kChosenRect(328, 60, 220, 248);
constexpr int kButtonsLeft = 244;

}  // namespace

std::vector<PBPick> PickCandidates(const CPhonebookPC* pc, const std::vector<IPhonebook*>& cards) {
    std::vector<PBPick> picks;
    if (pc != nullptr) {
        std::lock_guard lock(pc->Lock());
        for (int i = 0; i < pc->GetCount(); ++i) {
            const PCContact& c = pc->GetAt(i);
            picks.push_back({c.name, FirstNumber(c)});
        }
    }
    for (IPhonebook* card : cards) {
        if (card == nullptr)
            continue;
        for (int i = 0; i < card->GetCount(); ++i) {
            const CardContact contact = card->GetAt(i);
            picks.push_back({QString::fromStdString(contact.name).toStdU16String(),
                             QString::fromStdString(contact.number).toStdU16String()});
        }
    }
    // A contact without a number cannot receive anything.
    std::erase_if(picks, [](const PBPick& p) { return p.number.empty(); });
    return picks;
}

CDlgSelPB::CDlgSelPB(std::vector<PBPick> candidates, QWidget* parent)
    : CSkinnedDialog(parent), candidates_(std::move(candidates)) {
    setObjectName("DlgSelPB");
    setFixedSize(kWidth, kHeight);

    captions_.AddLabel(this, "StaticPB", kSection,
                       QRect(kSourceRect.left(), kSourceRect.top() - 24, kSourceRect.width(), 22));
    captions_.AddLabel(this, "StaticRecv", kSection,
                       QRect(kChosenRect.left(), kChosenRect.top() - 24, kChosenRect.width(), 22));

    model_ = new CPBTableModel(
        {{"Name", 100}, {"Mobile", 110}},
        [this] {
            std::vector<CPBTableModel::Row> rows;
            rows.reserve(candidates_.size());
            for (const PBPick& p : candidates_)
                rows.push_back({OneLine(p.name), OneLine(p.number)});
            return rows;
        },
        this);
    source_ = new QTableView(this);
    source_->setObjectName("SelPBSource");
    source_->setModel(model_);
    SetUpPBTable(source_);
    source_->setGeometry(kSourceRect);
    source_->setColumnWidth(0, 100);
    model_->Refresh();
    connect(source_, &QAbstractItemView::doubleClicked, this, &CDlgSelPB::Add);

    recipients_ = new QTreeWidget(this);
    recipients_->setObjectName("SelPBChosen");
    recipients_->setRootIsDecorated(false);
    recipients_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    recipients_->setColumnCount(2);
    recipients_->setColumnWidth(0, 100);
    recipients_->setGeometry(kChosenRect);
    recipients_->setFont(LocalFont("Normal"));

    struct ButtonSpec {
        const char* name;
        const char* key;
        void (CDlgSelPB::*action)();
    };
    const ButtonSpec buttons[] = {{"SelPBAdd", "BtnAdd", &CDlgSelPB::Add},
                                  {"SelPBAddAll", "BtnAddAll", &CDlgSelPB::AddAll},
                                  {"SelPBRemove", "BtnRemove", &CDlgSelPB::Remove},
                                  {"SelPBClear", "BtnClear", &CDlgSelPB::Clear}};
    int top = kSourceRect.top() + 30;
    for (const ButtonSpec& row : buttons) {
        CSkinButtonEx* button = AddButton(this, row.name, row.key, kSection);
        button->move(kButtonsLeft + (72 - button->width()) / 2, top);
        top += button->height() + 12;
        connect(button, &QAbstractButton::clicked, this, row.action);
    }
    CSkinButtonEx* ok = AddButton(this, "SelPBOK", "BtnOK", kSection);
    CSkinButtonEx* cancel = AddButton(this, "SelPBCancel", "Cancel", kSection);
    const int foot = kHeight - ok->height() - 14;
    ok->move(kWidth / 2 - ok->width() - 8, foot);
    cancel->move(kWidth / 2 + 8, foot);
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);

    OnLanguageChanged();
}

QString CDlgSelPB::Caption() const {
    return LocalQText("Title", kSection);
}

void CDlgSelPB::AddPick(const PBPick& pick) {
    const bool known = std::any_of(chosen_.begin(), chosen_.end(),
                                   [&](const PBPick& p) { return p.number == pick.number; });
    if (!known)
        chosen_.push_back(pick);
}

void CDlgSelPB::Add() {
    for (const QModelIndex& index : source_->selectionModel()->selectedRows())
        AddPick(candidates_[static_cast<std::size_t>(index.row())]);
    FillChosen();
}

void CDlgSelPB::AddAll() {
    for (const PBPick& pick : candidates_)
        AddPick(pick);
    FillChosen();
}

void CDlgSelPB::Remove() {
    std::set<int> rows;
    for (QTreeWidgetItem* item : recipients_->selectedItems())
        rows.insert(recipients_->indexOfTopLevelItem(item));
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        chosen_.erase(chosen_.begin() + *it);
    FillChosen();
}

void CDlgSelPB::Clear() {
    chosen_.clear();
    FillChosen();
}

void CDlgSelPB::FillChosen() {
    recipients_->clear();
    QList<QTreeWidgetItem*> items;
    for (const PBPick& pick : chosen_)
        items << new QTreeWidgetItem(QStringList{OneLine(pick.name), OneLine(pick.number)});
    recipients_->addTopLevelItems(items);
}

void CDlgSelPB::OnLanguageChanged() {
    captions_.Refresh();
    recipients_->setHeaderLabels({LocalQText("Name", kSection), LocalQText("Mobile", kSection)});
    model_->RetranslateHeaders();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

std::vector<PBPick> RunPicker(QWidget* parent, std::vector<PBPick> candidates) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgSelPB", LocalQText("Title", kSection)});
        return {};
    }
    QPointer<CDlgSelPB> dialog = new CDlgSelPB(std::move(candidates), parent);
    std::vector<PBPick> chosen;
    if (dialog->exec() == QDialog::Accepted && dialog != nullptr)
        chosen = dialog->Chosen();
    delete dialog.data();
    return chosen;
}

}  // namespace dedevev

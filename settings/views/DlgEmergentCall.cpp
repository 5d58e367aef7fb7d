#include "settings/views/DlgEmergentCall.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "device/IPhonebook.h"
#include "device/base/Utf.h"
#include "phonebook/PhonebookRegistry.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 200;
constexpr int kColumnWidth = 100;
constexpr int kMargin = 6;
constexpr int kButtonHeight = 26;

}  // namespace

std::vector<EmergencyNumber> CardEmergencyNumbers() {
    std::vector<EmergencyNumber> numbers;
    IPhonebook* book = PhonebookRegistry::Instance().EmergencyPhonebook();
    if (book == nullptr)
        return numbers;
    if (!book->IsLoaded()) {
        int status = 256;
        book->Load(nullptr, &status);
        if (status != 1)
            return numbers;
    }
    const int count = book->GetCount();
    for (int i = 0; i < count; ++i) {
        const CardContact& contact = book->GetAt(i);
        numbers.push_back({Utf8ToUtf16(contact.name), Utf8ToUtf16(contact.number)});
    }
    return numbers;
}

CDlgEmergentCall::CDlgEmergentCall(const std::vector<EmergencyNumber>& numbers, QWidget* parent)
    : QDialog(parent), numbers_(numbers) {
    setObjectName("DlgEmergentCall");
    setWindowTitle(LocalQText("EmergentCall", "Security"));
    setFixedSize(kWidth, kHeight);
    list_ = new QTreeWidget(this);
    list_->setObjectName("EmergencyList");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setHeaderLabels({LocalQText("Name", "Phonebook"), LocalQText("Mobile", "Phonebook")});
    list_->header()->resizeSection(0, kColumnWidth);
    list_->header()->resizeSection(1, kColumnWidth);
    for (const EmergencyNumber& entry : numbers_)
        new QTreeWidgetItem(list_, {ToQString(entry.name), ToQString(entry.number)});
    list_->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin,
                       kHeight - 3 * kMargin - kButtonHeight);

    call_ = new QPushButton(LocalQText("Call", "Phonebook"), this);
    call_->setObjectName("EmergencyCall");
    auto* cancel = new QPushButton(LocalQText("ButtonCancel"), this);
    cancel->setObjectName("EmergencyCancel");
    const int button_width = (kWidth - 3 * kMargin) / 2;
    const int top = kHeight - kMargin - kButtonHeight;
    call_->setGeometry(kMargin, top, button_width, kButtonHeight);
    cancel->setGeometry(2 * kMargin + button_width, top, button_width, kButtonHeight);
    call_->setEnabled(false);

    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { call_->setEnabled(list_->selectedItems().size() == 1); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnCall(); });
    connect(call_, &QPushButton::clicked, this, &CDlgEmergentCall::OnCall);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgEmergentCall::OnCall() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.size() != 1)
        return;
    const int row = list_->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= numbers_.size())
        return;
    number_ = numbers_[static_cast<std::size_t>(row)].number;
    accept();
}

}  // namespace dedevev

#include "phonebook/views/DlgNewPB.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>

#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/PhoneNumEdit.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

constexpr char kPCSection[] = "DlgNewPBPC";
constexpr char kCardSection[] = "DlgNewEmbedPB";
constexpr int kLeft = 16;
constexpr int kLabelWidth = 80;
constexpr int kFieldLeft = 100;
constexpr int kFieldWidth = 224;
constexpr int kTop = 40;
constexpr int kRow = 28;
constexpr int kFieldHeight = 22;
constexpr int kWidth = 340;

QRect LabelAt(int row) {
    return QRect(kLeft, kTop + row * kRow, kLabelWidth, kFieldHeight);
}
QRect FieldAt(int row, int height = kFieldHeight) {
    return QRect(kFieldLeft, kTop + row * kRow, kFieldWidth, height);
}

CPhoneNumEdit* AddNumberEdit(QWidget* parent, const char* name, const QRect& at, int max) {
    auto* edit = new CPhoneNumEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(at);
    edit->setFont(LocalFont("Normal"));
    edit->setMaxLength(max);
    return edit;
}

// Remarks are kept with CR LF line breaks; the edit field works with LF.
QString RemarkForEdit(const std::u16string& remark) {
    QString text = ToQString(remark);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}
std::u16string RemarkFromEdit(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return FromQString(text);
}

// Whether the dialogs only log themselves: then the flow is cancelled.
bool LoggedInstead(const char* name, const char* section, bool editing) {
    if (!UnattendedDialogs())
        return false;
    LogUnattended({"dialog", name, LocalQText(editing ? "TitleEdit" : "Title", section)});
    return true;
}

template <typename Dialog, typename Entry>
bool RunEntryDialog(QWidget* parent, Entry* entry, bool editing) {
    QPointer<Dialog> dialog = new Dialog(*entry, editing, parent);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog != nullptr;
    if (accepted)
        *entry = dialog->Entry();
    delete dialog.data();
    return accepted;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CDlgNewPBPC

CDlgNewPBPC::CDlgNewPBPC(const PCContact& entry, bool editing, QWidget* parent)
    : CSkinnedDialog(parent), editing_(editing), entry_(entry) {
    setObjectName("DlgNewPBPC");
    setFixedSize(kWidth, 340);
    SetEnterAccepts(true);

    captions_.AddLabel(this, "StaticName", kPCSection, LabelAt(0));
    name_ = AddEdit(this, "PBName", FieldAt(0));
    name_->setMaxLength(kPCNameMax);
    captions_.AddLabel(this, "StaticMobile", kPCSection, LabelAt(1));
    mobile_ = AddNumberEdit(this, "PBMobile", FieldAt(1), kPCNumberMax);
    captions_.AddLabel(this, "StaticHome", kPCSection, LabelAt(2));
    home_ = AddNumberEdit(this, "PBHome", FieldAt(2), kPCNumberMax);
    captions_.AddLabel(this, "StaticOffice", kPCSection, LabelAt(3));
    office_ = AddNumberEdit(this, "PBOffice", FieldAt(3), kPCNumberMax);
    captions_.AddLabel(this, "StaticEmail", kPCSection, LabelAt(4));
    email_ = AddEdit(this, "PBEmail", FieldAt(4));
    email_->setMaxLength(kPCNumberMax);
    captions_.AddLabel(this, "StaticRemark", kPCSection, LabelAt(5));
    remark_ = new QPlainTextEdit(this);
    remark_->setObjectName("PBRemark");
    remark_->setGeometry(FieldAt(5, 3 * kRow));
    remark_->setFont(LocalFont("Normal"));
    remark_->setTabChangesFocus(true);
    // The remark has no maxLength of its own: text beyond the limit is cut as it comes.
    connect(remark_, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = remark_->toPlainText();
        if (text.size() <= kPCRemarkMax)
            return;
        remark_->setPlainText(text.left(kPCRemarkMax));
        remark_->moveCursor(QTextCursor::End);
    });

    name_->setText(ToQString(entry.name).left(kPCNameMax));
    mobile_->setText(ToQString(entry.mobile).left(kPCNumberMax));
    home_->setText(ToQString(entry.home).left(kPCNumberMax));
    office_->setText(ToQString(entry.office).left(kPCNumberMax));
    email_->setText(ToQString(entry.email).left(kPCNumberMax));
    remark_->setPlainText(RemarkForEdit(entry.remark));

    AddOkCancel(this, kPCSection, "PB");
    setWindowTitle(Caption());
    name_->setFocus();
}

QString CDlgNewPBPC::Caption() const {
    return LocalQText(editing_ ? "TitleEdit" : "Title", kPCSection);
}

PCContact CDlgNewPBPC::Entry() const {
    PCContact entry = entry_;
    entry.name = FromQString(name_->text());
    entry.mobile = FromQString(mobile_->text());
    entry.home = FromQString(home_->text());
    entry.office = FromQString(office_->text());
    entry.email = FromQString(email_->text());
    entry.remark = RemarkFromEdit(remark_->toPlainText());
    return entry;
}

void CDlgNewPBPC::accept() {
    const std::u16string problem = PCEntryProblem(Entry());
    if (!problem.empty()) {
        ShowMessage(LocalText(problem, u"DlgNewPBPC"), LocalText("Hint", kPCSection),
                    kMbOk | kMbIconExclamation);
        (problem == u"NameRequired" ? static_cast<QWidget*>(name_) : mobile_)->setFocus();
        return;
    }
    CSkinnedDialog::accept();
}

void CDlgNewPBPC::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

// ---------------------------------------------------------------------------------------------
// CDlgNewEmbedPB

CDlgNewEmbedPB::CDlgNewEmbedPB(const CardContact& entry, bool editing, QWidget* parent)
    : CSkinnedDialog(parent), editing_(editing) {
    setObjectName("DlgNewEmbedPB");
    setFixedSize(kWidth, 150);
    SetEnterAccepts(true);
    captions_.AddLabel(this, "StaticName", kCardSection, LabelAt(0));
    name_ = AddEdit(this, "PBName", FieldAt(0));
    captions_.AddLabel(this, "StaticPhone", kCardSection, LabelAt(1));
    number_ = AddNumberEdit(this, "PBNumber", FieldAt(1), kCardNumberMax);
    name_->setText(QString::fromStdString(entry.name));
    number_->setText(QString::fromStdString(entry.number).left(kCardNumberMax));
    AddOkCancel(this, kCardSection, "PB");
    setWindowTitle(Caption());
    name_->setFocus();
}

QString CDlgNewEmbedPB::Caption() const {
    return LocalQText(editing_ ? "TitleEdit" : "Title", kCardSection);
}

CardContact CDlgNewEmbedPB::Entry() const {
    return CardContact{name_->text().toStdString(), number_->text().toStdString()};
}

void CDlgNewEmbedPB::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

// ---------------------------------------------------------------------------------------------

PCEntryDialog PCEntryDialogOver(QWidget* parent) {
    QPointer<QWidget> owner = parent;
    return [owner](PCContact* entry, bool editing) {
        if (LoggedInstead("DlgNewPBPC", kPCSection, editing))
            return false;
        return RunEntryDialog<CDlgNewPBPC>(owner.data(), entry, editing);
    };
}

CardEntryDialog CardEntryDialogOver(QWidget* parent) {
    QPointer<QWidget> owner = parent;
    return [owner](CardContact* entry, bool editing) {
        if (LoggedInstead("DlgNewEmbedPB", kCardSection, editing))
            return false;
        return RunEntryDialog<CDlgNewEmbedPB>(owner.data(), entry, editing);
    };
}

}  // namespace dedevev

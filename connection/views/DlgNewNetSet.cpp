#include "connection/views/DlgNewNetSet.h"

#include <QCheckBox>
#include <QPointer>

#include "core/MessageBox.h"
#include "mainwindow/views/Unattended.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgNewNetSet";
constexpr int kWidth = 340;
constexpr int kHeight = 380;
constexpr int kLeft = 16;
constexpr int kLabelWidth = 112;
constexpr int kFieldLeft = 132;
constexpr int kFieldWidth = 190;
constexpr int kTop = 40;
constexpr int kRow = 26;
constexpr int kFieldHeight = 22;

QRect LabelAt(int row) {
    return QRect(kLeft, kTop + row * kRow, kLabelWidth, kFieldHeight);
}
QRect FieldAt(int row) {
    return QRect(kFieldLeft, kTop + row * kRow, kFieldWidth, kFieldHeight);
}
QRect CheckAt(int row) {
    return QRect(kLeft, kTop + row * kRow, kWidth - 2 * kLeft, kFieldHeight);
}

}  // namespace

CDlgNewNetSet::CDlgNewNetSet(const NetProfile* profile, QWidget* parent)
    : CSkinnedDialog(parent), editing_(profile != nullptr) {
    setObjectName("DlgNewNetSet");
    setFixedSize(kWidth, kHeight);
    SetEnterAccepts(true);

    struct Row {
        const char* key;
        const char* name;
        CGenEdit** field;
    };
    const Row rows[] = {{"Name", "ProfileName", &name_},
                        {"MccMnc", "ProfileMccMnc", &mcc_mnc_},
                        {"Number", "ProfilePhone", &phone_},
                        {"User", "ProfileUser", &user_},
                        {"Password", "ProfilePassword", &password_},
                        {"Apn", "ProfileApn", &apn_}};
    int row = 0;
    for (const Row& r : rows) {
        captions_.AddLabel(this, r.key, kSection, LabelAt(row));
        *r.field = AddEdit(this, r.name, FieldAt(row));
        ++row;
    }
    password_->setEchoMode(QLineEdit::Password);
    ip_box_ = captions_.AddCheck(this, "ProfileUseIp", "StaticIP", kSection, CheckAt(row++));
    captions_.AddLabel(this, "IPAddress", kSection, LabelAt(row));
    ip_ = AddIpEdit(this, "ProfileIp", FieldAt(row++));
    dns_box_ = captions_.AddCheck(this, "ProfileUseDns", "StaticDNS", kSection, CheckAt(row++));
    captions_.AddLabel(this, "DNSMain", kSection, LabelAt(row));
    dns_primary_ = AddIpEdit(this, "ProfileDnsPrimary", FieldAt(row++));
    captions_.AddLabel(this, "DNSMinor", kSection, LabelAt(row));
    dns_secondary_ = AddIpEdit(this, "ProfileDnsSecondary", FieldAt(row++));

    if (profile != nullptr) {
        name_->setText(ToQString(profile->name));
        mcc_mnc_->setText(ToQString(profile->mcc_mnc));
        phone_->setText(ToQString(profile->phone));
        user_->setText(ToQString(profile->user));
        password_->setText(ToQString(profile->password));
        apn_->setText(ToQString(profile->apn));
        ip_box_->setChecked(profile->use_ip);
        ip_->setText(ToQString(profile->ip));
        dns_box_->setChecked(profile->use_dns);
        dns_primary_->setText(ToQString(profile->dns_primary));
        dns_secondary_->setText(ToQString(profile->dns_secondary));
    }
    connect(ip_box_, &QCheckBox::toggled, this, &CDlgNewNetSet::UpdateEnabled);
    connect(dns_box_, &QCheckBox::toggled, this, &CDlgNewNetSet::UpdateEnabled);
    UpdateEnabled();

    AddOkCancel(this, kSection, "Profile");
    setWindowTitle(Caption());
}

QString CDlgNewNetSet::Caption() const {
    return LocalQText(editing_ ? "TitleEdit" : "TitleNew", kSection);
}

ProfileForm CDlgNewNetSet::Form() const {
    ProfileForm form;
    form.name = FromQString(name_->text());
    form.mcc_mnc = FromQString(mcc_mnc_->text());
    form.phone = FromQString(phone_->text());
    form.user = FromQString(user_->text());
    form.password = FromQString(password_->text());
    form.apn = FromQString(apn_->text());
    form.ip_ticked = ip_box_->isChecked();
    form.ip = FromQString(ip_->text());
    form.dns_ticked = dns_box_->isChecked();
    form.dns_primary = FromQString(dns_primary_->text());
    form.dns_secondary = FromQString(dns_secondary_->text());
    return form;
}

void CDlgNewNetSet::accept() {
    const ProfileForm form = Form();
    if (form.name.empty()) {
        ShowMessage(LocalText("Noempty", kSection), LocalText("DEDEVev"),
                    kMbOk | kMbIconExclamation);
        name_->setFocus();
        return;
    }
    profile_ = ProfileFromForm(form);
    CSkinnedDialog::accept();
}

void CDlgNewNetSet::OnLanguageChanged() {
    captions_.Refresh();
    setWindowTitle(Caption());
    CSkinnedDialog::OnLanguageChanged();
}

void CDlgNewNetSet::UpdateEnabled() {
    ip_->setEnabled(ip_box_->isChecked());
    dns_primary_->setEnabled(dns_box_->isChecked());
    dns_secondary_->setEnabled(dns_box_->isChecked());
}

std::optional<NetProfile> RunProfileDialog(QWidget* parent, const NetProfile* editing) {
    if (UnattendedDialogs()) {
        LogUnattended({"dialog", "DlgNewNetSet",
                       LocalQText(editing != nullptr ? "TitleEdit" : "TitleNew", kSection)});
        return std::nullopt;
    }
    QPointer<CDlgNewNetSet> dialog = new CDlgNewNetSet(editing, parent);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog != nullptr;
    std::optional<NetProfile> profile;
    if (accepted)
        profile = dialog->Profile();
    delete dialog.data();
    return profile;
}

}  // namespace dedevev

#include "connection/views/DlgSetNet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidget>

#include <chrono>

#include "connection/NetProfileList.h"
#include "connection/views/DlgNewNetSet.h"
#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "device/DeviceHolder.h"
#include "device/DeviceStatus.h"
#include "device/IDeviceControl.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"

namespace dedevev {

namespace {

constexpr char kSection[] = "DlgSetNet";
// Two columns: the account on the left, the radio system and the search on the right.
constexpr int kLeft = 8;
constexpr int kLabelWidth = 100;
constexpr int kFieldLeft = 112;
constexpr int kFieldWidth = 210;
constexpr int kFieldHeight = 22;
constexpr int kRightLeft = 350;
constexpr int kButtonGap = 6;
constexpr int kListTop = 40;
constexpr int kButtonsTop = 290;

QRect LabelAt(int y) {
    return QRect(kLeft, y, kLabelWidth, kFieldHeight);
}
QRect FieldAt(int y) {
    return QRect(kFieldLeft, y, kFieldWidth, kFieldHeight);
}

CSkinButtonEx* MakeButton(QWidget* parent, const char* name, const char* key, QPoint at) {
    CSkinButtonEx* button = AddButton(parent, name, key, kSection);
    button->move(at);
    return button;
}

std::u16string Caption() {
    return LocalText("DEDEVev");
}

}  // namespace

NetPageEnvironment DefaultNetPageEnvironment() {
    NetPageEnvironment env;
    env.device = []() -> IDeviceControl* {
        IModemAgent* agent = Devices().ModemAgent();
        return agent != nullptr ? agent->GetDeviceControl() : nullptr;
    };
    env.connection_up = [] { return Exports().ConnectionExport()->IsRunning(); };
    env.edit_profile = RunProfileDialog;
    return env;
}

CDlgSetNet::CDlgSetNet(NetPageEnvironment environment, QWidget* parent)
    : CSettingsPage(parent), env_(std::move(environment)) {
    setObjectName("DlgSetNet");
    Build();
    Reload();
}

CDlgSetNet::~CDlgSetNet() = default;

void CDlgSetNet::Build() {
    const QFont font = LocalFont("Normal");
    captions_.AddLabel(this, "Profile", kSection, LabelAt(8));
    profiles_ = new QComboBox(this);
    profiles_->setObjectName("Profiles");
    profiles_->setGeometry(FieldAt(8));
    profiles_->setFont(font);
    connect(profiles_, &QComboBox::activated, this, &CDlgSetNet::ChooseProfile);

    const int right = kFieldLeft + kFieldWidth;
    delete_ = MakeButton(this, "ProfileDelete", "BtnDelete", QPoint(0, 36));
    delete_->move(right - delete_->width(), 36);
    edit_ = MakeButton(this, "ProfileEdit", "BtnEdit", QPoint(0, 36));
    edit_->move(delete_->x() - kButtonGap - edit_->width(), 36);
    add_ = MakeButton(this, "ProfileAdd", "BtnAdd", QPoint(0, 36));
    add_->move(edit_->x() - kButtonGap - add_->width(), 36);
    connect(add_, &QAbstractButton::clicked, this, &CDlgSetNet::AddProfile);
    connect(edit_, &QAbstractButton::clicked, this, &CDlgSetNet::EditProfile);
    connect(delete_, &QAbstractButton::clicked, this, &CDlgSetNet::DeleteProfile);

    // The account's fields only show it: profiles are changed through their dialog.
    struct Row {
        const char* key;
        const char* name;
        CGenEdit** field;
    };
    const Row rows[] = {{"MccMnc", "FieldMccMnc", &mcc_mnc_},
                        {"Number", "FieldNumber", &number_},
                        {"User", "FieldUser", &user_},
                        {"Password", "FieldPassword", &password_},
                        {"Apn", "FieldApn", &apn_}};
    int y = 70;
    for (const Row& row : rows) {
        captions_.AddLabel(this, row.key, kSection, LabelAt(y));
        *row.field = AddEdit(this, row.name, FieldAt(y));
        y += 26;
    }
    password_->setEchoMode(QLineEdit::Password);
    ip_box_ = captions_.AddCheck(this, "FieldUseIp", "StaticIP", kSection, LabelAt(y));
    ip_ = AddIpEdit(this, "FieldIp", FieldAt(y));
    y += 26;
    dns_box_ = captions_.AddCheck(this, "FieldUseDns", "StaticDNS", kSection, LabelAt(y));
    dns_main_ = AddIpEdit(this, "FieldDnsMain", FieldAt(y));
    y += 26;
    dns_minor_ = AddIpEdit(this, "FieldDnsMinor", FieldAt(y));
    for (QWidget* field :
         std::initializer_list<QWidget*>{mcc_mnc_, number_, user_, password_, apn_, ip_box_, ip_,
                                         dns_box_, dns_main_, dns_minor_})
        field->setEnabled(false);
    default_ = MakeButton(this, "ProfileDefault", "BtnDefault", QPoint(kLeft, kButtonsTop));
    connect(default_, &QAbstractButton::clicked, this, &CDlgSetNet::RestoreDefaults);

    captions_.AddLabel(this, "NetSel", kSection, QRect(kRightLeft, 8, kLabelWidth, kFieldHeight));
    net_sel_ = new QComboBox(this);
    net_sel_->setObjectName("NetSel");
    net_sel_->setGeometry(kRightLeft + kLabelWidth + 4, 8, 160, kFieldHeight);
    net_sel_->setFont(font);
    connect(net_sel_, &QComboBox::activated, this, [this] { emit changed(); });

    search_list_ = new QTreeWidget(this);
    search_list_->setObjectName("SearchList");
    search_list_->setRootIsDecorated(false);
    search_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    search_list_->setColumnCount(4);
    search_list_->setFont(font);
    const int widths[] = {90, 110, 70, 50};
    for (int column = 0; column < 4; ++column)
        search_list_->setColumnWidth(column, widths[column]);
    connect(search_list_, &QTreeWidget::itemSelectionChanged, this, &CDlgSetNet::UpdateButtons);

    search_ = MakeButton(this, "NetSearch", "BtnSearch", QPoint(kRightLeft, kButtonsTop));
    register_ = MakeButton(this, "NetRegister", "BtnRegister",
                           QPoint(kRightLeft + search_->width() + kButtonGap, kButtonsTop));
    connect(search_, &QAbstractButton::clicked, this, &CDlgSetNet::SearchNetworks);
    connect(register_, &QAbstractButton::clicked, this, &CDlgSetNet::RegisterNetwork);
    OnLanguageChanged();
}

void CDlgSetNet::resizeEvent(QResizeEvent* event) {
    search_list_->setGeometry(kRightLeft, kListTop, width() - kRightLeft - kLeft,
                              kButtonsTop - kListTop - 8);
    CSettingsPage::resizeEvent(event);
}

void CDlgSetNet::Reload() {
    ShowAccount(CurrentSettings().dial);
    networks_.clear();
    FillNetworks();
}

void CDlgSetNet::ShowAccount(const DialSetting& dial) {
    FillProfiles(dial.name.empty() ? -1 : Profiles().FindByName(dial.name));
    ShowFields(FieldsFromDialSetting(dial));
    account_net_sel_ = dial.net_sel;
    net_sel_->setCurrentIndex(NetSelIndex(dial.net_sel));
    UpdateButtons();
}

void CDlgSetNet::ShowFields(const NetPageFields& fields) {
    mcc_mnc_->setText(ToQString(fields.mcc_mnc));
    number_->setText(ToQString(fields.number));
    user_->setText(ToQString(fields.user));
    password_->setText(ToQString(fields.password));
    apn_->setText(ToQString(fields.apn));
    ip_box_->setChecked(fields.use_ip);
    ip_->setText(ToQString(fields.ip));
    dns_box_->setChecked(fields.use_dns);
    dns_main_->setText(ToQString(fields.dns_main));
    dns_minor_->setText(ToQString(fields.dns_minor));
}

NetPageFields CDlgSetNet::Fields() const {
    NetPageFields fields;
    fields.mcc_mnc = FromQString(mcc_mnc_->text());
    fields.number = FromQString(number_->text());
    fields.user = FromQString(user_->text());
    fields.password = FromQString(password_->text());
    fields.apn = FromQString(apn_->text());
    fields.use_ip = ip_box_->isChecked();
    fields.ip = FromQString(ip_->text());
    fields.use_dns = dns_box_->isChecked();
    fields.dns_main = FromQString(dns_main_->text());
    fields.dns_minor = FromQString(dns_minor_->text());
    return fields;
}

int CDlgSetNet::SelectedProfile() const {
    return profiles_->currentIndex();
}

int CDlgSetNet::NetSel() const {
    const int index = net_sel_->currentIndex();
    return index >= 0 ? net_sel_->itemData(index).toInt() : account_net_sel_;
}

void CDlgSetNet::FillProfiles(int index) {
    const QSignalBlocker blocker(profiles_);
    profiles_->clear();
    for (const NetProfile& profile : Profiles().All())
        profiles_->addItem(ToQString(profile.name));
    profiles_->setCurrentIndex(index);
}

void CDlgSetNet::SelectProfile(int index) {
    FillProfiles(index);
    if (index >= 0 && static_cast<std::size_t>(index) < Profiles().Count())
        ShowFields(FieldsFromProfile(Profiles().At(static_cast<std::size_t>(index))));
    UpdateButtons();
}

void CDlgSetNet::ChooseProfile(int index) {
    SelectProfile(index);
    emit changed();
}

void CDlgSetNet::AddProfile() {
    const std::optional<NetProfile> profile = env_.edit_profile(this, nullptr);
    if (!profile)
        return;
    if (ProfileNameTaken(Profiles(), profile->name, -1)) {
        ShowMessage(LocalText("SameName", kSection), Caption(), kMbOk | kMbIconExclamation);
        return;
    }
    Profiles().Insert(*profile);
    SaveProfiles();  // a profile the person made is kept even if the program is ended hard
    SelectProfile(Profiles().FindByName(profile->name));
    Exports().LinkExport()->AddProfileName(profile->name);
    emit changed();
}

void CDlgSetNet::EditProfile() {
    const int index = SelectedProfile();
    if (index < 0 || static_cast<std::size_t>(index) >= Profiles().Count())
        return;
    const NetProfile current = Profiles().At(static_cast<std::size_t>(index));
    const std::optional<NetProfile> profile = env_.edit_profile(this, &current);
    if (!profile)
        return;
    if (ProfileNameTaken(Profiles(), profile->name, index)) {
        ShowMessage(LocalText("SameName", kSection), Caption(), kMbOk | kMbIconExclamation);
        return;
    }
    Profiles().Replace(static_cast<std::size_t>(index), *profile);
    SaveProfiles();
    SelectProfile(index);
    Exports().LinkExport()->ReplaceProfileName(profile->name, index);
    emit changed();
}

void CDlgSetNet::DeleteProfile() {
    const int index = SelectedProfile();
    if (index < 0)
        return;
    if (ShowMessage(LocalText("Delete", kSection), Caption(), kMbYesNo | kMbIconQuestion) !=
        kMsgFirst)
        return;
    if (!Profiles().Remove(static_cast<std::size_t>(index)))
        return;
    SaveProfiles();
    SelectProfile(Profiles().Count() > 0 ? 0 : -1);
    Exports().LinkExport()->DeleteProfileName(index);
    emit changed();
}

void CDlgSetNet::RestoreDefaults() {
    ShowAccount(DefaultSettings().dial);
    emit changed();
}

bool CDlgSetNet::Apply() {
    if (env_.connection_up && env_.connection_up()) {
        ShowMessage(LocalText("DisconnectNetTip", kSection), LocalText("Tip", kSection),
                    kMbOkCancel | kMbIconQuestion);
        return false;
    }
    const int net_sel = NetSel();
    const int index = SelectedProfile();
    AppSettings& settings = CurrentSettings();
    const DialSetting dial =
        ApplyPageFields(settings.dial, Fields(), FromQString(profiles_->currentText()), net_sel);
    if (IDeviceControl* control = env_.device ? env_.device() : nullptr) {
        int status = kStatusUntouched;
        control->SetNetworkMode(net_sel, &status);
    }
    Exports().LinkExport()->SelectProfile(index);
    settings.dial = dial;
    settings.SaveSettings();
    account_net_sel_ = net_sel;
    return true;
}

void CDlgSetNet::RunWithProgress(CThreadProgress& job) {
    const QFont font = LocalFont("Normal");
    CDlgProgress progress(&job, &font, this, "Dlg_BK");
    progress.exec();
    // The window closes only once the worker's thread has ended; this makes its results ours.
    job.Wait(std::chrono::hours(24));
}

void CDlgSetNet::SearchNetworks() {
    networks_.clear();
    FillNetworks();
    CThreadLoadNet job(env_.device ? env_.device() : nullptr);
    RunWithProgress(job);
    switch (job.Outcome()) {
        case CardJobOutcome::kDone:
            networks_ = ParseNetworkRows(job.Networks());
            FillNetworks();
            break;
        case CardJobOutcome::kRefused:
            ShowMessage(LocalText("SearchFail", kSection), Caption(), kMbOk | kMbIconExclamation);
            break;
        default:
            ShowMessage(LocalText("SearchNoCard", kSection), Caption(), kMbOk | kMbIconError);
            break;
    }
}

void CDlgSetNet::RegisterNetwork() {
    const QList<QTreeWidgetItem*> selected = search_list_->selectedItems();
    if (selected.size() != 1)
        return;
    const int row = search_list_->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= networks_.size())
        return;
    CThreadSetNet job(env_.device ? env_.device() : nullptr,
                      Utf16ToUtf8(networks_[static_cast<std::size_t>(row)].name));
    RunWithProgress(job);
    const bool ok = job.Succeeded();
    ShowMessage(LocalText(ok ? "Success" : "Fail", kSection), Caption(),
                kMbOk | (ok ? kMbIconInformation : kMbIconExclamation));
    Exports().LinkExport()->SetOperatorName(Utf8ToUtf16(job.OperatorName()));
}

void CDlgSetNet::FillNetSel() {
    const int index = net_sel_->currentIndex();
    const QSignalBlocker blocker(net_sel_);
    net_sel_->clear();
    for (const NetSelChoice& choice : kNetSelChoices)
        net_sel_->addItem(LocalQText(choice.key, kSection), choice.value);
    net_sel_->setCurrentIndex(index);
}

void CDlgSetNet::FillNetworks() {
    search_list_->clear();
    for (const NetworkRow& row : networks_) {
        const std::string state = Utf16ToUtf8(row.state);
        search_list_->addTopLevelItem(new QTreeWidgetItem(
            QStringList{LocalQText(state.c_str(), kSection), ToQString(row.name),
                        ToQString(row.number), ToQString(row.system)}));
    }
    UpdateButtons();
}

void CDlgSetNet::UpdateButtons() {
    const bool chosen = SelectedProfile() >= 0;
    edit_->setEnabled(chosen);
    delete_->setEnabled(chosen);
    register_->setEnabled(search_list_->selectedItems().size() == 1);
}

void CDlgSetNet::OnLanguageChanged() {
    captions_.Refresh();
    const QFont font = LocalFont("Normal");
    profiles_->setFont(font);
    net_sel_->setFont(font);
    search_list_->setFont(font);
    search_list_->setHeaderLabels(
        {LocalQText("ColState", kSection), LocalQText("ColName", kSection),
         LocalQText("ColNumber", kSection), LocalQText("ColSystem", kSection)});
    FillNetSel();
    FillNetworks();
}

}  // namespace dedevev

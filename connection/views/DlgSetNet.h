#pragma once
// The network page of the settings: the profile list with its add, edit, delete and default
// buttons, the fields of the account the connection dials with, the preferred radio system,
// and the manual network search and registration.

#include <functional>
#include <optional>
#include <vector>

#include "connection/NetProfile.h"
#include "connection/NetSearch.h"
#include "connection/NetSettings.h"
#include "connection/views/FormRows.h"
#include "core/GlobalService.h"
#include "settings/views/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QTreeWidget;

namespace dedevev {

class CGenEdit;
class CSkinButtonEx;
class IDeviceControl;

// What the page reaches outside itself.
struct NetPageEnvironment {
    // The card's control, or null without a card.
    std::function<IDeviceControl*()> device;
    // Whether a dial-up connection is up (or being made).
    std::function<bool()> connection_up;
    // The profile dialog: the profile made (or edited from `editing`), nothing when cancelled.
    std::function<std::optional<NetProfile>(QWidget* parent, const NetProfile* editing)>
        edit_profile;
};

// The card of the device holder, the connection of the export registry, the real dialog.
NetPageEnvironment DefaultNetPageEnvironment();

class CDlgSetNet : public CSettingsPage, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CDlgSetNet(NetPageEnvironment environment, QWidget* parent = nullptr);
    ~CDlgSetNet() override;

    // Shows the current account and the profile list; the search list is emptied.
    void Reload() override;
    // Makes the page's account the current one and sends the preferred system to the card;
    // refused (with a message) while connected.
    bool Apply() override;

    // The person's actions.
    void ChooseProfile(int index);
    void AddProfile();
    void EditProfile();
    void DeleteProfile();
    void RestoreDefaults();
    void SearchNetworks();
    void RegisterNetwork();

    // What the page shows.
    int SelectedProfile() const;
    NetPageFields Fields() const;
    // The chosen preferred system's value; the account's when nothing is chosen.
    int NetSel() const;
    const std::vector<NetworkRow>& Networks() const { return networks_; }

    void OnLanguageChanged() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Build();
    void ShowFields(const NetPageFields& fields);
    void ShowAccount(const DialSetting& dial);
    // Fills the drop-down from the profile list and selects `index` (-1: none).
    void FillProfiles(int index);
    void SelectProfile(int index);
    void FillNetSel();
    void FillNetworks();
    void UpdateButtons();
    void RunWithProgress(CThreadProgress& job);

    NetPageEnvironment env_;
    CCaptionList captions_;
    QComboBox* profiles_ = nullptr;
    CGenEdit* mcc_mnc_ = nullptr;
    CGenEdit* number_ = nullptr;
    CGenEdit* user_ = nullptr;
    CGenEdit* password_ = nullptr;
    CGenEdit* apn_ = nullptr;
    QCheckBox* ip_box_ = nullptr;
    CGenEdit* ip_ = nullptr;
    QCheckBox* dns_box_ = nullptr;
    CGenEdit* dns_main_ = nullptr;
    CGenEdit* dns_minor_ = nullptr;
    QComboBox* net_sel_ = nullptr;
    QTreeWidget* search_list_ = nullptr;
    CSkinButtonEx* add_ = nullptr;
    CSkinButtonEx* edit_ = nullptr;
    CSkinButtonEx* delete_ = nullptr;
    CSkinButtonEx* default_ = nullptr;
    CSkinButtonEx* search_ = nullptr;
    CSkinButtonEx* register_ = nullptr;
    int account_net_sel_ = 4;
    std::vector<NetworkRow> networks_;
};

}  // namespace dedevev

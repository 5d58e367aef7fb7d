#pragma once
// The dialog that makes a new network profile or edits one.

#include <optional>

#include "connection/NetProfile.h"
#include "connection/NetSettings.h"
#include "connection/views/FormRows.h"
#include "mainwindow/views/ModuleWindow.h"

class QCheckBox;

namespace dedevev {

class CGenEdit;

class CDlgNewNetSet : public CSkinnedDialog {
    Q_OBJECT
public:
    // Edits a copy of `profile`; null makes a new profile.
    explicit CDlgNewNetSet(const NetProfile* profile, QWidget* parent = nullptr);

    bool Editing() const { return editing_; }
    QString Caption() const override;
    // What the fields hold now.
    ProfileForm Form() const;
    // The profile made by OK.
    const NetProfile& Profile() const { return profile_; }

    // OK: refused with a message while the name is empty.
    void accept() override;
    void OnLanguageChanged() override;

private:
    void UpdateEnabled();

    bool editing_;
    NetProfile profile_;
    CCaptionList captions_;
    CGenEdit* name_ = nullptr;
    CGenEdit* mcc_mnc_ = nullptr;
    CGenEdit* phone_ = nullptr;
    CGenEdit* user_ = nullptr;
    CGenEdit* password_ = nullptr;
    CGenEdit* apn_ = nullptr;
    QCheckBox* ip_box_ = nullptr;
    CGenEdit* ip_ = nullptr;
    QCheckBox* dns_box_ = nullptr;
    CGenEdit* dns_primary_ = nullptr;
    CGenEdit* dns_secondary_ = nullptr;
};

// Runs the dialog modally; the profile when the person pressed OK. Unattended
// (DEDEVEV_MESSAGE_LOG set): logs "dialog\tDlgNewNetSet\t<title>" and gives nothing.
std::optional<NetProfile> RunProfileDialog(QWidget* parent, const NetProfile* editing);

}  // namespace dedevev

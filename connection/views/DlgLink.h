#pragma once
// The link page: the big connect button, the dial-up profile drop-down (choosing a profile
// makes it the account at once), the session's traffic totals and the shortcut buttons to a few
// web pages. It is the link page of the export registry (ILinkExport): the network page sets
// its button caption and totals, the profile page keeps its drop-down in step.

#include <QString>

#include <functional>

#include "core/ExportInterfaces.h"
#include "mainwindow/views/ModuleWindow.h"

class QComboBox;
class QTimer;

namespace dedevev {

class CSkinButtonEx;
class CTransparentStatic;
class IDeviceControl;

struct LinkPageEnvironment {
    // The card's device control, or null without a card.
    std::function<IDeviceControl*()> device_control;
    // Opens a web address (the desktop's browser; unattended runs log it).
    std::function<void(const QString& address)> open_url;
};

class CDlgLink : public CModulePage, public ILinkExport {
    Q_OBJECT
public:
    // How long HoldConnectButton keeps the button disabled.
    static constexpr int kHoldMs = 15000;

    explicit CDlgLink(LinkPageEnvironment env, QWidget* parent = nullptr);
    ~CDlgLink() override;

    QComboBox* ProfileBox() const { return profiles_; }
    CSkinButtonEx* ConnectButton() const { return connect_; }

    // ILinkExport
    void SetConnectCaption(const std::u16string& caption) override;
    void AddProfileName(const std::u16string& name) override;
    void ReplaceProfileName(const std::u16string& name, int index) override;
    void SelectProfile(int index) override;
    void DeleteProfileName(int index) override;
    void SetOperatorName(const std::u16string& name) override;
    void ShowTraffic(double received_kb, double sent_kb) override;
    void Reserved7() override {}
    void HoldConnectButton() override;

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnConnectClicked();
    // The person chose the entry at `index`: its profile becomes the dial-up account.
    void ApplyProfile(int index);
    void FillProfiles();
    void RefreshTexts();
    void Layout();

    LinkPageEnvironment env_;
    CSkinButtonEx* connect_ = nullptr;
    QTimer* hold_ = nullptr;
    CTransparentStatic* profile_label_ = nullptr;
    QComboBox* profiles_ = nullptr;
    CTransparentStatic* sent_caption_ = nullptr;
    CTransparentStatic* sent_ = nullptr;
    CTransparentStatic* received_caption_ = nullptr;
    CTransparentStatic* received_ = nullptr;
    CTransparentStatic* operator_ = nullptr;
    CSkinButtonEx* shortcuts_[7] = {};
};

}  // namespace dedevev

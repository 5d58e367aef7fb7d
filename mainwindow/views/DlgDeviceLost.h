#pragma once
// Shown once when the modem has been pulled out, before the program closes.

#include "mainwindow/views/ModuleWindow.h"

class QLabel;

namespace dedevev {

// A warning icon and the notice; OK (Accepted) or Escape (Rejected) end it. It stays on top:
// the main window is already hidden when it appears.
class CDlgDeviceLost : public CSkinnedDialog {
    Q_OBJECT
public:
    explicit CDlgDeviceLost(QWidget* parent = nullptr);

    QString Caption() const override;
    void OnLanguageChanged() override;
    void OnSkinChanged() override;

private:
    void SetIcon();

    QLabel* icon_ = nullptr;
    QLabel* info_ = nullptr;
    CSkinButtonEx* ok_ = nullptr;
};

// Runs it modally. Unattended: logs "dialog\tDlgDeviceLost\t<title>\t<info>" and returns at
// once.
void ShowDeviceLost(QWidget* parent);

}  // namespace dedevev

#pragma once
// The about box: the product logo, its description, version and web address.

#include "mainwindow/views/ModuleWindow.h"

class QLabel;

namespace dedevev {

class CDlgAbout : public CSkinnedDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* parent = nullptr);

    QString Caption() const override;
    void OnLanguageChanged() override;
    void OnSkinChanged() override;

private:
    void SetTexts();
    void SetLogo();

    QLabel* logo_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* web_ = nullptr;
    CSkinButtonEx* ok_ = nullptr;
};

// The version line: "Version" of the current language and the application's version.
QString AboutVersionText();

// Runs the about box modally. Unattended: logs "dialog\tDlgAbout\t<title>\t<description>"
// and returns at once.
void ShowAboutBox(QWidget* parent);

}  // namespace dedevev

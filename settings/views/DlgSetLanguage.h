#pragma once
// The language page of the settings dialog: the installed language files by the names the
// language files give them. OK switches to the chosen one with the default skin.

#include <string>
#include <vector>

#include "core/GlobalService.h"
#include "settings/views/SettingsPage.h"

class QComboBox;
class QLabel;

namespace dedevev {

class CDlgSetLanguage : public CSettingsPage, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CDlgSetLanguage(QWidget* parent = nullptr);

    // Lists the language files and selects the one in use.
    void Reload() override;
    // Switches to the selected language (nothing when it is the one in use).
    bool Apply() override;

    const std::vector<std::u16string>& Titles() const { return titles_; }
    void OnLanguageChanged() override;

private:
    void FillList();

    std::vector<std::u16string> titles_;
    QLabel* label_ = nullptr;
    QComboBox* list_ = nullptr;
};

}  // namespace dedevev

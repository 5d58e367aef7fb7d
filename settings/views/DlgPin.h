#pragma once
// The PIN page of the settings dialog: switch the PIN request on or off, change the PIN,
// enter the PIN of a card that waits for it, unblock a card with its PUK. Each button runs its
// flow at once; the page has nothing to apply on OK.

#include "settings/views/SettingsPage.h"

namespace dedevev {

class CDlgPin : public CSettingsPage {
    Q_OBJECT
public:
    explicit CDlgPin(QWidget* parent = nullptr);
    ~CDlgPin() override;

    // Reads the card's PIN state and sets the five buttons.
    void Reload() override;
    bool Apply() override { return true; }
};

}  // namespace dedevev

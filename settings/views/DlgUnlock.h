#pragma once
// The application lock: asks for the user's security code before the main window can be
// used. "Unlock" lets in only the exact code; "Quit" (after a confirmation) ends the program;
// the third button offers the card's emergency numbers.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "settings/views/DlgEmergentCall.h"

class QLineEdit;
class QPushButton;

namespace dedevev {

struct UnlockEnvironment {
    std::function<std::vector<EmergencyNumber>()> emergency_numbers;
    // Dials a number chosen from the emergency list.
    std::function<void(const std::u16string& number)> dial;
    // Shows the emergency list and returns the number chosen (empty when cancelled).
    std::function<std::u16string(const std::vector<EmergencyNumber>& numbers, QWidget* parent)>
        choose_emergency;
};

UnlockEnvironment DefaultUnlockEnvironment();

class CDlgUnlock : public QDialog {
    Q_OBJECT
public:
    CDlgUnlock(std::u16string code, UnlockEnvironment environment, QWidget* parent = nullptr);

    // "Unlock": closes with Accepted when the typed code is the stored one, compared exactly;
    // otherwise says so and stays open.
    void OnUnlock();
    // "Quit": closes with Rejected once the person confirms.
    void OnQuit();
    // The call button: the emergency list, then the chosen number is dialled.
    void OnEmergencyCall();

    // Escape and the window's close button ask like "Quit".
    void reject() override;

private:
    std::u16string code_;
    UnlockEnvironment env_;
    QLineEdit* field_ = nullptr;
};

// Shows the lock modally over `parent`; true when the right code was given. An unattended run
// logs it and stays locked.
bool RequestApplicationPassword(QWidget* parent);

}  // namespace dedevev

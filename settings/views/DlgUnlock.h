#pragma once
// The application lock: asks for the user's security code before the main window can be
// used. "Unlock" lets in only the exact code; "Quit" (after a confirmation) ends the program;
// the third button offers the card's emergency numbers, or, while a voice call is up, answers
// or ends it.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "settings/views/DlgEmergentCall.h"
#include "voice/CallManager.h"

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
    // The call manager the call button follows, or null (voice calls switched off): then the
    // button only ever offers the emergency list.
    std::function<CCallManager*()> call_manager;
};

UnlockEnvironment DefaultUnlockEnvironment();

class CDlgUnlock : public QDialog {
    Q_OBJECT
public:
    CDlgUnlock(std::u16string code, UnlockEnvironment environment, QWidget* parent = nullptr);
    ~CDlgUnlock() override;

    // What the call button does now.
    enum class CallButton { kEmergency, kAnswer, kHangUp };
    CallButton CallButtonMode() const { return call_mode_; }

    // "Unlock": closes with Accepted when the typed code is the stored one, compared exactly;
    // otherwise says so and stays open.
    void OnUnlock();
    // "Quit": closes with Rejected once the person confirms.
    void OnQuit();
    // The call button: the emergency list, then the chosen number is dialled.
    void OnEmergencyCall();
    // The call button: the emergency list, answering the ringing call or ending the call.
    void OnCallButton();

    // Escape and the window's close button ask like "Quit".
    void reject() override;

private:
    // Told of every call's change on the thread that made it; only asks the window thread to
    // look at the calls again.
    class CCallStateListener final : public ICallStateListener {
    public:
        explicit CCallStateListener(CDlgUnlock* owner) : owner_(owner) {}
        void OnCallStateChanged(CCallBase* call) override;

    private:
        CDlgUnlock* owner_;
    };
    // Sets the call button's text and action from the calls (window thread).
    void RefreshCallButton();

    std::u16string code_;
    UnlockEnvironment env_;
    QLineEdit* field_ = nullptr;
    QPushButton* call_ = nullptr;
    CCallManager* calls_ = nullptr;
    CCallStateListener listener_{this};
    CallButton call_mode_ = CallButton::kEmergency;
};

// Shows the lock modally over `parent`; true when the right code was given. An unattended run
// logs it and stays locked.
bool RequestApplicationPassword(QWidget* parent);

}  // namespace dedevev

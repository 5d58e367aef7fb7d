#pragma once
// The initialisation job: finds the card, frees its port, opens the modem library, prepares
// the card and picks the dial-up account that fits it. It runs once behind the progress window
// and tells the main window (message 1131) when it has run.

#include <functional>
#include <string>

#include "core/Thread.h"

namespace dedevev {

class AppSettings;
class IClock;
class ICardService;
class IHardwareInfo;
class IModemManagerGate;
class IMessageTarget;
class IModemAgent;
class ISmsControl;
class NetProfileList;
enum class PortRelease;

// The failure of one initialisation step, with the text shown to the user.
class CInitError {
public:
    explicit CInitError(std::u16string text) : text_(std::move(text)) {}
    const std::u16string& GetText() const { return text_; }

private:
    std::u16string text_;
};

// Everything the job reaches outside itself. DefaultInitEnvironment() wires the process-wide
// objects; tests put their own in.
struct InitEnvironment {
    IHardwareInfo* hardware = nullptr;
    // Releases the current modem object and makes a new (unopened) one; null when none.
    std::function<IModemAgent*()> reset_agent;
    // Releases the current modem object.
    std::function<void()> release_agent;
    // Frees the AT port from the competing program.
    std::function<PortRelease(const std::string& at_port)> free_port;
    // Asks ModemManager to let go of the card before its port is opened; null: not asked.
    IModemManagerGate* modem_manager = nullptr;
    // A message box shown from this thread (kMb* flags); returns kMsgFirst or kMsgSecond.
    std::function<int(const std::u16string& text, unsigned flags)> message;
    // The start-up PIN entry; leaves a text on failure.
    std::function<bool(ICardService&, std::u16string*)> pin_entry;
    // The part of the message-store set-up that belongs to the message store itself; runs after
    // the card's message settings are made.
    std::function<void(ISmsControl&)> message_store_setup;
    AppSettings* settings = nullptr;
    const AppSettings* defaults = nullptr;
    std::function<const NetProfileList&()> profiles;
    bool auto_account_choice = true;
    bool enable_log = false;
    IClock* clock = nullptr;  // null: the process clock
};

InitEnvironment DefaultInitEnvironment();

// How the dial-up account was chosen.
enum class AccountChoice { kDefaults, kProfile, kUnchanged };

// Picks the account for the card: the built-in defaults when the card is not ready or gives
// no IMSI; else the profile whose network code is the IMSI's first six digits ("460110" falls
// back to "460030"), copied into the settings, which are saved; with no such profile the
// settings stay as they are.
AccountChoice ChooseDialAccount(bool card_ready, const std::function<std::string(int*)>& read_imsi,
                                const NetProfileList& profiles, AppSettings& settings,
                                const AppSettings& defaults);

class CThreadInitApp : public CThreadProgress {
public:
    // With the process-wide device, settings and profiles.
    explicit CThreadInitApp(IMessageTarget* owner);
    CThreadInitApp(IMessageTarget* owner, InitEnvironment environment);
    ~CThreadInitApp() override;

    bool Succeeded() const { return succeeded_; }
    const std::u16string& ErrorText() const { return error_text_; }
    // How the account was chosen (kUnchanged when the step did not run).
    AccountChoice AccountResult() const { return account_; }
    // The card's state after the card wait (upper case; empty when never read).
    const std::string& CardStatus() const { return card_status_; }

    // Runs the job on the calling thread (the thread body does the same).
    void RunJob() { DoJob(); }

protected:
    void DoJob() override;

private:
    void DetectHardware();
    void FreePort();
    void TakeFromModemManager();
    IModemAgent* OpenAgent();
    bool WaitAlive(IModemAgent* agent);
    void SetUpCommunication();
    void CheckPin();
    void SetUpMessageStore();
    void WaitForCard();
    void ChooseAccount();

    IMessageTarget* owner_;
    InitEnvironment env_;
    IClock* clock_;
    IModemAgent* agent_ = nullptr;
    bool succeeded_ = false;
    std::u16string error_text_;
    std::string card_status_;
    AccountChoice account_ = AccountChoice::kUnchanged;
};

}  // namespace dedevev

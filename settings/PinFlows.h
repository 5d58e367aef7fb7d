#pragma once
// The PIN flows every caller shares: enter the PIN, unblock with the PUK, switch the PIN
// request on or off, change the PIN. The card does all checking and counting: attempts are
// read from it every time they are needed, nothing is retried behind the user's back and no
// PIN or PUK outlives the flow that asked for it.

#include <optional>
#include <string>

namespace dedevev {

class ICardService;

// What one PIN, PUK or change attempt gave.
enum PinAttemptResult : int {
    kPinCancelled = 0,  // the user cancelled the dialog
    kPinWrongNoneLeft = 1,
    kPinWrongSomeLeft = 2,
    kPinAccepted = 3,
};

struct PinChange {
    std::string old_pin;
    std::string new_pin;
};

struct PukEntry {
    std::string puk;
    std::string new_pin;
};

// The dialogs and messages of the flows. The window layer implements it with the skinned
// dialogs; tests answer with scripted values.
class IPinDialogs {
public:
    // Each returns nothing when the user cancelled.
    virtual std::optional<std::string> AskPin(int attempts) = 0;
    virtual std::optional<PinChange> AskChangePin(int attempts) = 0;
    virtual std::optional<PukEntry> AskPuk(int puk_attempts) = 0;
    // One message with an OK button; `flags` carry the icon (core/MessageBox.h).
    virtual void Message(const std::u16string& text, unsigned flags) = 0;
    // Asks the main window to close: the card stays blocked and the program ends.
    virtual void RequestClose() = 0;

protected:
    ~IPinDialogs() = default;
};

// Card reads as the flows use them: a failed read counts as 0 / false.
int PinAttemptsLeft(ICardService& card);
int PukAttemptsLeft(ICardService& card);
bool CardWantsPin(ICardService& card);
bool CardWantsPuk(ICardService& card);
bool PinRequestOn(ICardService& card);

// "PinError" and friends: `format` with its first "%d" replaced by `value`.
std::u16string FormatCount(const std::u16string& format, int value);

// Which of the PIN page's five buttons may be pressed.
struct PinPageButtons {
    bool enable_pin = false;
    bool disable_pin = false;
    bool change_pin = false;
    bool check_pin = false;
    bool unlock_puk = false;
};
// Reads the card's PIN state (three card calls; may take a while on a slow card).
PinPageButtons ReadPinPageButtons(ICardService& card);

// The checks of the dialogs' fields on OK: the "Security" key of the message to show (the
// dialog then stays open), or empty when the entry may go to the card.
constexpr int kPinMinLength = 4;
constexpr int kPinMaxLength = 8;
std::string PinProblem(const std::string& pin);
std::string ChangePinProblem(const std::string& new_pin, const std::string& confirm);
std::string PukProblem(const std::string& puk, const std::string& new_pin,
                       const std::string& confirm);

// The PIN entry loop. True when the card has its PIN (or never wanted one); `last` (may be
// null) receives the last attempt's result (kPinAccepted when nothing was asked).
bool EnterPin(ICardService& card, IPinDialogs& dialogs, int* last = nullptr);
// The PUK loop; succeeds at once when the card is not blocked.
bool UnlockPuk(ICardService& card, IPinDialogs& dialogs);
// The entry at start-up: EnterPin, then the PUK loop unless the user cancelled. On failure
// `error_text` (may be null) holds "PinLocked".
bool EnterPinAtStart(ICardService& card, IPinDialogs& dialogs, std::u16string* error_text);
// After an operation used up the last PIN attempt: "PinErrLock" and the PUK loop; when that
// fails the main window is asked to close.
bool HandlePinExhausted(ICardService& card, IPinDialogs& dialogs);
// The PIN page's enable/disable buttons. True when the request was switched.
bool TogglePinLock(ICardService& card, IPinDialogs& dialogs);
// The PIN page's change button. True when the PIN was changed.
bool ChangePinFlow(ICardService& card, IPinDialogs& dialogs);

}  // namespace dedevev

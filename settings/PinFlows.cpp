#include "settings/PinFlows.h"

#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "device/DeviceStatus.h"
#include "device/ICardService.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

constexpr std::string_view kSection = "Security";

std::u16string SecurityText(std::string_view key) {
    return LocalText(key, kSection);
}

// Overwrites a code before its memory is given back, so it does not linger in the heap.
void Wipe(std::string& code) {
    volatile char* bytes = code.data();
    for (std::size_t i = 0; i < code.size(); ++i)
        bytes[i] = 0;
    code.clear();
}

void Wipe(PinChange& change) {
    Wipe(change.old_pin);
    Wipe(change.new_pin);
}

void Wipe(PukEntry& entry) {
    Wipe(entry.puk);
    Wipe(entry.new_pin);
}

bool Succeeded(int status) {
    return status == kStatusOk;
}

// Drops a running connection (waiting until the link is down) and hangs up a call: the card
// is about to be blocked.
void DropLinkAndCall() {
    Exports().ConnectionExport()->StopAndWait();
    if (IVoiceExport* voice = Exports().VoiceExport())
        voice->PressHangUp();
}

int OnePinAttempt(ICardService& card, IPinDialogs& dialogs) {
    std::optional<std::string> pin = dialogs.AskPin(PinAttemptsLeft(card));
    if (!pin)
        return kPinCancelled;
    int status = kStatusUntouched;
    card.VerifyPin(*pin, &status);
    Wipe(*pin);
    if (Succeeded(status))
        return kPinAccepted;
    const int left = PinAttemptsLeft(card);
    if (left <= 0)
        return kPinWrongNoneLeft;
    dialogs.Message(FormatCount(SecurityText("PinError"), left), kMbOk | kMbIconError);
    return kPinWrongSomeLeft;
}

int OnePukAttempt(ICardService& card, IPinDialogs& dialogs) {
    const int puk_left = PukAttemptsLeft(card);
    if (puk_left <= 0) {
        dialogs.Message(SecurityText("PUKErrLock"), kMbOk | kMbIconInformation);
        return kPinWrongNoneLeft;
    }
    std::optional<PukEntry> entry = dialogs.AskPuk(puk_left);
    if (!entry)
        return kPinCancelled;
    int status = kStatusUntouched;
    card.UnlockWithPuk(entry->puk, entry->new_pin, &status);
    Wipe(*entry);
    if (Succeeded(status))
        return kPinAccepted;
    const int left = PukAttemptsLeft(card);
    if (left > 0) {
        dialogs.Message(FormatCount(SecurityText("PUKError"), left), kMbOk | kMbIconInformation);
        return kPinWrongSomeLeft;
    }
    dialogs.Message(SecurityText("RUIMInvalid"), kMbOk | kMbIconError);
    return kPinWrongNoneLeft;
}

// Whether the card is blocked and needs its PUK. No PIN attempts left means blocked; when
// the attempts cannot be read at all, the card's own PUK state decides, so a card that
// simply does not report its counter is not sent into the PUK dialog.
bool CardBlocked(ICardService& card) {
    int status = kStatusUntouched;
    const int left = card.GetRemainingAttempts(&status);
    if (Succeeded(status))
        return left <= 0;
    return CardWantsPuk(card);
}

}  // namespace

int PinAttemptsLeft(ICardService& card) {
    int status = kStatusUntouched;
    const int left = card.GetRemainingAttempts(&status);
    return Succeeded(status) ? left : 0;
}

int PukAttemptsLeft(ICardService& card) {
    int status = kStatusUntouched;
    const int left = card.GetRemainingPukAttempts(&status);
    return Succeeded(status) ? left : 0;
}

bool CardWantsPin(ICardService& card) {
    int status = kStatusUntouched;
    const bool wants = card.IsPinRequired(&status);
    return wants && Succeeded(status);
}

bool CardWantsPuk(ICardService& card) {
    int status = kStatusUntouched;
    const bool wants = card.IsPukRequired(&status);
    return wants && Succeeded(status);
}

bool PinRequestOn(ICardService& card) {
    int status = kStatusUntouched;
    const int state = card.GetPinLockState(&status);
    return Succeeded(status) && state == kPinLockOn;
}

std::u16string FormatCount(const std::u16string& format, int value) {
    std::u16string text = format;
    const std::size_t at = text.find(u"%d");
    if (at != std::u16string::npos) {
        const std::string digits = std::to_string(value);
        text.replace(at, 2, std::u16string(digits.begin(), digits.end()));
    }
    return text;
}

PinPageButtons ReadPinPageButtons(ICardService& card) {
    PinPageButtons buttons;
    buttons.check_pin = CardWantsPin(card);
    buttons.unlock_puk = CardWantsPuk(card);
    if (!buttons.check_pin && !buttons.unlock_puk) {
        int status = kStatusUntouched;
        const int state = card.GetPinLockState(&status);
        const bool known = Succeeded(status);
        buttons.enable_pin = known && state == kPinLockOff;
        buttons.disable_pin = known && state == kPinLockOn;
        buttons.change_pin = buttons.disable_pin;
    }
    return buttons;
}

std::string PinProblem(const std::string& pin) {
    return pin.size() < kPinMinLength ? "ShortPin" : "";
}

std::string ChangePinProblem(const std::string& new_pin, const std::string& confirm) {
    if (new_pin != confirm)
        return "PassMismatch";
    return PinProblem(new_pin);
}

std::string PukProblem(const std::string& puk, const std::string& new_pin,
                       const std::string& confirm) {
    if (puk.empty() || new_pin.empty())
        return "CodeEmpty";
    if (new_pin != confirm)
        return "PinNotSame";
    return PinProblem(new_pin);
}

bool EnterPin(ICardService& card, IPinDialogs& dialogs, int* last) {
    int result = kPinAccepted;
    bool ok = !CardWantsPin(card);
    if (!ok) {
        result = kPinWrongNoneLeft;
        while (PinAttemptsLeft(card) > 0) {
            result = OnePinAttempt(card, dialogs);
            if (result != kPinWrongSomeLeft)
                break;
        }
        ok = result == kPinAccepted;
    }
    if (last != nullptr)
        *last = result;
    return ok;
}

bool UnlockPuk(ICardService& card, IPinDialogs& dialogs) {
    if (!CardBlocked(card))
        return true;
    int result = kPinWrongNoneLeft;
    do {
        result = OnePukAttempt(card, dialogs);
    } while (result == kPinWrongSomeLeft && PukAttemptsLeft(card) > 0);
    return result == kPinAccepted;
}

bool EnterPinAtStart(ICardService& card, IPinDialogs& dialogs, std::u16string* error_text) {
    int last = kPinAccepted;
    bool ok = EnterPin(card, dialogs, &last);
    if (last != kPinCancelled)
        ok = UnlockPuk(card, dialogs);
    if (!ok && error_text != nullptr)
        *error_text = LocalText(std::string_view("PinLocked"));
    return ok;
}

bool HandlePinExhausted(ICardService& card, IPinDialogs& dialogs) {
    if (!CardBlocked(card))
        return true;
    dialogs.Message(SecurityText("PinErrLock"), kMbOk | kMbIconError);
    if (UnlockPuk(card, dialogs))
        return true;
    dialogs.RequestClose();
    return false;
}

bool TogglePinLock(ICardService& card, IPinDialogs& dialogs) {
    const int attempts = PinAttemptsLeft(card);
    if (attempts <= 0)
        return false;
    std::optional<std::string> pin = dialogs.AskPin(attempts);
    if (!pin)
        return false;
    const bool turn_on = !PinRequestOn(card);
    int status = kStatusUntouched;
    card.SetPinLock(*pin, turn_on, &status);
    Wipe(*pin);
    if (Succeeded(status)) {
        dialogs.Message(SecurityText(turn_on ? "PinEnabled" : "PinDisabled"),
                        kMbOk | kMbIconInformation);
        return true;
    }
    const int left = PinAttemptsLeft(card);
    if (left > 0) {
        dialogs.Message(FormatCount(SecurityText("PinError"), left), kMbOk | kMbIconError);
        return false;
    }
    DropLinkAndCall();
    HandlePinExhausted(card, dialogs);
    return false;
}

bool ChangePinFlow(ICardService& card, IPinDialogs& dialogs) {
    bool tried = false;  // a wrong old PIN was sent at least once
    for (;;) {
        const int attempts = PinAttemptsLeft(card);
        if (attempts <= 0) {
            if (tried) {
                DropLinkAndCall();
                HandlePinExhausted(card, dialogs);
            }
            return false;
        }
        std::optional<PinChange> change = dialogs.AskChangePin(attempts);
        if (!change)
            break;
        int status = kStatusUntouched;
        card.ChangePin(change->old_pin, change->new_pin, &status);
        Wipe(*change);
        if (Succeeded(status)) {
            dialogs.Message(SecurityText("PinSaved"), kMbOk | kMbIconInformation);
            return true;
        }
        tried = true;
    }
    // Cancelled after one or more wrong PINs: say how many attempts are left. A plain
    // cancel says nothing.
    const int left = PinAttemptsLeft(card);
    if (tried && left > 0)
        dialogs.Message(FormatCount(SecurityText("PinError"), left), kMbOk | kMbIconError);
    return false;
}

}  // namespace dedevev

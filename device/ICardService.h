#pragma once
// PIN, PUK and USSD. PINs and PUKs travel as UTF-8 digits; the program never stores them.

#include <string>

#include "device/DeviceStatus.h"

namespace dedevev {

// What a USSD result from the network says (the <m> of +CUSD).
enum class UssdResult {
    kDone = 0,         // a reply (or a notice of the network's own) that needs no answer
    kQuestion = 1,     // the network waits for the user's answer
    kEnded = 2,        // the network ended the exchange
    kOtherClient = 3,  // another client on the card answered
    kRefused = 4,      // the network does not support the request
    kTimedOut = 5,     // the network gave up waiting
};

// One USSD result: what it says and its text (UTF-8, empty when it has none).
struct UssdNotice {
    UssdResult result = UssdResult::kDone;
    std::string text;
};

// USSD replies, implemented by the USSD page. Called on the library's thread.
class IUssdEventHandler {
public:
    // 0: a reply from the network (UTF-8).
    virtual void OnUssdReply(const std::string& text) = 0;
    // 1: every result the network sends, with or without text. A handler that does not
    // override it hears the texts of replies, questions and ends through OnUssdReply.
    virtual void OnUssdNotice(const UssdNotice& notice) {
        const bool shown = notice.result == UssdResult::kDone ||
                           notice.result == UssdResult::kQuestion ||
                           notice.result == UssdResult::kEnded;
        if (shown && !notice.text.empty()) {
            OnUssdReply(notice.text);
        }
    }

protected:
    ~IUssdEventHandler() = default;
};

// Values of GetPinLockState.
constexpr int kPinLockOff = 0;
constexpr int kPinLockOn = 1;  // the card asks for the PIN at power-on

// Every operation fails when the card does not answer; a failed query answers 0 or false.
class ICardService {
public:
    // 0: true while the card waits for its PIN.
    virtual bool IsPinRequired(int* status) = 0;
    // 1: true while the card is blocked and waits for the PUK.
    virtual bool IsPukRequired(int* status) = 0;
    // 2: succeeds when the card accepted the PIN; a wrong PIN uses up one attempt.
    virtual void VerifyPin(const std::string& pin, int* status) = 0;
    // 3: PIN attempts left.
    virtual int GetRemainingAttempts(int* status) = 0;
    // 4: PUK attempts left.
    virtual int GetRemainingPukAttempts(int* status) = 0;
    // 5: switches the PIN request at power-on on or off; fails on a wrong PIN.
    virtual void SetPinLock(const std::string& pin, bool on, int* status) = 0;
    // 6: changes the PIN; fails on a wrong old PIN.
    virtual void ChangePin(const std::string& old_pin, const std::string& new_pin, int* status) = 0;
    // 7: unblocks the card with the PUK and sets the new PIN; fails on a wrong PUK.
    virtual void UnlockWithPuk(const std::string& puk, const std::string& new_pin, int* status) = 0;
    // 8: kPinLockOn when the PIN request is on, kPinLockOff when it is off.
    virtual int GetPinLockState(int* status) = 0;
    // 9: whether this card has PIN management at all.
    virtual bool IsPinCheckEnabled(int* status) = 0;
    // 10: sends a USSD request. The status stays kStatusUntouched or becomes
    // kStatusNotSupported when the card has no USSD; the reply comes through the listener.
    virtual void SendUssd(const std::string& text, int* status) = 0;
    // 11: the one USSD listener, or none when null.
    virtual void SetUssdListener(IUssdEventHandler* listener) = 0;

protected:
    ~ICardService() = default;
};

}  // namespace dedevev

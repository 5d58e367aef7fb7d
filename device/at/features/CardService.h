#pragma once
// ICardService over AT commands: PIN and PUK with their remaining attempts, the PIN lock,
// and USSD with its session (see Ussd.h).

#include <mutex>
#include <optional>
#include <string>

#include "device/ICardService.h"
#include "device/at/features/Ussd.h"
#include "device/at/parsers/AtParsers.h"
#include "device/at/transport/AtResponse.h"

namespace dedevev::at {

class ModemContext;

class CardService final : public ICardService {
public:
    explicit CardService(ModemContext& context);
    ~CardService();
    CardService(const CardService&) = delete;
    CardService& operator=(const CardService&) = delete;

    bool IsPinRequired(int* status) override;
    bool IsPukRequired(int* status) override;
    void VerifyPin(const std::string& pin, int* status) override;
    int GetRemainingAttempts(int* status) override;
    int GetRemainingPukAttempts(int* status) override;
    void SetPinLock(const std::string& pin, bool on, int* status) override;
    void ChangePin(const std::string& old_pin, const std::string& new_pin, int* status) override;
    void UnlockWithPuk(const std::string& puk, const std::string& new_pin, int* status) override;
    int GetPinLockState(int* status) override;
    bool IsPinCheckEnabled(int* status) override;
    void SendUssd(const std::string& text, int* status) override;
    void SetUssdListener(IUssdEventHandler* listener) override;

    // The exchange is over (the port closed or failed).
    void Reset();
    const UssdSession& Session() const { return session_; }

private:
    // The card's PIN state: "READY", "SIM PIN", "SIM PUK", ...; nullopt when it did not say.
    std::optional<std::string> PinState(int* status);
    std::optional<PinCounters> Counters(bool want_puk);
    void OnUssdResult(const std::string& line);

    ModemContext& context_;
    UssdSession session_;
    int listener_id_ = -1;
    std::recursive_mutex listener_mutex_;  // held while the listener runs
    IUssdEventHandler* listener_ = nullptr;
};

// The card's PIN state from AT+CPIN?: "READY", "SIM PIN", "SIM PUK", the card's other code, or
// the state a +CME ERROR names ("SIM BUSY", "SIM NOT INSERTED", ...); nullopt when the card did
// not say. With `settle` a starting SIM is asked again every half second, within
// Timeouts::sim: while it is busy, and shortly after the radio came on also while it is not
// found or answers a plain ERROR. `last` (may be null) receives the last answer.
std::optional<std::string> ReadPinState(ModemContext& context, bool settle,
                                        Response* last = nullptr);

// Whether a PIN or PUK may be sent: 1..16 digits.
bool IsValidPinText(const std::string& pin);

}  // namespace dedevev::at

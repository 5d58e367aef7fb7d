#pragma once
// A card that checks and counts PINs and PUKs like a real one (3 PIN, 10 PUK attempts),
// with a log of the operations that change it.

#include <string>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/ICardService.h"

namespace dedevev::test {

class FakePinCard : public ICardService {
public:
    std::string pin = "1234";
    std::string puk = "12345678";
    int pin_left = 3;
    int puk_left = 10;
    bool lock_on = true;
    bool pin_entered = false;
    std::vector<std::string> calls;  // "verify 1234", "puk ...", "lock ...", "change ..."

    bool IsPinRequired(int* s) override { return Ok(s), lock_on && !pin_entered && pin_left > 0; }
    bool IsPukRequired(int* s) override { return Ok(s), pin_left == 0; }
    int GetRemainingAttempts(int* s) override { return Ok(s), pin_left; }
    int GetRemainingPukAttempts(int* s) override { return Ok(s), puk_left; }
    int GetPinLockState(int* s) override { return Ok(s), lock_on ? kPinLockOn : kPinLockOff; }
    bool IsPinCheckEnabled(int* s) override { return Ok(s), true; }
    void VerifyPin(const std::string& p, int* s) override {
        calls.push_back("verify " + p);
        Check(p, s);
    }
    void SetPinLock(const std::string& p, bool on, int* s) override {
        calls.push_back("lock " + p + (on ? " on" : " off"));
        if (Check(p, s))
            lock_on = on;
    }
    void ChangePin(const std::string& old_pin, const std::string& new_pin, int* s) override {
        calls.push_back("change " + old_pin + " " + new_pin);
        if (Check(old_pin, s))
            pin = new_pin;
    }
    void UnlockWithPuk(const std::string& p, const std::string& new_pin, int* s) override {
        calls.push_back("puk " + p + " " + new_pin);
        if (puk_left == 0 || p != puk) {
            puk_left = puk_left > 0 ? puk_left - 1 : 0;
            return;
        }
        pin = new_pin;
        pin_left = 3;
        puk_left = 10;
        pin_entered = true;
        *s = kStatusOk;
    }
    void SendUssd(const std::string&, int*) override {}
    void SetUssdListener(IUssdEventHandler*) override {}

private:
    static void Ok(int* s) { *s = kStatusOk; }
    bool Check(const std::string& p, int* s) {
        if (pin_left == 0)
            return false;
        if (p != pin) {
            --pin_left;
            return false;
        }
        pin_left = 3;
        pin_entered = true;  // a card that took its PIN asks no more
        *s = kStatusOk;
        return true;
    }
};

}  // namespace dedevev::test

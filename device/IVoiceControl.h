#pragma once
// Voice calls on the card and the card's call events.

#include <cstdint>
#include <string>

#include "device/DeviceStatus.h"

namespace dedevev {

// The card's call events, implemented by the call manager. Called on the library's thread.
class IVoiceEventHandler {
public:
    // 0: a call is being set up; the call manager takes no action.
    virtual void OnCallSetup() = 0;
    // 1: a call rings; `number` is empty when the caller withheld it.
    virtual void OnIncomingCall(const std::string& number, bool withheld) = 0;
    // 2: a second call waits during a call.
    virtual void OnCallWaiting(const std::string& number, bool withheld) = 0;
    // 3: a call was connected; `call_id` names it for VoiceSendDtmf.
    virtual void OnCallConnected(int call_id) = 0;
    // 4: the call ended.
    virtual void OnCallEnded() = 0;
    // 5: a progress report of the call; the call manager takes no action.
    virtual void OnCallStatus() = 0;
    // 6: an information text from the network (UTF-8).
    virtual void OnCallInfo(const std::string& text) = 0;

protected:
    ~IVoiceEventHandler() = default;
};

// Every command fails when the card does not answer or refuses it in the present call state.
class IVoiceControl {
public:
    // 0: dials `number`.
    virtual void VoiceDial(const std::string& number, int* status) = 0;
    // 1: prepares the voice path; called once when the voice view opens.
    virtual void VoiceOpen(int* status) = 0;
    // 2: answers the ringing call.
    virtual void VoiceAnswer(int* status) = 0;
    // 3: ends or rejects the current call.
    virtual void VoiceHangUp(int* status) = 0;
    // 4: sends a flash with `number` (calls a second party, or sends a join text).
    virtual void VoiceSendFlash(const std::string& number, int* status) = 0;
    // 5: joins the second party into a three-way call.
    virtual void VoiceJoin(int* status) = 0;
    // 6: drops the second party.
    virtual void VoiceEndSecond(int* status) = 0;
    // 7: answers a waiting call.
    virtual void VoiceAcceptWaiting(int* status) = 0;
    // 8: switches between the current and the waiting call.
    virtual void VoiceSwapWaiting(int* status) = 0;
    // 9: sends the tone of `key` in call `call_id`.
    virtual void VoiceSendDtmf(int call_id, char key, int* status) = 0;
    // 10: plays a tone of `frequency_hz` for `duration_ms` on the card's speaker.
    virtual void VoicePlayTone(std::uint16_t frequency_hz, int duration_ms, int* status) = 0;
    // 11: the speaker volume now set, not used by the program.
    virtual int GetVolume(int* status) {
        (void)status;
        return 0;
    }
    // 12: speaker volume 0..8.
    virtual void SetVolume(int level, int* status) = 0;
    // 13, 14, 15: not used by the program.
    virtual void Reserved13() {}
    virtual void Reserved14() {}
    virtual void Reserved15() {}
    // 16: the card's call state (0 when no call is up).
    virtual int GetCallState(int* status) = 0;
    // 17: the one voice event handler, or none when null.
    virtual void SetVoiceEventHandler(IVoiceEventHandler* handler) = 0;

protected:
    ~IVoiceControl() = default;
};

}  // namespace dedevev

#pragma once
// A voice control for the call manager's tests, without a card: it records the commands it is
// given, and each succeeds unless the test made its kind fail.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/IVoiceControl.h"

namespace dedevev::test {

class ScriptedVoice final : public IVoiceControl {
public:
    using Commands = std::vector<std::string>;
    void VoiceDial(const std::string& n, int* s) override { Do("dial " + n, s); }
    void VoiceOpen(int* s) override { Do("open", s); }
    void VoiceAnswer(int* s) override { Do("answer", s); }
    void VoiceHangUp(int* s) override { Do("hangup", s); }
    void VoiceSendFlash(const std::string& n, int* s) override { Do("flash " + n, s); }
    void VoiceJoin(int* s) override { Do("join", s); }
    void VoiceEndSecond(int* s) override { Do("endsecond", s); }
    void VoiceAcceptWaiting(int* s) override { Do("accept", s); }
    void VoiceSwapWaiting(int* s) override { Do("swap", s); }
    void VoiceSendDtmf(int, char key, int* s) override { Do(std::string("dtmf ") + key, s); }
    void VoicePlayTone(std::uint16_t hz, int ms, int* s) override {
        Do("tone " + std::to_string(hz) + " " + std::to_string(ms), s);
    }
    void SetVolume(int, int* s) override { Do("volume", s); }
    int GetCallState(int* s) override {
        *s = kStatusOk;
        return calls_listed;
    }
    void SetVoiceEventHandler(IVoiceEventHandler* h) override { handler = h; }

    Commands commands;
    std::map<std::string, bool> failing;  // command word -> fails
    int calls_listed = 0;
    IVoiceEventHandler* handler = nullptr;

private:
    void Do(const std::string& command, int* status) {
        commands.push_back(command);
        if (!failing[command.substr(0, command.find(' '))])
            *status = kStatusOk;
    }
};

}  // namespace dedevev::test

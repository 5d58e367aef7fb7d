// dedevev-at's call commands: dial (and follow the call until it connects or ends), answer,
// hang up, send DTMF tones, and list the card's calls.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "device/IVoiceControl.h"
#include "device/at/features/VoiceControl.h"
#include "tools/at/AtTool.h"

namespace dedevev::attool {

namespace {

// Collects the call events (they come on the library's thread) for the main thread to print.
class CallEvents final : public IVoiceEventHandler {
public:
    void OnCallSetup() override { Add("setup", false); }
    void OnIncomingCall(const std::string& number, bool withheld) override {
        Add("incoming " + (withheld ? std::string("withheld") : number), false);
    }
    void OnCallWaiting(const std::string& number, bool withheld) override {
        Add("waiting " + (withheld ? std::string("withheld") : number), false);
    }
    void OnCallConnected(int call_id) override {
        Add("connected " + std::to_string(call_id), false, true);
    }
    void OnCallEnded() override { Add("ended", true); }
    void OnCallStatus() override { Add("progress", false); }
    void OnCallInfo(const std::string& text) override { Add("info " + text, false); }

    // Prints the events as they come until the call connects or ends or `timeout` passes;
    // returns the outcome: "connected", "ended" or "timeout".
    std::string Follow(std::chrono::seconds timeout, Output& out) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::unique_lock<std::mutex> lock(mutex_);
        while (true) {
            changed_.wait_until(lock, deadline, [&] { return !pending_.empty(); });
            while (!pending_.empty()) {
                const std::string event = pending_.front();
                pending_.pop_front();
                lock.unlock();
                out.Field("event", event);
                lock.lock();
            }
            if (ended_)
                return "ended";
            if (connected_)
                return "connected";
            if (std::chrono::steady_clock::now() >= deadline)
                return "timeout";
        }
    }

private:
    void Add(std::string event, bool end, bool connect = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(std::move(event));
        ended_ = ended_ || end;
        connected_ = connected_ || connect;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pending_;
    bool connected_ = false;
    bool ended_ = false;
};

bool Ok(int status) {
    return status == kStatusOk;
}

const char* StateName(int state) {
    switch (state) {
        case at::kCallActive:
            return "active";
        case at::kCallHeld:
            return "held";
        case at::kCallDialing:
            return "dialing";
        case at::kCallAlerting:
            return "alerting";
        case at::kCallIncoming:
            return "incoming";
        case at::kCallWaiting:
            return "waiting";
        default:
            return "unknown";
    }
}

int Dial(const Invocation& inv, IVoiceControl* voice, Output& out) {
    CallEvents events;
    voice->SetVoiceEventHandler(&events);
    int status = kStatusUntouched;
    voice->VoiceDial(inv.args[1], &status);
    if (!Ok(status)) {
        voice->SetVoiceEventHandler(nullptr);
        return out.Fail(kExitRefused, "the card refused to dial " + inv.args[1]);
    }
    const std::string outcome = events.Follow(std::chrono::seconds(inv.timeout_seconds), out);
    voice->SetVoiceEventHandler(nullptr);
    out.Field("result", outcome);
    if (outcome == "ended")
        return out.Fail(kExitRefused, "the call ended before it was answered");
    if (outcome == "timeout")
        return out.Fail(kExitTimeout, "the call was not answered within " +
                                          std::to_string(inv.timeout_seconds) + " s");
    return kExitOk;
}

int List(IVoiceControl* voice, Output& out) {
    auto* ours = dynamic_cast<at::VoiceControl*>(voice);
    if (ours == nullptr)
        return out.Fail(kExitRefused, "this modem library cannot list calls");
    std::vector<at::CallEntry> calls;
    if (!ours->ListCalls(&calls))
        return out.Fail(kExitRefused, "the card did not list its calls");
    out.Field("calls", std::to_string(calls.size()));
    for (const at::CallEntry& call : calls) {
        out.Field("call", std::to_string(call.id));
        out.Field("direction", call.direction == 0 ? "outgoing" : "incoming");
        out.Field("state", StateName(call.state));
        out.Field("number", call.number);
        if (call.multiparty)
            out.Field("multiparty", "yes");
    }
    return kExitOk;
}

}  // namespace

int CallCommand(const Invocation& inv, IModemAgent* agent, Output& out) {
    IVoiceControl* voice = agent->GetVoiceControl();
    const std::string& action = inv.args[0];
    if (action == "dial")
        return Dial(inv, voice, out);
    if (action == "list")
        return List(voice, out);
    int status = kStatusUntouched;
    if (action == "answer") {
        voice->VoiceAnswer(&status);
        if (!Ok(status))
            return out.Fail(kExitRefused, "no call to answer (or the card refused)");
        out.Field("result", "answered");
        return kExitOk;
    }
    if (action == "hangup") {
        voice->VoiceHangUp(&status);
        if (!Ok(status))
            return out.Fail(kExitRefused, "the card refused to hang up");
        out.Field("result", "hung up");
        return kExitOk;
    }
    if (action == "dtmf") {
        for (char key : inv.args[1]) {
            status = kStatusUntouched;
            voice->VoiceSendDtmf(0, key, &status);
            if (!Ok(status))
                return out.Fail(kExitRefused,
                                std::string("the card refused the tone ") + key + " (no call?)");
        }
        out.Field("sent", inv.args[1]);
        return kExitOk;
    }
    return out.Fail(kExitUsage, "call takes dial, answer, hangup, dtmf or list");
}

}  // namespace dedevev::attool

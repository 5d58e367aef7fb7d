#pragma once
// The scripted card of the voice-call tests: a modem on a pseudo-terminal that answers AT+GCAP
// as a GSM card and lists the calls a test sets, and a recorder of the call events.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/at/features/ModemAgent.h"
#include "device/at/features/VoiceControl.h"
#include "support/Eventually.h"
#include "support/PtyPeer.h"

namespace dedevev::at::voice_test {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;
using std::chrono::milliseconds;

inline constexpr Millis kHangBound{20000};  // only a net against hangs

inline const Script kOk = Script().Ok();
inline const char* const kGsmCaps = "+GCAP: +CGSM,+DS,+ES";
inline const char* const kCdmaCaps = "+GCAP: +CIS707-A,+MS,+ES,+DS";

// Records every call event as text, with the thread it came on.
class Recorder final : public IVoiceEventHandler {
public:
    void OnCallSetup() override { Add("setup"); }
    void OnIncomingCall(const std::string& number, bool withheld) override {
        Add("incoming " + number + (withheld ? " withheld" : ""));
        if (on_incoming)
            on_incoming();
    }
    void OnCallWaiting(const std::string& number, bool withheld) override {
        Add("waiting " + number + (withheld ? " withheld" : ""));
    }
    void OnCallConnected(int id) override { Add("connected " + std::to_string(id)); }
    void OnCallEnded() override { Add("ended"); }
    void OnCallStatus() override { Add("status"); }
    void OnCallInfo(const std::string& text) override { Add("info " + text); }

    bool WaitForEvent(const std::string& event) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] {
            return std::find(events_.begin(), events_.end(), event) != events_.end();
        });
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return events_.size() >= count; });
    }
    Commands Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    bool AllOnOtherThreads(std::thread::id test_thread) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::thread::id& id : threads_) {
            if (id == test_thread)
                return false;
        }
        return true;
    }
    std::function<void()> on_incoming;

private:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    Commands events_;
    std::vector<std::thread::id> threads_;
};

// The calls the scripted card lists for AT+CLCC, changed by the test as the call goes on.
class Listing {
public:
    void Set(Commands lines) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_ = std::move(lines);
    }
    Script Answer() {
        std::lock_guard<std::mutex> lock(mutex_);
        Script script;
        for (const std::string& line : lines_)
            script.Line(line);
        return script.Ok();
    }

private:
    std::mutex mutex_;
    Commands lines_;
};

class VoiceControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer_.IsOpen());
        int status = kStatusUntouched;
        ASSERT_TRUE(agent_.Open(peer_.SlavePath(), 115200, &status)) << agent_.LastError();
        voice_ = dynamic_cast<VoiceControl*>(agent_.GetVoiceControl());
        ASSERT_NE(voice_, nullptr);
        peer_.On("AT+GCAP", Script().Line(kGsmCaps).Ok());
        peer_.OnCall(R"(AT\+CLCC)", [this](const std::smatch&) { return listing_.Answer(); });
    }
    void TearDown() override { voice_->SetVoiceEventHandler(nullptr); }

    // Waits until the card has been asked for its calls `more` more times.
    bool WaitForListings(std::size_t more) {
        const auto count = [&] {
            std::size_t n = 0;
            for (const std::string& c : peer_.Commands())
                n += c == "AT+CLCC";
            return n;
        };
        const std::size_t target = count() + more;
        return test::Eventually([&] { return count() >= target; });
    }

    // Waits until the calls are no longer listed (no call is up any more).
    bool WaitUntilIdle() {
        return test::Eventually([&] { return !voice_->Polling(); });
    }

    Recorder events_;  // outlives the modem object that calls it
    Listing listing_;
    PtyPeer peer_;
    ModemAgent agent_;
    VoiceControl* voice_ = nullptr;
};

}  // namespace dedevev::at::voice_test

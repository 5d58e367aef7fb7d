#pragma once
// A card and a dial-up library whose answers a test scripts, and a listener that writes what
// a session tells it into an event log.

#include <cerrno>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "connection/IConnectionListener.h"
#include "connection/NetRecordStore.h"
#include "device/DeviceStatus.h"
#include "device/IDeviceControl.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "device/null/NullObjects.h"
#include "device/ppp/IPppClient.h"
#include "support/EventLog.h"

namespace dedevev::test {

inline ServiceInfo Service(int system_mode, int state = kServiceAvailable) {
    ServiceInfo info;
    info.system_mode = system_mode;
    info.service_state = state;
    return info;
}

// Service answers in order (nothing: the card did not answer); the last one repeats.
class FakeCard : public CNullDeviceControl {
public:
    explicit FakeCard(EventLog& log) : log_(log) {}
    ServiceInfo GetServiceInfo(int* status) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<ServiceInfo> answer = answers.front();
        if (answers.size() > 1)
            answers.pop_front();
        if (!answer)
            return {};
        SetStatus(status, kStatusOk);
        return *answer;
    }
    void HangUpData(int* status) override {
        log_.Add("release");
        if (release_ok)
            SetStatus(status, kStatusOk);
    }

    std::deque<std::optional<ServiceInfo>> answers{Service(kSystemModeWcdma)};
    bool release_ok = true;

private:
    EventLog& log_;
    std::mutex mutex_;
};

// What one dial does; the last one of a script repeats.
struct DialScript {
    bool starts = true;    // Dial() answers true
    bool comes_up = true;  // the link comes up at once
    int up_ms = -1;        // how long it stays up (-1: until hung up)
    int end_code = 0;      // then: 0 the link drops, else this error with the link still up
                           // (for a link that never comes up: the error while dialling)
    int drop_code = 0;     // the error that comes with a drop
    SessionStats stats{{}, 5, 0, 0};
};

class FakeLink final : public IPppClient {
public:
    FakeLink(IClock& clock, EventLog& log) : clock_(clock), log_(log) {}

    void SetPort(const std::u16string&) override {}
    void SetOperatorText(const std::string&) override {}
    void SetAuthProtocols(std::uint8_t, std::uint8_t) override {}
    bool Dial(const DialParams& params) override {
        IRasListener* listener = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            dialled.push_back(params);
            dial_times.push_back(clock_.Now());
            current_ = script.front();
            if (script.size() > 1)
                script.pop_front();
            listener = listener_;
            ever_up_ = ever_up_ || (current_.starts && current_.comes_up);
        }
        log_.Add("dial");
        if (!current_.starts) {
            errno = kDialErrorPortBusy;
            return false;
        }
        if (current_.comes_up && listener != nullptr)
            listener->OnDialState(kDialStateConnected, 0);
        return true;
    }
    void HangUp() override { log_.Add("hangup"); }
    int GetState(int* error) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!current_.comes_up) {
            *error = current_.end_code != 0 ? current_.end_code : kDialErrorPending;
            return kDialStateConnectDevice;
        }
        const bool up =
            current_.up_ms < 0 ||
            clock_.Now() < dial_times.back() + std::chrono::milliseconds(current_.up_ms);
        if (up || current_.end_code != 0) {
            *error = up ? 0 : current_.end_code;
            return kDialStateConnected;
        }
        *error = current_.drop_code;
        return kDialStateDisconnected;
    }
    std::u16string GetErrorText(int error) override {
        return Utf8ToUtf16("E" + std::to_string(error));
    }
    bool GetByteCounters(std::uint64_t* sent, std::uint64_t* received) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::tie(*sent, *received) = counters.front();
        if (counters.size() > 1)
            counters.pop_front();
        return true;
    }
    bool GetStatistics(SessionStats* stats) override {
        std::lock_guard<std::mutex> lock(mutex_);
        *stats = current_.stats;
        return ever_up_;
    }
    std::u16string GetInfoText() override { return u"ppp0"; }
    void SetListener(IRasListener* listener) override {
        if (listener == nullptr)
            log_.Add("listener:null");
        std::lock_guard<std::mutex> lock(mutex_);
        listener_ = listener;
    }

    std::deque<DialScript> script{DialScript{}};
    std::deque<std::pair<std::uint64_t, std::uint64_t>> counters{{0, 0}};  // sent, received
    std::vector<DialParams> dialled;
    std::vector<IClock::TimePoint> dial_times;

private:
    IClock& clock_;
    EventLog& log_;
    std::mutex mutex_;
    DialScript current_;
    bool ever_up_ = false;
    IRasListener* listener_ = nullptr;
};

// Writes what a session tells into the log; filed sessions as "recorded:<seconds>".
class SessionLog final : public IConnectionListener, public INetRecordObserver {
public:
    SessionLog(EventLog& log, NetRecordStore& store) : log_(log), store_(store) {}
    void OnError(const std::u16string& text) override { log_.Add("error:" + Utf16ToUtf8(text)); }
    void OnStatus(const std::u16string& text) override { log_.Add("status:" + Utf16ToUtf8(text)); }
    void OnConnected() override { log_.Add("connected"); }
    void OnStatistics(const SessionStats&, std::uint64_t receive_rate,
                      std::uint64_t send_rate) override {
        log_.Add("stats:" + std::to_string(receive_rate) + "/" + std::to_string(send_rate));
    }
    void OnDisconnecting() override { log_.Add("disconnecting"); }
    void OnDisconnected() override { log_.Add("disconnected"); }
    void OnRecordAdded(std::size_t index) override {
        SessionStats record;
        store_.At(index, &record);
        log_.Add("recorded:" + std::to_string(record.duration));
    }
    void OnRecordRemoved(std::size_t) override {}
    void OnRecordsCleared() override {}

private:
    EventLog& log_;
    NetRecordStore& store_;
};

}  // namespace dedevev::test

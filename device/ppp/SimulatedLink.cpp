// The simulated link: dials on a simulated card's data port, authenticates with PAP in PPP
// framing and carries the link until either end ends it, counting the bytes it moves there.
//
// A dial runs on a worker thread of its own: AT, ATD<number>, CONNECT [<rate>], a PAP
// Authenticate-Request (resent every 3 s, three times), then the link: the card's traffic is
// read and counted and acknowledged as a downloading host would, an LCP Echo-Request goes out
// every 10 s. The link ends with NO CARRIER from the card (the network dropped it), with the
// port (the card was pulled), or with HangUp, which closes the port: the card ends the data
// call when its last host lets go of the port, as a real card does when DTR drops. Bytes are counted from CONNECT on, as the card counts them.

#include "device/ppp/SimulatedLink.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "device/DateTimeFields.h"
#include "device/ICDMATime.h"
#include "device/at/transport/PppFrame.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "device/ppp/SimLinkPort.h"

namespace dedevev::ppp {

namespace {

using Millis = IClock::Duration;

constexpr Millis kCommandTimeout{5000};
constexpr Millis kDialTimeout{60000};  // a modem's wait for carrier (S7) is about a minute
constexpr Millis kAuthRestart{3000};
constexpr int kAuthRequests = 3;
constexpr Millis kEchoInterval{10000};
// Two full-size packets, and the 40 bytes of a bare TCP/IPv4 acknowledgement.
constexpr std::size_t kAckEvery = 2 * 1500;
const std::string kAckPacket(40, '\0');
constexpr std::uint32_t kMagic = 0x484F5354;
// Not a library error: the link was stopped by HangUp.
constexpr int kStopped = -1;

// The characters of a dial string a data dial accepts: digits, '*', '#', '+', the pause ','
// and the V.250 modifiers P, T and W. A ';' would make it a voice call.
bool IsDialNumber(std::u16string_view number) {
    if (number.empty() || number.size() > 64)
        return false;
    for (char16_t c : number) {
        if (!(c >= u'0' && c <= u'9') &&
            std::u16string_view(u"*#+,PTWptw").find(c) == std::u16string_view::npos)
            return false;
    }
    return true;
}

// "3100000" -> "3.1 Mbit/s"; empty for a CONNECT without a rate.
std::string RateText(const std::string& connect_line) {
    std::uint64_t bps = 0;
    bool digits = false;
    for (char c : connect_line.substr(std::min<std::size_t>(connect_line.size(), 7))) {
        if (c >= '0' && c <= '9') {
            bps = bps * 10 + static_cast<std::uint64_t>(c - '0');
            digits = true;
            if (bps > 100000000000ULL)
                return {};
        } else if (c != ' ' || digits) {
            break;
        }
    }
    if (bps == 0)
        return {};
    char text[32];
    if (bps >= 1000000)
        std::snprintf(text, sizeof text, "%.1f Mbit/s", static_cast<double>(bps) / 1e6);
    else if (bps >= 1000)
        std::snprintf(text, sizeof text, "%.1f kbit/s", static_cast<double>(bps) / 1e3);
    else
        std::snprintf(text, sizeof text, "%u bit/s", static_cast<unsigned>(bps));
    return text;
}

// The library's error for a command's final result.
int ErrorOf(at::Final final) {
    switch (final) {
        case at::Final::kBusy:
            return kDialErrorLineBusy;
        case at::Final::kNoCarrier:
        case at::Final::kNoAnswer:
        case at::Final::kNoDialtone:
        case at::Final::kTimeout:
            return kDialErrorNoAnswer;
        case at::Final::kIoError:
            return kDialErrorPortClosed;
        case at::Final::kNotOpen:
            return kStopped;
        default:
            return kDialErrorDeviceError;
    }
}

class SimulatedLink final : public IPppClient {
public:
    explicit SimulatedLink(ICDMATime* time) : time_(time), clock_(ProcessClock()) {}
    ~SimulatedLink() override { HangUp(); }

    void SetPort(const std::u16string& port) override {
        std::lock_guard lock(mutex_);
        port_ = port;
    }
    // The simulated network keeps no operator's log and authenticates with PAP whatever the
    // protocols allowed: both settings are taken and change nothing.
    void SetOperatorText(const std::string&) override {}
    void SetAuthProtocols(std::uint8_t, std::uint8_t) override {}

    bool Dial(const DialParams& params) override {
        if (std::this_thread::get_id() == worker_id_.load()) {
            errno = EDEADLK;  // from our own listener: the running dial cannot wait for itself
            return false;
        }
        std::lock_guard control(control_mutex_);
        StopWorker();
        if (!IsDialNumber(params.number)) {
            errno = kDialErrorInvalidParams;
            return false;
        }
        std::string device;
        {
            std::lock_guard lock(mutex_);
            device = Utf16ToUtf8(params.device.empty() ? port_ : params.device);
            session_up_ = false;
            link_up_ = false;
            dialing_ = true;
            state_ = kDialStateOpenPort;
            error_ = kDialErrorNone;
            device_ = device;
            rate_.clear();
            sent_ = 0;
            received_ = 0;
        }
        wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wake_fd_ < 0) {
            const int code = errno;
            Finish(kDialErrorFatal);
            errno = code;
            return false;
        }
        stop_ = false;
        worker_ = std::thread(&SimulatedLink::Run, this, params, device);
        return true;
    }

    void HangUp() override {
        if (std::this_thread::get_id() == worker_id_.load()) {
            Stop();  // from our own listener: the worker ends by itself; the next call joins it
            return;
        }
        std::lock_guard control(control_mutex_);
        StopWorker();
    }

    int GetState(int* error) override {
        std::lock_guard lock(mutex_);
        if (error != nullptr)
            *error = dialing_ ? kDialErrorPending : error_;
        return state_;
    }

    std::u16string GetErrorText(int error) override { return DialErrorText(error); }

    bool GetByteCounters(std::uint64_t* sent, std::uint64_t* received) override {
        std::lock_guard lock(mutex_);
        if (!session_up_)
            return false;
        *sent = sent_;
        *received = received_;
        return true;
    }

    bool GetStatistics(SessionStats* stats) override {
        std::lock_guard lock(mutex_);
        if (!session_up_)
            return false;
        const IClock::TimePoint end = link_up_ ? clock_.Now() : ended_at_;
        stats->start = start_;
        stats->duration = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(end - up_since_).count());
        stats->bytes_sent = sent_;
        stats->bytes_received = received_;
        return true;
    }

    std::u16string GetInfoText() override {
        std::lock_guard lock(mutex_);
        if (!link_up_)
            return {};
        return Utf8ToUtf16("Simulated link on " + device_ + (rate_.empty() ? "" : ", " + rate_));
    }

    void SetListener(IRasListener* listener) override {
        std::lock_guard lock(listener_mutex_);  // a state being told is told to the end first
        listener_ = listener;
    }

private:
    void Stop() {
        stop_ = true;
        const std::uint64_t one = 1;
        if (wake_fd_ >= 0)
            (void)!::write(wake_fd_, &one, sizeof one);
    }

    void StopWorker() {
        if (worker_.joinable()) {
            Stop();
            worker_.join();
        }
        if (wake_fd_ >= 0)
            ::close(wake_fd_);
        wake_fd_ = -1;
    }

    void Report(int state, int error) {
        {
            std::lock_guard lock(mutex_);
            state_ = state;
        }
        std::lock_guard lock(listener_mutex_);
        if (listener_ != nullptr)
            listener_->OnDialState(state, error);
    }

    // The link ended (or never came up) with `error`.
    void Finish(int error) {
        {
            std::lock_guard lock(mutex_);
            if (link_up_)
                ended_at_ = clock_.Now();
            link_up_ = false;
            dialing_ = false;
            error_ = error;
        }
        Report(kDialStateDisconnected, error);
    }

    void Count(const SimLinkPort& port) {
        std::lock_guard lock(mutex_);
        sent_ = port.Sent();
        received_ = port.Received();
    }

    void Run(DialParams params, std::string device) {
        worker_id_ = std::this_thread::get_id();
        SimLinkPort port(clock_, wake_fd_, stop_);
        Report(kDialStateOpenPort, 0);
        std::string detail;
        int error = port.Open(device, &detail);
        if (error == 0) {
            Report(kDialStatePortOpened, 0);
            Report(kDialStateConnectDevice, 0);
            error = Connect(port, params);
        }
        if (error == 0) {
            Report(kDialStateDeviceConnected, 0);
            Report(kDialStateAllDevicesConnected, 0);
            Report(kDialStateAuthenticate, 0);
            error = Authenticate(port, params);
        }
        if (error == 0) {
            Report(kDialStateAuthenticated, 0);
            Report(kDialStateAuthProject, 0);
            Report(kDialStateProjected, 0);
            const DateTimeFields start =
                time_ != nullptr ? *time_->GetTime() : ToDateTimeFields(clock_.LocalNow());
            {
                std::lock_guard lock(mutex_);
                session_up_ = true;
                link_up_ = true;
                dialing_ = false;
                start_ = start;
                up_since_ = clock_.Now();
            }
            Count(port);
            Report(kDialStateConnected, 0);
            error = Carry(port);
        }
        Count(port);
        port.Close();  // the card ends its data call as the port is let go
        Finish(error == kStopped ? kDialErrorNone : error);
        worker_id_ = std::thread::id();
    }

    int Connect(SimLinkPort& port, const DialParams& params) {
        std::string final_line;
        const at::Final ready = port.Command("AT", kCommandTimeout, &final_line);
        if (ready != at::Final::kOk)
            return ErrorOf(ready);
        const at::Final dial =
            port.Command("ATD" + Utf16ToUtf8(params.number), kDialTimeout, &final_line);
        if (dial != at::Final::kConnect)
            return ErrorOf(dial);
        std::lock_guard lock(mutex_);
        rate_ = RateText(final_line);
        return 0;
    }

    int Authenticate(SimLinkPort& port, const DialParams& params) {
        at::PppDeframer deframer;
        for (int request = 1; request <= kAuthRequests; ++request) {
            const std::string frame = at::EncodePppFrame(
                at::kPppPap,
                at::PapRequestPacket(static_cast<std::uint8_t>(request), Utf16ToUtf8(params.user),
                                     Utf16ToUtf8(params.password)));
            if (!port.Write(frame))
                return stop_ ? kStopped : kDialErrorPortClosed;
            const IClock::TimePoint deadline = clock_.Deadline(kAuthRestart);
            while (true) {
                std::string bytes;
                const SimLinkPort::Event event = port.Read(deadline, &bytes);
                Count(port);
                // The answer first: a Nak comes right before the NO CARRIER that follows it.
                std::vector<at::PppFrame> frames;
                deframer.Feed(bytes, &frames);
                for (const at::PppFrame& in : frames) {
                    at::PapPacket pap;
                    if (in.protocol != at::kPppPap || !at::ParsePapPacket(in.payload, &pap))
                        continue;
                    if (pap.code == at::kPapAck && event == SimLinkPort::Event::kBytes)
                        return 0;
                    if (pap.code == at::kPapNak)
                        return kDialErrorAuthentication;
                }
                if (event == SimLinkPort::Event::kTimeout)
                    break;
                if (event != SimLinkPort::Event::kBytes)
                    return LinkEnd(event);
            }
        }
        return kDialErrorNegotiation;  // the network never answered
    }

    // Carries the link until it ends; the reason.
    int Carry(SimLinkPort& port) {
        std::uint8_t echo_id = 0;
        std::size_t unacknowledged = 0;
        IClock::TimePoint next_echo = clock_.Deadline(kEchoInterval);
        while (true) {
            std::string bytes;
            const SimLinkPort::Event event = port.Read(next_echo, &bytes);
            Count(port);
            if (event == SimLinkPort::Event::kBytes) {
                // A host that downloads also sends: a small acknowledgement for every two
                // full-size packets received, as TCP does.
                unacknowledged += bytes.size();
                bool written = true;
                for (; unacknowledged >= kAckEvery && written; unacknowledged -= kAckEvery)
                    written = port.Write(at::EncodePppFrame(at::kPppIpv4, kAckPacket));
                Count(port);
                if (!written)
                    return stop_ ? kStopped : kDialErrorPortClosed;
                continue;
            }
            if (event != SimLinkPort::Event::kTimeout)
                return LinkEnd(event);
            const bool written = port.Write(at::EncodePppFrame(
                at::kPppLcp, at::LcpEchoPacket(at::kLcpEchoRequest, ++echo_id, kMagic)));
            Count(port);
            if (!written)
                return stop_ ? kStopped : kDialErrorPortClosed;
            next_echo = clock_.Deadline(kEchoInterval);
        }
    }

    static int LinkEnd(SimLinkPort::Event event) {
        switch (event) {
            case SimLinkPort::Event::kStopped:
                return kStopped;
            case SimLinkPort::Event::kNoCarrier:
                return kDialErrorRemoteHangUp;
            default:
                return kDialErrorPortClosed;
        }
    }

    ICDMATime* const time_;
    IClock& clock_;

    std::mutex control_mutex_;  // one Dial or HangUp at a time
    std::thread worker_;
    std::atomic<std::thread::id> worker_id_{};
    std::atomic<bool> stop_{false};
    int wake_fd_ = -1;

    std::recursive_mutex listener_mutex_;
    IRasListener* listener_ = nullptr;

    std::mutex mutex_;  // guards what follows
    std::u16string port_;
    int state_ = kDialStateDisconnected;
    int error_ = kDialErrorNone;
    bool dialing_ = false;
    bool session_up_ = false;  // a link came up since the last Dial
    bool link_up_ = false;
    DateTimeFields start_;
    IClock::TimePoint up_since_{};
    IClock::TimePoint ended_at_{};
    std::uint64_t sent_ = 0;
    std::uint64_t received_ = 0;
    std::string device_;
    std::string rate_;
};

}  // namespace

std::unique_ptr<IPppClient> MakeSimulatedLink(ICDMATime* time) {
    return std::make_unique<SimulatedLink>(time);
}

}  // namespace dedevev::ppp

#include "device/ppp/PppdClient.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "device/ICDMATime.h"
#include "device/base/Utf.h"
#include "device/ppp/LinkCounters.h"
#include "device/ppp/PppdArgs.h"
#include "device/ppp/PppdLog.h"
#include "device/ppp/PppdProcess.h"
#include "device/ppp/PrivateFiles.h"

namespace dedevev::ppp {

namespace {

using Events = std::vector<std::pair<int, int>>;  // state, error

// How often the reader looks whether pppd has ended and reads the link's counters.
constexpr IClock::Duration kWatchSlice{100};
// A log line longer than this is taken in pieces.
constexpr std::size_t kMaxLine = 4096;
// pppd's log comes on its standard error.
constexpr int kLogFd = 2;

class PppdClient final : public IPppClient {
public:
    PppdClient(ICDMATime* time, PppdOptions options)
        : time_(time),
          options_(std::move(options)),
          clock_(options_.clock != nullptr ? *options_.clock : ProcessClock()) {}

    ~PppdClient() override { HangUp(); }

    void SetPort(const std::u16string& port) override {
        std::lock_guard lock(mutex_);
        port_ = port;
    }
    void SetOperatorText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        operator_text_ = text;
    }
    void SetAuthProtocols(std::uint8_t chap, std::uint8_t pap) override {
        std::lock_guard lock(mutex_);
        chap_ = chap;
        pap_ = pap;
    }

    bool Dial(const DialParams& params) override {
        bool on_reader = false;
        {
            std::lock_guard lock(mutex_);
            on_reader = OnReaderThread();
        }
        if (on_reader) {
            errno = EDEADLK;  // a listener cannot start a dial from inside a report
            return false;
        }
        HangUp();
        const int error = Start(params);
        if (error != 0)
            errno = error;
        return error == 0;
    }

    void HangUp() override {
        std::unique_lock lock(mutex_);
        if (pid_ > 0) {
            hang_up_ = true;
            ::kill(pid_, SIGTERM);
        }
        if (OnReaderThread())
            return;  // a listener's hang-up: the reader reaps pppd after the report
        if (pid_ > 0 && !clock_.WaitUntil(ended_, lock, clock_.Deadline(options_.hangup_grace),
                                          [&] { return pid_ < 0; })) {
            // pppd did not end: it and whatever it started in its group go at once.
            ::kill(-pid_, SIGKILL);
            clock_.WaitUntil(ended_, lock, IClock::kNever, [&] { return pid_ < 0; });
        }
        std::thread reader = std::move(reader_);
        reader_id_ = {};
        lock.unlock();
        if (reader.joinable())
            reader.join();
    }

    int GetState(int* error) override {
        std::lock_guard lock(mutex_);
        if (error != nullptr)
            *error = error_;
        return state_;
    }

    std::u16string GetErrorText(int error) override { return DialErrorText(error); }

    bool GetByteCounters(std::uint64_t* sent, std::uint64_t* received) override {
        std::lock_guard lock(mutex_);
        if (!link_up_)
            return false;
        RefreshCounters();
        if (!counters_read_)
            return false;
        *sent = counters_.sent;
        *received = counters_.received;
        return true;
    }

    bool GetStatistics(SessionStats* stats) override {
        std::lock_guard lock(mutex_);
        if (!session_)
            return false;
        if (link_up_)
            RefreshCounters();
        const auto end = link_up_ ? clock_.Now() : down_at_;
        stats->start = start_;
        stats->duration = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(end - up_at_).count());
        stats->bytes_sent = counters_.sent;
        stats->bytes_received = counters_.received;
        return true;
    }

    std::u16string GetInfoText() override {
        std::lock_guard lock(mutex_);
        if (pid_ < 0 || log_.Interface().empty() || log_.LinkDown())
            return {};
        std::string text = log_.Interface();
        if (!log_.LocalAddress().empty())
            text += " " + log_.LocalAddress() + " \u2192 " + log_.RemoteAddress();
        // Name servers the user gave are not negotiated (pppd has no option for our own), so
        // they are the ones the link is meant to use; else the network's.
        const bool given = dial_.DnsGiven();
        std::string dns = given ? dial_.dns_primary : log_.PrimaryDns();
        const std::string& second = given ? dial_.dns_secondary : log_.SecondaryDns();
        if (!second.empty())
            dns += (dns.empty() ? "" : ", ") + second;
        if (!dns.empty())
            text += ", DNS " + dns + (given ? " (set)" : "");
        return Utf8ToUtf16(text + " (pppd on " + dial_.device + ")");
    }

    void SetListener(IRasListener* listener) override {
        std::lock_guard lock(mutex_);
        listener_ = listener;
    }

private:
    // Under the lock.
    bool OnReaderThread() const { return reader_id_ == std::this_thread::get_id(); }

    // Starts pppd for `params`; 0 or the reason it could not start. Every earlier dial has
    // ended (HangUp).
    int Start(const DialParams& params) {
        std::lock_guard lock(mutex_);
        if (pid_ > 0 || reader_.joinable())
            return EBUSY;  // another thread dialled meanwhile
        NewDial();
        const int error = Launch(params);
        if (error != 0) {
            RemoveFiles();
            error_ = error;
        }
        return error;
    }

    // Forgets the last dial, its session's statistics with it.
    void NewDial() {
        log_ = PppdLog{};
        dial_ = PppdDial{};
        state_ = kDialStateDisconnected;
        error_ = kDialErrorNone;
        hang_up_ = false;
        down_reported_ = false;
        session_ = false;
        link_up_ = false;
        counters_ = LinkCounters{};
        counters_read_ = false;
    }

    int Launch(const DialParams& params) {
        if (const int error = CheckDial(params, chap_, pap_, &dial_); error != 0)
            return error;
        bool exists = false;
        const bool pty = IsPseudoTerminal(dial_.device, &exists);
        if (!exists)
            return kDialErrorNoDevice;
        const std::string folder =
            options_.private_folder.empty() ? DefaultPrivateFolder() : options_.private_folder;
        if (const int error = PreparePrivateFolder(folder); error != 0)
            return error;
        int error = 0;
        const std::string chat_file = WriteFile(folder, "chat-", ChatScript(dial_.number), &error);
        if (chat_file.empty())
            return error;
        // pppd runs the connect command through /bin/sh: it holds plain paths only.
        if (!IsPlainPath(options_.chat) || !IsPlainPath(chat_file))
            return kDialErrorInvalidParams;
        const std::string account = AccountOptions(dial_.user, dial_.password);
        std::string account_file;
        if (!account.empty() &&
            (account_file = WriteFile(folder, "account-", account, &error)).empty())
            return error;

        const std::vector<std::string> args = PppdArguments(
            dial_, pty, options_.chat + " -v -s -S -f " + chat_file, account_file, kLogFd);
        int log[2];
        if (::pipe2(log, O_CLOEXEC) != 0)
            return errno;
        const pid_t pid = SpawnInOwnGroup(options_.pppd, args, log[1], &error);
        ::close(log[1]);
        if (pid < 0) {
            ::close(log[0]);
            if (error == ENOENT)
                return kDialErrorNoPppd;
            return error == EACCES || error == EPERM ? kDialErrorNotPermitted : error;
        }
        pid_ = pid;
        state_ = kDialStateOpenPort;
        error_ = kDialErrorPending;
        try {
            reader_ = std::thread(&PppdClient::Follow, this, log[0], pid);
            reader_id_ = reader_.get_id();
        } catch (const std::system_error& failure) {
            ::kill(-pid, SIGKILL);
            Reap(pid);
            ::close(log[0]);
            pid_ = -1;
            state_ = kDialStateDisconnected;
            return failure.code().value();
        }
        return 0;
    }

    std::string WriteFile(const std::string& folder, const std::string& prefix,
                          const std::string& text, int* error) {
        std::string path = WritePrivateFile(folder, prefix, text, error);
        if (!path.empty())
            files_.push_back(path);
        return path;
    }

    void RemoveFiles() {
        for (const std::string& file : files_)
            ::unlink(file.c_str());
        files_.clear();
    }

    // ---- the reader thread

    void Follow(int fd, pid_t pid) {
        Report({{kDialStateOpenPort, kDialErrorNone}});
        // pppd's end wakes the reader at once. Its log closes a moment before it can be
        // waited for, so the end of the log alone does not tell that it has ended.
        const int end = WatchEnd(pid);
        std::string pending;
        bool open = true;
        for (;;) {
            pollfd watch[2] = {{open ? fd : -1, POLLIN, 0}, {end, POLLIN, 0}};
            clock_.Poll(watch, 2, clock_.Deadline(kWatchSlice));
            if (open && (watch[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
                open = ReadLog(fd, &pending);
            if (HasEnded(pid))
                break;
            std::lock_guard lock(mutex_);
            if (link_up_)
                RefreshCounters();
        }
        // Whatever pppd's group still runs (a connect script) goes with it; what pppd wrote
        // last is still in the pipe.
        ::kill(-pid, SIGKILL);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        while (open && ReadLog(fd, &pending)) {
        }
        ::close(fd);
        if (end >= 0)
            ::close(end);
        Finish(pid, pending);
    }

    // Reads what the log has and takes its complete lines; false at its end.
    bool ReadLog(int fd, std::string* pending) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            return true;
        if (n <= 0)
            return false;
        pending->append(buffer, static_cast<std::size_t>(n));
        Events events;
        {
            std::lock_guard lock(mutex_);
            for (;;) {
                const std::size_t end = pending->find('\n');
                if (end == std::string::npos && pending->size() <= kMaxLine)
                    break;
                const std::size_t length = std::min(end, kMaxLine);
                TakeLine(std::string_view(*pending).substr(0, length), &events);
                pending->erase(0, length == end ? end + 1 : length);
            }
        }
        Report(events);
        return true;
    }

    void TakeLine(std::string_view line, Events* events) {
        std::vector<int> states;
        log_.Take(line, &states);
        for (const int state : states) {
            if (state == kDialStateConnected)
                LinkUp();
            state_ = state;
            error_ = state == kDialStateConnected ? kDialErrorNone : kDialErrorPending;
            events->push_back({state, kDialErrorNone});
        }
        ApplyTotals();
        // The link's end is reported at once when its reason is known, else when pppd ends.
        if (log_.LinkDown() && !down_reported_) {
            LinkDown();
            const int error = ErrorForEnd(0, log_.Hint(), hang_up_, IsGone(dial_.device));
            if (hang_up_ || log_.Hint() != kDialErrorNone || error == kDialErrorPortClosed)
                ReportDown(error, events);
        }
    }

    void Finish(pid_t pid, const std::string& rest) {
        Events events;
        {
            std::lock_guard lock(mutex_);
            if (!rest.empty())
                TakeLine(rest, &events);
            const int status = Reap(pid);
            pid_ = -1;
            LinkDown();
            ApplyTotals();
            RemoveFiles();
            // A link whose end was reported keeps that reason, whoever ends pppd after it.
            if (!down_reported_)
                ReportDown(ErrorForEnd(status, log_.Hint(), hang_up_, IsGone(dial_.device)),
                           &events);
            ended_.notify_all();
        }
        Report(events);
    }

    void ReportDown(int error, Events* events) {
        state_ = kDialStateDisconnected;
        error_ = error;
        down_reported_ = true;
        events->push_back({kDialStateDisconnected, error});
    }

    // The listener is called without the lock, so that it may ask for the state.
    void Report(const Events& events) {
        if (events.empty())
            return;
        IRasListener* listener;
        {
            std::lock_guard lock(mutex_);
            listener = listener_;
        }
        if (listener == nullptr)
            return;
        for (const auto& [state, error] : events)
            listener->OnDialState(state, error);
    }

    // ---- the session (under the lock)

    void LinkUp() {
        session_ = true;
        link_up_ = true;
        start_ = time_ != nullptr ? *time_->GetTime() : ToDateTimeFields(clock_.LocalNow());
        up_at_ = clock_.Now();
        RefreshCounters();
    }

    void LinkDown() {
        if (!link_up_)
            return;
        RefreshCounters();
        link_up_ = false;
        down_at_ = clock_.Now();
    }

    void RefreshCounters() {
        if (const auto counters = ReadLinkCounters(options_.sysfs_root, log_.Interface())) {
            counters_.sent = std::max(counters_.sent, counters->sent);
            counters_.received = std::max(counters_.received, counters->received);
            counters_read_ = true;
        }
    }

    // pppd's own count at the end of the link (its counters are 32 bits wide: a larger count
    // read from the interface is kept).
    void ApplyTotals() {
        if (!session_ || !log_.FinalTotals())
            return;
        counters_.sent = std::max(counters_.sent, log_.FinalTotals()->sent);
        counters_.received = std::max(counters_.received, log_.FinalTotals()->received);
    }

    ICDMATime* const time_;
    const PppdOptions options_;
    IClock& clock_;

    std::mutex mutex_;
    std::condition_variable ended_;
    std::u16string port_;
    std::string operator_text_;
    std::uint8_t chap_ = 0;
    std::uint8_t pap_ = 0;
    IRasListener* listener_ = nullptr;

    // The dial: pppd until it is reaped, its reader and its files.
    pid_t pid_ = -1;
    bool hang_up_ = false;
    std::thread reader_;
    std::thread::id reader_id_;
    std::vector<std::string> files_;
    PppdDial dial_;
    PppdLog log_;
    int state_ = kDialStateDisconnected;
    int error_ = kDialErrorNone;
    bool down_reported_ = false;

    // The session: kept after the link ended until the next dial.
    bool session_ = false;
    bool link_up_ = false;
    DateTimeFields start_;
    IClock::TimePoint up_at_{};
    IClock::TimePoint down_at_{};
    LinkCounters counters_;
    bool counters_read_ = false;
};

}  // namespace

PppdOptions DefaultPppdOptions() {
    PppdOptions options;
    if (const char* pppd = std::getenv("DEDEVEV_PPPD"); pppd != nullptr && *pppd == '/')
        options.pppd = pppd;
    options.sysfs_root = DefaultSysfsRoot();
    return options;
}

std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time) {
    return MakePppdClient(time, DefaultPppdOptions());
}

std::unique_ptr<IPppClient> MakePppdClient(ICDMATime* time, PppdOptions options) {
    return std::make_unique<PppdClient>(time, std::move(options));
}

}  // namespace dedevev::ppp

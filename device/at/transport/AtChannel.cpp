#include "device/at/transport/AtChannel.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "device/at/transport/AtEvents.h"
#include "device/at/transport/AtLog.h"
#include "device/base/Clock.h"

namespace dedevev::at {

namespace {

using detail::Event;
using detail::EventThread;
using detail::ListenerSet;

using TimePoint = IClock::TimePoint;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool StartsWithAny(std::string_view text, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& prefix) { return StartsWith(text, prefix); });
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool HasAny(std::string_view text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string_view::npos;
}

bool IsCallEnd(Final final) {
    return final == Final::kNoCarrier || final == Final::kBusy || final == Final::kNoAnswer ||
           final == Final::kNoDialtone;
}

}  // namespace

class AtChannel::Impl {
public:
    explicit Impl(IClock& clock)
        : clock_(clock), listeners_(std::make_shared<ListenerSet>()), log_(clock) {}
    ~Impl() { Close(); }

    bool Open(const std::string& path, const SerialOptions& options, std::string* error);
    bool Adopt(int fd, std::string* error);
    void Close();
    bool IsOpen() const {
        std::lock_guard<std::mutex> lock(mu_);
        return open_ && !closing_;
    }
    bool IsAlive() const {
        std::lock_guard<std::mutex> lock(mu_);
        return open_ && !closing_ && alive_;
    }
    Response Send(const Command& command);
    int AddListener(const std::string& prefix, UnsolicitedHandler handler) {
        return listeners_->Add(prefix, std::move(handler));
    }
    void RemoveListener(int id) { listeners_->Remove(id); }
    void SetDisconnectHandler(std::function<void()> handler) {
        listeners_->SetDisconnectHandler(std::move(handler));
    }
    bool SetLogFile(const std::string& path, std::string* error) { return log_.Open(path, error); }

private:
    // The command on the wire; lives on the sending thread's stack, guarded by mu_.
    struct Pending {
        const Command* command = nullptr;
        std::vector<std::string> prefixes;
        bool dial = false;
        bool echo_seen = false;
        bool prompted = false;
        bool data_sent = false;
        bool done = false;
        Response response;
    };
    enum class WriteResult { kOk, kTimeout, kClosed, kFailed };

    // Locks close_mu_; on an event thread of this channel only when it is free.
    bool LockForOpenClose(std::unique_lock<std::mutex>* lock);
    bool Start(int fd, std::string* error);
    void ReaderLoop(int fd, int wake);
    // Reads what the port has and handles it (read_mu_ held); false once the port failed.
    bool ReadAvailable(int fd, short revents);
    // The caller's own wait for its answer: polls the port and reads it itself.
    WriteResult WaitAndRead(int fd, int wake, TimePoint deadline);
    void SetCallerReads(bool on);
    void HandleItem(const LineAssembler::Item& item);
    void HandleLine(const std::string& line);
    bool IsEcho(Pending* pending, std::string_view line) const;
    void Unsolicited(const std::string& line);
    void Post(Event event);
    void PortFailed(const std::string& why);
    WriteResult WriteAll(int fd, int wake, std::string_view bytes, TimePoint deadline);

    IClock& clock_;        // every time-out of a command is measured on it
    std::mutex close_mu_;  // Open and Close
    std::mutex cmd_mu_;    // one command on the wire
    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::shared_mutex fd_mu_;  // shared while a command uses the fd, exclusive while it changes
    int fd_ = -1;
    int wake_[2] = {-1, -1};  // written once at Close: wakes the reader and any writer

    // Guarded by mu_.
    bool open_ = false;
    bool alive_ = false;
    bool closing_ = false;
    std::uint64_t session_ = 0;
    Pending* pending_ = nullptr;
    bool stale_ = false;  // a timed-out command's answer may still arrive
    TimePoint stale_since_;
    bool urc_wants_body_ = false;
    std::string urc_head_;
    std::shared_ptr<EventThread> events_;

    std::thread reader_;
    // Reading the port. While a command is on the wire its caller reads the port itself (one
    // thread hand-over less per round trip); the reader thread stands aside meanwhile.
    std::mutex read_mu_;
    std::condition_variable reader_idle_;
    bool caller_reads_ = false;  // guarded by read_mu_
    bool reader_stop_ = false;   // guarded by read_mu_
    LineAssembler assembler_;    // guarded by read_mu_
    std::vector<LineAssembler::Item> items_;
    std::shared_ptr<ListenerSet> listeners_;
    AtLog log_;
};

bool AtChannel::Impl::LockForOpenClose(std::unique_lock<std::mutex>* lock) {
    *lock = std::unique_lock<std::mutex>(close_mu_, std::defer_lock);
    if (listeners_->OnDispatchThread())
        return lock->try_lock();  // the closer may be waiting for this very thread
    lock->lock();
    return true;
}

bool AtChannel::Impl::Open(const std::string& path, const SerialOptions& options,
                           std::string* error) {
    std::unique_lock<std::mutex> lock;
    if (!LockForOpenClose(&lock)) {
        if (error)
            *error = "the port is being closed";
        return false;
    }
    if (IsOpen()) {
        if (error)
            *error = "already open";
        return false;
    }
    const int fd = OpenSerialPort(path, options, error);
    if (fd < 0)
        return false;
    log_.Note("open " + path);
    return Start(fd, error);
}

bool AtChannel::Impl::Adopt(int fd, std::string* error) {
    std::unique_lock<std::mutex> lock;
    if (fd < 0 || !LockForOpenClose(&lock) || IsOpen()) {
        if (error)
            *error = fd < 0 ? "no descriptor" : "already open";
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (::isatty(fd))
        ConfigureRaw(fd, kDefaultBaud, nullptr);
    return Start(fd, error);
}

bool AtChannel::Impl::Start(int fd, std::string* error) {
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = std::string("cannot start: ") + std::strerror(errno);
        CloseSerialPort(fd);
        return false;
    }
    {
        std::unique_lock<std::shared_mutex> fd_lock(fd_mu_);
        fd_ = fd;
        wake_[0] = wake[0];
        wake_[1] = wake[1];
    }
    auto events = EventThread::Start(listeners_);
    {
        std::lock_guard<std::mutex> lock(mu_);
        open_ = true;
        alive_ = true;
        closing_ = false;
        ++session_;
        stale_ = false;
        urc_wants_body_ = false;
        urc_head_.clear();
        events_ = std::move(events);
    }
    {
        std::lock_guard<std::mutex> read_lock(read_mu_);
        assembler_.Reset();
        caller_reads_ = false;
        reader_stop_ = false;
    }
    reader_ = std::thread(&Impl::ReaderLoop, this, fd, wake[0]);
    return true;
}

void AtChannel::Impl::Close() {
    std::unique_lock<std::mutex> close_lock;
    if (!LockForOpenClose(&close_lock))
        return;  // another thread is closing and waits for this event thread to return
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!open_)
            return;
        closing_ = true;
    }
    cv_.notify_all();
    {
        std::lock_guard<std::mutex> read_lock(read_mu_);
        reader_stop_ = true;
    }
    reader_idle_.notify_all();
    const char byte = 1;
    while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    if (reader_.joinable())
        reader_.join();
    {
        // Writers have seen the wake pipe and let go of the descriptor.
        std::unique_lock<std::shared_mutex> fd_lock(fd_mu_);
        CloseSerialPort(fd_);
        ::close(wake_[0]);
        ::close(wake_[1]);
        fd_ = wake_[0] = wake_[1] = -1;
    }
    std::shared_ptr<EventThread> events;
    {
        std::lock_guard<std::mutex> lock(mu_);
        open_ = false;
        alive_ = false;
        closing_ = false;
        ++session_;
        events = std::move(events_);
    }
    cv_.notify_all();
    log_.Note("closed");
    if (events)
        events->Stop();
}

void AtChannel::Impl::ReaderLoop(int fd, int wake) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            PortFailed(std::string("poll: ") + std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0)
            return;  // Close
        std::unique_lock<std::mutex> read_lock(read_mu_);
        reader_idle_.wait(read_lock, [&] { return !caller_reads_ || reader_stop_; });
        if (reader_stop_ || !ReadAvailable(fd, fds[0].revents))
            return;
    }
}

bool AtChannel::Impl::ReadAvailable(int fd, short revents) {
    if (revents & POLLIN) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n > 0) {
            items_.clear();
            assembler_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), &items_);
            for (const LineAssembler::Item& item : items_)
                HandleItem(item);
            return true;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;  // another reader took it
        PortFailed(n == 0 ? std::string("end of file") : std::strerror(errno));
        return false;
    }
    if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
        PortFailed("hang-up");
        return false;
    }
    return true;
}

AtChannel::Impl::WriteResult AtChannel::Impl::WaitAndRead(int fd, int wake, TimePoint deadline) {
    if (clock_.Now() >= deadline)
        return WriteResult::kTimeout;
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    const int ready = clock_.Poll(fds, 2, deadline);
    if (ready < 0)
        return WriteResult::kFailed;
    if (fds[1].revents != 0)
        return WriteResult::kClosed;
    if (ready == 0)
        return WriteResult::kOk;  // the loop looks at the deadline again
    std::lock_guard<std::mutex> read_lock(read_mu_);
    return ReadAvailable(fd, fds[0].revents) ? WriteResult::kOk : WriteResult::kFailed;
}

void AtChannel::Impl::SetCallerReads(bool on) {
    {
        std::lock_guard<std::mutex> read_lock(read_mu_);
        caller_reads_ = on;
    }
    if (!on)
        reader_idle_.notify_all();
}

void AtChannel::Impl::PortFailed(const std::string& why) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!alive_ || closing_)
            return;
        alive_ = false;
        if (pending_ && !pending_->done) {
            pending_->response.final = Final::kIoError;
            pending_->done = true;
        }
        Post({true, {}});
    }
    cv_.notify_all();
    log_.Note("port failed: " + why);
}

void AtChannel::Impl::Post(Event event) {
    if (events_)
        events_->Post(std::move(event));
}

void AtChannel::Impl::HandleItem(const LineAssembler::Item& item) {
    if (item.kind != LineKind::kPrompt) {
        HandleLine(item.text);
        return;
    }
    log_.Received(item.text);
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (!pending_ || pending_->done || pending_->prompted)
            return;
        pending_->prompted = true;
    }
    cv_.notify_all();
}

bool AtChannel::Impl::IsEcho(Pending* pending, std::string_view line) const {
    if (!pending->echo_seen && pending->response.lines.empty() &&
        EqualsNoCase(line, pending->command->text)) {
        pending->echo_seen = true;
        return true;
    }
    // With echo on, a card echoes the data entered after the prompt too.
    return pending->data_sent && !pending->command->data.empty() && line == pending->command->data;
}

void AtChannel::Impl::Unsolicited(const std::string& line) {
    if (IsTwoLineUnsolicited(line)) {
        urc_head_ = line;
        urc_wants_body_ = true;
        return;
    }
    Post({false, line});
}

void AtChannel::Impl::HandleLine(const std::string& line) {
    log_.Received(line);
    bool notify = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        Final final = Final::kOk;
        int code = -1;
        const LineKind kind = ClassifyLine(line, &final, &code);
        if (urc_wants_body_) {
            urc_wants_body_ = false;
            if (kind == LineKind::kOther) {
                Post({false, urc_head_ + "\n" + line});
                return;
            }
            Post({false, urc_head_});  // the second line never came
        }
        Pending* pending = pending_ && !pending_->done ? pending_ : nullptr;
        if (kind == LineKind::kPrompt) {
            // A prompt on a line of its own (">" followed by a line end).
            if (pending && !pending->prompted) {
                pending->prompted = true;
                notify = true;
            }
        } else if (pending && IsEcho(pending, line)) {
            // dropped
        } else if (kind == LineKind::kFinal) {
            if (IsCallEnd(final) && !(pending && pending->dial)) {
                Unsolicited(line);  // a call ended while something else ran
            } else if (pending) {
                pending->response.final = final;
                pending->response.error_code = code;
                pending->response.final_line = line;
                pending->done = true;
                notify = true;
            } else if (stale_) {
                stale_ = false;  // the end of a timed-out command's answer
                notify = true;
            }
        } else {
            const bool own = pending && StartsWithAny(line, pending->prefixes);
            if (!own && (IsKnownUnsolicited(line) || listeners_->Matches(line)))
                Unsolicited(line);
            else if (pending)
                pending->response.lines.push_back(line);
            else if (!stale_)
                Unsolicited(line);
            // else: part of a timed-out command's late answer
        }
    }
    if (notify)
        cv_.notify_all();
}

AtChannel::Impl::WriteResult AtChannel::Impl::WriteAll(int fd, int wake, std::string_view bytes,
                                                       TimePoint deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return WriteResult::kFailed;
        // The card does not take more now: wait for room, the deadline or Close.
        if (clock_.Now() >= deadline)
            return WriteResult::kTimeout;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wake, POLLIN, 0}};
        if (clock_.Poll(fds, 2, deadline) < 0)
            return WriteResult::kFailed;
        if (fds[1].revents != 0)
            return WriteResult::kClosed;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return WriteResult::kFailed;
    }
    return WriteResult::kOk;
}

Response AtChannel::Impl::Send(const Command& command) {
    Response response;
    if (HasAny(command.text, "\r\n\x1a\x1b") || HasAny(command.data, "\x1a\x1b")) {
        // Such a byte would end the command early and send the rest as a second one.
        response.final = Final::kError;
        log_.Note("refused (control character): " + command.text);
        return response;
    }
    std::unique_lock<std::mutex> cmd_lock(cmd_mu_);
    // The descriptor stays open while this command uses it (Close waits for the lock).
    std::shared_lock<std::shared_mutex> fd_lock(fd_mu_);
    const int fd = fd_;
    const int wake = wake_[0];
    std::unique_lock<std::mutex> lock(mu_);
    if (!open_ || closing_ || fd < 0) {
        response.final = Final::kNotOpen;
        return response;
    }
    if (!alive_) {
        response.final = Final::kIoError;
        return response;
    }
    const std::uint64_t session = session_;
    auto gone = [&] { return session_ != session || closing_ || !alive_; };
    if (stale_) {
        clock_.WaitUntil(cv_, lock, stale_since_ + AtChannel::kLateAnswerGrace,
                         [&] { return !stale_ || gone(); });
        stale_ = false;
    }
    Pending pending;
    pending.command = &command;
    pending.prefixes = command.prefixes;
    for (std::string& prefix : AnswerPrefixes(command.text)) {
        if (std::find(pending.prefixes.begin(), pending.prefixes.end(), prefix) ==
            pending.prefixes.end())
            pending.prefixes.push_back(std::move(prefix));
    }
    pending.dial = IsDialCommand(command.text);
    WriteResult written = WriteResult::kClosed;
    const TimePoint deadline = clock_.Deadline(command.timeout);
    if (!gone()) {
        pending_ = &pending;
        lock.unlock();
        SetCallerReads(true);
        log_.Sent(command.text);
        written = WriteAll(fd, wake, command.text + "\r", deadline);
        while (written == WriteResult::kOk) {
            bool enter_data = false;
            {
                std::lock_guard<std::mutex> state(mu_);
                if (pending.done || gone())
                    break;
                if (pending.prompted && !pending.data_sent) {
                    pending.data_sent = true;
                    enter_data = true;
                }
            }
            if (enter_data) {
                // Data entry: the text and Ctrl-Z, or ESC to leave a prompt nobody asked for.
                const std::string data = command.data.empty() ? "\x1b" : command.data + "\x1a";
                log_.Sent(data);
                written = WriteAll(fd, wake, data, deadline);
                continue;
            }
            written = WaitAndRead(fd, wake, deadline);
        }
        SetCallerReads(false);
        lock.lock();
    }
    pending_ = nullptr;
    if (pending.done) {
        return std::move(pending.response);
    }
    response.lines = std::move(pending.response.lines);
    if (session_ != session || closing_) {
        response.final = Final::kNotOpen;
    } else if (!alive_ || written == WriteResult::kFailed) {
        response.final = Final::kIoError;
        lock.unlock();
        PortFailed("write failed");
    } else if (written == WriteResult::kClosed) {
        response.final = Final::kNotOpen;
    } else {
        response.final = Final::kTimeout;
        stale_ = true;
        stale_since_ = clock_.Now();
        lock.unlock();
        log_.Note("time-out: " + command.text);
    }
    return response;
}

// ---- AtChannel ----

AtChannel::AtChannel(IClock* clock)
    : impl_(std::make_unique<Impl>(clock != nullptr ? *clock : ProcessClock())) {}
AtChannel::~AtChannel() = default;

bool AtChannel::Open(const std::string& path, int baud, std::string* error) {
    SerialOptions options;
    options.baud = baud;
    return impl_->Open(path, options, error);
}

bool AtChannel::Open(const std::string& path, const SerialOptions& options, std::string* error) {
    return impl_->Open(path, options, error);
}

bool AtChannel::Adopt(int fd, std::string* error) {
    return impl_->Adopt(fd, error);
}
void AtChannel::Close() {
    impl_->Close();
}
bool AtChannel::IsOpen() const {
    return impl_->IsOpen();
}
bool AtChannel::IsAlive() const {
    return impl_->IsAlive();
}
Response AtChannel::Send(const Command& command) {
    return impl_->Send(command);
}

Response AtChannel::Send(const std::string& text, Millis timeout) {
    Command command;
    command.text = text;
    command.timeout = timeout;
    return impl_->Send(command);
}

int AtChannel::AddListener(const std::string& prefix, UnsolicitedHandler handler) {
    return impl_->AddListener(prefix, std::move(handler));
}
void AtChannel::RemoveListener(int id) {
    impl_->RemoveListener(id);
}
void AtChannel::SetDisconnectHandler(std::function<void()> handler) {
    impl_->SetDisconnectHandler(std::move(handler));
}
bool AtChannel::SetLogFile(const std::string& path, std::string* error) {
    return impl_->SetLogFile(path, error);
}

std::string Describe(const Response& response) {
    switch (response.final) {
        case Final::kTimeout:
            return "timeout";
        case Final::kIoError:
            return "port failed";
        case Final::kNotOpen:
            return "port not open";
        default:
            break;
    }
    if (!response.final_line.empty())
        return response.final_line;
    switch (response.final) {
        case Final::kOk:
            return "OK";
        case Final::kError:
            return "ERROR";
        case Final::kCmeError:
            return "+CME ERROR: " + std::to_string(response.error_code);
        case Final::kCmsError:
            return "+CMS ERROR: " + std::to_string(response.error_code);
        case Final::kNoCarrier:
            return "NO CARRIER";
        case Final::kBusy:
            return "BUSY";
        case Final::kNoAnswer:
            return "NO ANSWER";
        case Final::kNoDialtone:
            return "NO DIALTONE";
        case Final::kConnect:
            return "CONNECT";
        default:
            return "";
    }
}

}  // namespace dedevev::at

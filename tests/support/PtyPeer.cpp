#include "support/PtyPeer.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace dedevev::test {

namespace {

void MakeRaw(int fd) {
    termios tio;
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

// ---- Script ----

Script& Script::Line(std::string text) {
    return Raw("\r\n" + text + "\r\n");
}

Script& Script::Raw(std::string bytes) {
    steps_.push_back({Step::kWrite, std::move(bytes), Millis(0), {}});
    return *this;
}

Script& Script::Garbage(std::size_t count, std::uint32_t seed) {
    std::string bytes;
    std::uint32_t state = seed ? seed : 1;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const auto pick = static_cast<std::uint8_t>(state >> 24);
        // Noise stays outside the printable range so it can never spell a result code.
        bytes += static_cast<char>(pick < 0x60 ? pick % 0x20 : 0x80 | pick);
    }
    return Raw(std::move(bytes));
}

Script& Script::Delay(Millis duration) {
    steps_.push_back({Step::kDelay, {}, duration, {}});
    return *this;
}

Script& Script::Prompt() {
    steps_.push_back({Step::kPrompt, "\r\n> ", Millis(0), {}});
    return *this;
}

Script& Script::HangUp() {
    steps_.push_back({Step::kHangUp, {}, Millis(0), {}});
    return *this;
}

Script& Script::Do(std::function<void()> action) {
    steps_.push_back({Step::kAction, {}, Millis(0), std::move(action)});
    return *this;
}

// ---- the pair ----

bool OpenPtyPair(int* master, std::string* slave_path) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof(name)) != 0) {
        ::close(fd);
        return false;
    }
    // Raw from the start: a cooked slave would echo the modem's own output back to it.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        MakeRaw(slave);
        ::close(slave);
    }
    *master = fd;
    *slave_path = name;
    return true;
}

// ---- PtyPeer ----

PtyPeer::PtyPeer() {
    default_script_.Error();
    if (!OpenPtyPair(&master_, &slave_path_))
        return;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(master_);
        master_ = -1;
        slave_path_.clear();
        return;
    }
    thread_ = std::thread(&PtyPeer::Run, this);
}

PtyPeer::~PtyPeer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (wake_[1] >= 0) {
        const char byte = 1;
        (void)!::write(wake_[1], &byte, 1);
    }
    if (thread_.joinable())
        thread_.join();
    CloseMaster();
    for (int fd : wake_) {
        if (fd >= 0)
            ::close(fd);
    }
}

int PtyPeer::OpenSlave() const {
    const int fd = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0)
        MakeRaw(fd);
    return fd;
}

void PtyPeer::On(const std::string& command, Script script, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back({Rule::kExact, command, std::regex(), std::move(script), nullptr, times});
}

void PtyPeer::OnRegex(const std::string& pattern, Script script, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back(
        {Rule::kRegex, pattern, std::regex(pattern), std::move(script), nullptr, times});
}

void PtyPeer::OnCall(const std::string& pattern, std::function<Script(const std::smatch&)> make,
                     int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back({Rule::kCall, pattern, std::regex(pattern), Script(), std::move(make), times});
}

void PtyPeer::ClearRules() {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.clear();
}

void PtyPeer::SetDefault(Script script) {
    std::lock_guard<std::mutex> lock(mutex_);
    default_script_ = std::move(script);
}

void PtyPeer::SetEcho(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = on;
}

bool PtyPeer::Echo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return echo_;
}

void PtyPeer::SetLatency(Millis latency) {
    std::lock_guard<std::mutex> lock(mutex_);
    latency_ = latency;
}

void PtyPeer::SetMute(bool mute) {
    std::lock_guard<std::mutex> lock(mutex_);
    mute_ = mute;
}

void PtyPeer::SendLine(const std::string& line) {
    Write("\r\n" + line + "\r\n");
}
void PtyPeer::SendRaw(const std::string& bytes) {
    Write(bytes);
}

void PtyPeer::HangUp() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hang_up_ = true;
    }
    changed_.notify_all();
    if (wake_[1] >= 0) {
        const char byte = 1;
        (void)!::write(wake_[1], &byte, 1);
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
    CloseMaster();
}

bool PtyPeer::HungUp() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hung_up_;
}

std::vector<std::string> PtyPeer::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::size_t PtyPeer::CommandCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_.size();
}

bool PtyPeer::WaitForCommands(std::size_t count, Millis timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return commands_.size() >= count; });
}

bool PtyPeer::WaitForCommand(const std::string& command, Millis timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::find(commands_.begin(), commands_.end(), command) != commands_.end();
    });
}

std::vector<std::string> PtyPeer::DataEntries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_entries_;
}

bool PtyPeer::Stopping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_ || hang_up_;
}

bool PtyPeer::Sleep(Millis duration) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !changed_.wait_for(lock, duration, [&] { return stop_ || hang_up_; });
}

void PtyPeer::Write(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(write_mutex_);
    std::size_t done = 0;
    int waited_ms = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return;
        // Nobody reads the slave: give up after a while rather than block a test.
        if (waited_ms >= 2000)
            return;
        pollfd out{master_, POLLOUT, 0};
        ::poll(&out, 1, 10);
        waited_ms += 10;
    }
}

void PtyPeer::CloseMaster() {
    std::lock_guard<std::mutex> lock(write_mutex_);
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
        std::lock_guard<std::mutex> state(mutex_);
        hung_up_ = true;
    }
}

void PtyPeer::Run() {
    char buffer[1024];
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_)
                return;
            if (hang_up_)
                break;
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents != 0) {
            char drain[16];
            while (::read(wake_[0], drain, sizeof(drain)) > 0) {
            }
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof(buffer));
            if (n > 0) {
                input_.append(buffer, static_cast<std::size_t>(n));
                std::size_t end;
                while ((end = input_.find_first_of("\r\n")) != std::string::npos) {
                    std::string command = input_.substr(0, end);
                    input_.erase(0, end + 1);
                    if (command.empty())
                        continue;
                    HandleCommand(command);
                    if (Stopping())
                        break;
                }
                continue;
            }
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLIN)) {
            // No slave open yet (or any more): wait for the next user of the port.
            pollfd wake{wake_[0], POLLIN, 0};
            ::poll(&wake, 1, 5);
        }
    }
    CloseMaster();
}

void PtyPeer::HandleCommand(const std::string& command) {
    bool echo, mute;
    Millis latency;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(command);
        echo = echo_;
        mute = mute_;
        latency = latency_;
    }
    changed_.notify_all();
    if (mute)
        return;
    if (echo)
        Write(command + "\r");
    if (latency.count() > 0 && !Sleep(latency))
        return;
    if (!RunScript(ScriptFor(command)))
        return;
}

Script PtyPeer::ScriptFor(const std::string& command) {
    std::function<Script(const std::smatch&)> make;
    std::smatch match;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto rule = rules_.rbegin();
        for (; rule != rules_.rend(); ++rule) {
            const bool hit = rule->kind == Rule::kExact
                                 ? rule->text == command
                                 : std::regex_match(command, match, rule->pattern);
            if (hit)
                break;
        }
        if (rule == rules_.rend()) {
            if (command == "AT")
                return Script().Ok();
            if (command == "ATE0" || command == "ATE1") {
                echo_ = command == "ATE1";
                return Script().Ok();
            }
            return default_script_;
        }
        Script script = rule->script;
        make = rule->make;
        if (rule->remaining > 0 && --rule->remaining == 0)
            rules_.erase(std::next(rule).base());
        if (!make)
            return script;
    }
    return make(match);  // outside the lock: it may use the peer
}

bool PtyPeer::ReadData(std::string* data, bool* cancelled) {
    char buffer[512];
    for (int waited_ms = 0; waited_ms < 10000;) {
        const std::size_t end = input_.find_first_of("\x1a\x1b");
        if (end != std::string::npos) {
            *data = input_.substr(0, end);
            *cancelled = input_[end] == '\x1b';
            input_.erase(0, end + 1);
            return true;
        }
        if (Stopping())
            return false;
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        ::poll(fds, 2, 50);
        waited_ms += 50;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof(buffer));
            if (n > 0)
                input_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return false;
}

bool PtyPeer::RunScript(const Script& script) {
    for (const Script::Step& step : script.Steps()) {
        if (Stopping())
            return false;
        switch (step.kind) {
            case Script::Step::kWrite:
                Write(step.bytes);
                break;
            case Script::Step::kDelay:
                if (!Sleep(step.delay))
                    return false;
                break;
            case Script::Step::kPrompt: {
                Write(step.bytes);
                std::string data;
                bool cancelled = false;
                if (!ReadData(&data, &cancelled))
                    return false;
                if (Echo())
                    Write(data + (cancelled ? "\x1b" : "\x1a"));
                if (cancelled)
                    return false;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    data_entries_.push_back(data);
                }
                changed_.notify_all();
                break;
            }
            case Script::Step::kHangUp: {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    hang_up_ = true;
                }
                CloseMaster();
                changed_.notify_all();
                return false;
            }
            case Script::Step::kAction:
                if (step.action)
                    step.action();
                break;
        }
    }
    return true;
}

}  // namespace dedevev::test

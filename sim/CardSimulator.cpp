#include "sim/CardSimulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/Announcement.h"
#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

namespace {

constexpr std::size_t kMaxControlLine = 8192;
std::atomic<int> g_instances{0};

void Wake(int fd) {
    const std::uint64_t one = 1;
    if (fd >= 0)
        (void)!::write(fd, &one, sizeof one);
}

}  // namespace

// ---- CardSimulator

CardSimulator::CardSimulator(SimOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}
CardSimulator::~CardSimulator() {
    impl_->Stop();
}
bool CardSimulator::Start(std::string* error) {
    std::string ignored;
    return impl_->Start(error ? error : &ignored);
}
void CardSimulator::Stop() {
    impl_->Stop();
}
bool CardSimulator::Running() const {
    return impl_->Running();
}
std::string CardSimulator::Control(const std::string& line) {
    return impl_->Control(line);
}
std::string CardSimulator::AtPortPath() const {
    return impl_->PathOf(Impl::kAtPort);
}
std::string CardSimulator::DataPortPath() const {
    return impl_->PathOf(Impl::kDataPort);
}
std::string CardSimulator::VoicePortPath() const {
    return impl_->PathOf(Impl::kVoicePort);
}
std::string CardSimulator::ControlPath() const {
    return impl_->ControlPath();
}
std::string CardSimulator::AnnouncementPath() const {
    return impl_->AnnouncementPath();
}
std::string CardSimulator::Name() const {
    return impl_->Name();
}

// ---- Impl: life cycle

CardSimulator::Impl::Impl(SimOptions options)
    : options_(std::move(options)),
      card_(options_.kind),
      table_(DefaultCommandTable()),
      data_table_(DataPortCommandTable()) {
    name_ = options_.name.empty() ? (options_.kind == CardKind::kCdma ? "DEDEVev CardSim CDMA"
                                                                      : "DEDEVev CardSim GSM")
                                  : options_.name;
    ports_[kAtPort].session = std::make_unique<AtSession>(card_, table_, true);
    ports_[kDataPort].session = std::make_unique<AtSession>(card_, data_table_, false);
}

CardSimulator::Impl::~Impl() {
    Stop();
}

bool CardSimulator::Impl::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

bool CardSimulator::Impl::Start(std::string* error) {
    if (Running()) {
        *error = "the card is already running";
        return false;
    }
    folder_ = options_.device_dir.empty() ? DeviceFolder() : options_.device_dir;
    while (folder_.size() > 1 && folder_.back() == '/')
        folder_.pop_back();
    if ((options_.announce || options_.control_socket) && !PrepareDeviceFolder(folder_, error))
        return false;
    const int instance = g_instances++;
    base_ = "cardsim-" + std::to_string(::getpid());
    if (instance > 0)
        base_ += "-" + std::to_string(instance);

    wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) {
        *error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    if (options_.control_socket) {
        control_path_ = folder_ + "/" + base_ + ".ctl";
        sockaddr_un addr{};
        if (control_path_.size() >= sizeof addr.sun_path) {
            *error = "control socket path too long: " + control_path_;
            Stop();
            return false;
        }
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, control_path_.c_str(), control_path_.size() + 1);
        ::unlink(control_path_.c_str());
        listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const mode_t old_mask = ::umask(0077);
        const bool bound =
            listen_fd_ >= 0 &&
            ::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
        ::umask(old_mask);
        if (!bound || ::listen(listen_fd_, 8) != 0) {
            *error = "control socket " + control_path_ + ": " + std::strerror(errno);
            Stop();
            return false;
        }
    }
    if (!Insert(error)) {
        Stop();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }
    stop_ = false;
    thread_ = std::thread(&Impl::Loop, this);
    return true;
}

void CardSimulator::Impl::Stop() {
    stop_ = true;
    Wake(wake_fd_);
    if (thread_.joinable())
        thread_.join();
    // Requests that came too late for the card's thread.
    std::deque<std::shared_ptr<Request>> left;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        left.swap(requests_);
    }
    for (auto& request : left)
        request->answer.set_value("ERR the card is not running");
    Pull();
    for (Client& client : clients_)
        ::close(client.fd);
    clients_.clear();
    if (listen_fd_ >= 0) {
        ::close(listen_fd_);
        listen_fd_ = -1;
        ::unlink(control_path_.c_str());
    }
    if (wake_fd_ >= 0) {
        ::close(wake_fd_);
        wake_fd_ = -1;
    }
}

std::string CardSimulator::Impl::Control(const std::string& line) {
    auto request = std::make_shared<Request>();
    request->line = line;
    std::future<std::string> answer = request->answer.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!running_) {
            // Not running: nothing else touches the card, so the command runs here.
            request.reset();
        } else {
            requests_.push_back(request);
        }
    }
    if (!request) {
        std::lock_guard<std::mutex> lock(direct_mutex_);
        return ExecuteControl(line);
    }
    Wake(wake_fd_);
    return answer.get();
}

std::string CardSimulator::Impl::PathOf(int port) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return paths_[port];
}

std::string CardSimulator::Impl::AnnouncementPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return announcement_path_;
}

void CardSimulator::Impl::Publish() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < kPortCount; ++i)
        paths_[i] = ports_[i].pty.Path();
    announcement_path_ =
        inserted_ && options_.announce ? folder_ + "/" + base_ + ".card" : std::string();
}

// ---- Impl: pulling and inserting

bool CardSimulator::Impl::Insert(std::string* error) {
    if (inserted_) {
        *error = "the card is already inserted";
        return false;
    }
    for (Port& port : ports_) {
        if (!port.pty.Open(error)) {
            for (Port& p : ports_)
                p.pty.Close();
            return false;
        }
        if (port.session)
            port.session->Reset();
    }
    // Without a watch a host closing the data port does not end its data call.
    ports_[kDataPort].pty.WatchHosts();
    card_.PowerUp();
    ScheduleSimStart();
    card_.TakeEvents();  // fresh sessions have nothing reported yet
    if (options_.announce) {
        const std::string path = folder_ + "/" + base_ + ".card";
        const Announcement entries = {
            {"name", name_},
            {"at", ports_[kAtPort].pty.Path()},
            {"data", ports_[kDataPort].pty.Path()},
            {"voice", ports_[kVoicePort].pty.Path()},
            {"control", control_path_},
            {"kind", options_.kind == CardKind::kCdma ? "cdma" : "gsm"},
            {"pid", std::to_string(::getpid())},
        };
        if (!WriteAnnouncement(path, entries, error)) {
            for (Port& p : ports_)
                p.pty.Close();
            return false;
        }
    }
    inserted_ = true;
    Publish();
    return true;
}

void CardSimulator::Impl::Pull() {
    if (!inserted_)
        return;
    // The announcement goes first, so that a watcher that sees the ports hang up finds the
    // card already gone.
    if (options_.announce)
        ::unlink((folder_ + "/" + base_ + ".card").c_str());
    for (Port& port : ports_) {
        port.pty.Close();
        port.busy = false;
        port.body.clear();
        port.later.clear();
        port.held.clear();
        if (port.session)
            port.session->Reset();
    }
    inside_.clear();
    card_.Calls().PowerUp();  // calls end with the card; nobody is left to tell
    data_line_.Stop();
    peer_.Reset();
    card_.TakeEvents();
    voice_.Reset();
    voice_running_ = false;
    for (Timer& timer : timers_)
        timer.line.clear();  // what was on its way to the old ports is lost with them
    inserted_ = false;
    Publish();
}

// ---- Impl: the card's thread

int CardSimulator::Impl::PollTimeout() const {
    Clock::time_point next = Clock::time_point::max();
    for (const Timer& timer : timers_)
        next = std::min(next, timer.due);
    for (const Port& port : ports_) {
        if (port.busy)
            next = std::min(next, port.due);
    }
    const std::int64_t call_due = card_.Calls().NextDue();
    if (call_due >= 0)
        next = std::min(next, Clock::time_point(std::chrono::milliseconds(call_due)));
    if (voice_running_)
        next = std::min(next, next_voice_block_);
    else if (inserted_ && card_.Calls().Talking() && card_.Calls().VoicePath())
        return 0;  // the path was switched on by the command just answered: start it now
    next = std::min(next, data_line_.EscapeDue());
    if (data_line_.Online())
        next = std::min(next, peer_.NextDue());
    if (next == Clock::time_point::max())
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 60000));
}

void CardSimulator::Impl::Loop() {
    while (!stop_) {
        std::vector<pollfd> fds;
        fds.push_back({wake_fd_, POLLIN, 0});
        if (listen_fd_ >= 0)
            fds.push_back({listen_fd_, POLLIN, 0});
        const std::size_t first_client = fds.size();
        for (const Client& client : clients_)
            fds.push_back(
                {client.fd, static_cast<short>(POLLIN | (client.out.empty() ? 0 : POLLOUT)), 0});
        const std::size_t first_port = fds.size();
        for (const Port& port : ports_) {
            const short events = static_cast<short>(POLLIN | (port.pty.HasPending() ? POLLOUT : 0));
            fds.push_back({port.pty.IsOpen() ? port.pty.Fd() : -1, events, 0});
        }
        const std::size_t host_watch = fds.size();
        fds.push_back({ports_[kDataPort].pty.WatchFd(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), PollTimeout()) < 0 && errno != EINTR)
            break;
        if (stop_)
            break;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            (void)!::read(wake_fd_, &count, sizeof count);
        }
        RunRequests();
        // Clients first: a control command may pull the card, which the port loop then sees.
        for (std::size_t i = 0; i < clients_.size() && first_client + i < first_port; ++i) {
            if (fds[first_client + i].revents)
                ServeClient(clients_[i], fds[first_client + i].revents);
        }
        clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                      [](const Client& c) { return c.fd < 0; }),
                       clients_.end());
        if (listen_fd_ >= 0 && (fds[1].revents & POLLIN)) {
            while (true) {
                const int fd =
                    ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0)
                    break;
                clients_.push_back(Client{fd, {}, {}});
            }
        }
        // Hosts leaving come before what they wrote: an escape or a dial then meets the new
        // state of the line.
        if ((fds[host_watch].revents & POLLIN) &&
            fds[host_watch].fd == ports_[kDataPort].pty.WatchFd() &&
            ports_[kDataPort].pty.TakeHostEvents())
            DataHostsLeft();
        for (int i = 0; i < kPortCount; ++i) {
            Port& port = ports_[i];
            const pollfd& p = fds[first_port + i];
            if (!port.pty.IsOpen() || p.fd != port.pty.Fd())
                continue;
            if (p.revents & POLLOUT)
                port.pty.Flush();
            if (p.revents & POLLIN) {
                std::string bytes;
                const bool got = port.pty.Read(&bytes);
                if (got && i == kDataPort)
                    ReceiveData(bytes);
                else if (got && port.session)
                    port.session->Receive(bytes);
                else if (i == kVoicePort)
                    voice_.Receive(bytes, NowMs());
            }
        }
        RunDueTimers();
        ServeCalls();
        for (int i = 0; i < kPortCount; ++i)
            ServePort(i);
        ServeDataLine();
        DispatchEvents();
    }
}

void CardSimulator::Impl::RunRequests() {
    while (true) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (requests_.empty())
                return;
            request = requests_.front();
            requests_.pop_front();
        }
        request->answer.set_value(ExecuteControl(request->line));
        DispatchEvents();
    }
}

void CardSimulator::Impl::ServeClient(Client& client, short revents) {
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR))) {
            ::close(client.fd);
            client.fd = -1;
            return;
        }
        if (n > 0)
            client.in.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = client.in.find('\n')) != std::string::npos) {
            std::string line = client.in.substr(0, end);
            client.in.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            client.out += ExecuteControl(line) + "\n";
            DispatchEvents();
        }
        if (client.in.size() > kMaxControlLine) {
            ::close(client.fd);  // no line end in sight: not a control client
            client.fd = -1;
            return;
        }
    }
    while (!client.out.empty()) {
        const ssize_t n = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            ::close(client.fd);
            client.fd = -1;
            return;
        }
        client.out.erase(0, static_cast<std::size_t>(n));
    }
}

}  // namespace dedevev::sim

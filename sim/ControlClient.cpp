// The client side of the control channel, used by `dedevev-cardsim ctl` and by tests.

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "sim/Announcement.h"
#include "sim/ControlProtocol.h"

namespace dedevev::sim {

namespace {

int Connect(const std::string& path, std::string* error) {
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        *error = "socket path too long: " + path;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        *error = "cannot reach " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool SendControl(const std::string& socket_path, const std::string& line, std::string* answer,
                 std::string* error, int timeout_ms) {
    if (line.find_first_of("\r\n") != std::string::npos) {
        *error = "a control command is one line";
        return false;
    }
    const int fd = Connect(socket_path, error);
    if (fd < 0)
        return false;
    const std::string request = line + "\n";
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = std::string("send: ") + std::strerror(errno);
            ::close(fd);
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (received.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) == 0) {
            *error = "no answer from the card";
            ::close(fd);
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = "the card closed the control connection";
            ::close(fd);
            return false;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    received.erase(received.find('\n'));
    if (!received.empty() && received.back() == '\r')
        received.pop_back();
    *answer = received;
    return true;
}

std::string FindControlSocket(const std::string& folder) {
    for (const std::string& file : ListAnnouncements(folder)) {
        const auto entries = ReadAnnouncement(file);
        auto it = entries.find("control");
        if (it != entries.end() && !it->second.empty())
            return it->second;
    }
    std::vector<std::string> sockets;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ctl") == 0)
                sockets.push_back(folder + "/" + name);
        }
        ::closedir(dir);
    }
    std::sort(sockets.begin(), sockets.end());
    for (const std::string& path : sockets) {
        std::string error;
        const int fd = Connect(path, &error);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
    }
    return {};
}

}  // namespace dedevev::sim

#include "support/Unprivileged.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/Eventually.h"

namespace dedevev::test {

namespace {

bool IsRoot() {
    return ::geteuid() == 0;
}

// Reads `fd` (non-blocking) to its end; false when the writer never closed it.
bool ReadToEnd(int fd, std::string* bytes) {
    return Eventually([&] {
        char chunk[4096];
        ssize_t got;
        while ((got = ::read(fd, chunk, sizeof chunk)) > 0)
            bytes->append(chunk, static_cast<std::size_t>(got));
        return got == 0;
    });
}

}  // namespace

std::string UnprivilegedUser() {
    const passwd* entry = ::getpwuid(IsRoot() ? kNobody : ::getuid());
    return entry != nullptr ? entry->pw_name : std::to_string(IsRoot() ? kNobody : ::getuid());
}

std::string LockPort(const std::string& path, const std::string& group, unsigned mode) {
    if (!IsRoot())
        return ::chmod(path.c_str(), 0) == 0 ? std::string() : "cannot chmod " + path;
    const struct group* entry = ::getgrnam(group.c_str());
    if (entry == nullptr)
        return "this system has no group " + group;
    if (::chown(path.c_str(), 0, entry->gr_gid) != 0 || ::chmod(path.c_str(), mode) != 0)
        return "cannot set the rights of " + path;
    // The temporary folders are root's alone: let the unprivileged user reach the port.
    for (std::string folder = path.substr(0, path.rfind('/'));
         folder.size() > 1 && folder.find('/', 1) != std::string::npos;
         folder = folder.substr(0, folder.rfind('/'))) {
        struct stat info;
        if (::stat(folder.c_str(), &info) == 0 && (info.st_mode & S_IXOTH) == 0)
            ::chmod(folder.c_str(), (info.st_mode & 07777) | S_IXOTH);
    }
    return {};
}

std::optional<std::string> RunUnprivileged(const std::string& locked_path,
                                           const std::function<std::string()>& work,
                                           std::string* why_not) {
    if (!IsRoot()) {
        const int fd = ::open(locked_path.c_str(), O_RDWR);
        if (fd >= 0) {
            ::close(fd);
            *why_not = "this process opens " + locked_path + " despite its mode 0000";
            return std::nullopt;
        }
        return work();
    }
    int result[2];
    if (::pipe2(result, O_CLOEXEC) != 0) {
        *why_not = "no pipe";
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(result[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        const std::string text = work();
        const bool sent =
            ::write(result[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(result[1]);
    int status = 0;
    std::string text;
    if (child > 0) {
        // Read while the child runs: a long result would fill the pipe and stop it.
        ::fcntl(result[0], F_SETFL, O_NONBLOCK);
        if (!ReadToEnd(result[0], &text) ||
            !Eventually([&] { return ::waitpid(child, &status, WNOHANG) != 0; })) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
    }
    ::close(result[0]);
    if (child <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why_not = "the child as nobody failed (status " + std::to_string(status) + ")";
        return std::nullopt;
    }
    return text;
}

}  // namespace dedevev::test

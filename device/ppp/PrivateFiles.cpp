#include "device/ppp/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "device/ppp/PppdArgs.h"

namespace dedevev::ppp {

std::string DefaultPrivateFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr) {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        folder += "/dedevev";
        if (IsPlainPath(folder))
            return folder;
    }
    return "/tmp/dedevev-" + std::to_string(::geteuid());
}

int PreparePrivateFolder(const std::string& folder) {
    if (folder.empty() || folder[0] != '/')
        return EINVAL;
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        if (::mkdir(folder.substr(0, pos).c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return EPERM;
    if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return errno;
    return 0;
}

std::string WritePrivateFile(const std::string& folder, const std::string& prefix,
                             const std::string& text, int* error) {
    std::string pattern = folder + "/" + prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemp makes the file 0600 with O_EXCL; close-on-exec keeps it out of pppd.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return {};
    }
    const std::string path(name.data());
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            return {};
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        *error = errno;
        ::unlink(path.c_str());
        return {};
    }
    return path;
}

}  // namespace dedevev::ppp

#include "sim/Announcement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace dedevev::sim {

std::string DeviceFolder() {
    const char* override_dir = std::getenv("DEDEVEV_DEVICE_DIR");
    std::string folder;
    if (override_dir && *override_dir) {
        folder = override_dir;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        folder = std::string(runtime) + "/dedevev/devices";
    } else {
        folder = "/tmp/dedevev-" + std::to_string(::getuid()) + "/devices";
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool PrepareDeviceFolder(const std::string& folder, std::string* error) {
    if (folder.empty() || folder[0] != '/') {
        *error = "the simulated-device folder must be an absolute path: " + folder;
        return false;
    }
    // Create each missing level; only the levels made here get 0700 for certain.
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            *error = "cannot create " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = folder + " is not a directory";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        *error = folder + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 0022) != 0) {
        *error = folder + " can be written by other users";
        return false;
    }
    // Whoever may rename entries of the parent could swap the folder under us.
    const std::size_t slash = folder.rfind('/');
    const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
    struct stat up {};
    if (::stat(parent.c_str(), &up) != 0) {
        *error = "cannot check " + parent;
        return false;
    }
    const bool ours = up.st_uid == ::getuid();
    const bool safe_root = up.st_uid == 0 && ((up.st_mode & 0022) == 0 || (up.st_mode & S_ISVTX));
    if (!ours && !safe_root) {
        *error = parent + " is open to other users";
        return false;
    }
    return true;
}

bool WriteAnnouncement(const std::string& path, const Announcement& entries, std::string* error) {
    std::string text;
    for (const auto& [key, value] : entries) {
        std::string clean = value;
        std::replace(clean.begin(), clean.end(), '\n', ' ');
        std::replace(clean.begin(), clean.end(), '\r', ' ');
        text += key + "=" + clean + "\n";
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0600);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::map<std::string, std::string> ReadAnnouncement(const std::string& path) {
    std::map<std::string, std::string> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && eq > 0)
            entries[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return entries;
}

std::vector<std::string> ListAnnouncements(const std::string& folder) {
    std::vector<std::string> files;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".card") == 0)
            files.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace dedevev::sim

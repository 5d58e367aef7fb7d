#include "core/Paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "core/TextCodec.h"

namespace dedevev {

bool IsAbsoluteStoredPath(std::u16string_view path) {
    return (!path.empty() && (path[0] == u'/')) || (path.size() > 1 && path[1] == u':');
}

std::u16string ResolveStoredPath(std::u16string_view path) {
    if (IsAbsoluteStoredPath(path))
        return std::u16string(path);
    return ProgramFolder() + std::u16string(path);
}

std::string NativePath(std::u16string_view path) {
    std::string out = Utf16ToUtf8(path);
    for (auto& c : out) {
        if (c == '\\')
            c = '/';
    }
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Finds an entry of `dir` whose name equals `name` without regard to case.
bool FindEntryNoCase(const std::string& dir, const std::string& name, std::string* found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr)
        return false;
    const std::u16string wanted = Utf8ToUtf16(name);
    bool ok = false;
    while (dirent* e = ::readdir(d)) {
        if (EqualsNoCase(Utf8ToUtf16(e->d_name), wanted)) {
            *found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
}

}  // namespace

std::string ResolvePathNoCase(const std::string& path) {
    if (path.empty() || Exists(path))
        return path;
    std::vector<std::string> parts;
    std::size_t pos = 0;
    const bool absolute = path[0] == '/';
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        if (end > pos)
            parts.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    std::string current = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string candidate = current + part;
        if (!Exists(candidate)) {
            std::string found;
            if (part == "." || part == ".." ||
                !FindEntryNoCase(current.empty() ? "." : current, part, &found)) {
                return path;
            }
            candidate = current + found;
        }
        current = candidate;
        if (i + 1 < parts.size())
            current += '/';
    }
    return current;
}

std::u16string DirectoryOf(std::u16string_view path) {
    const std::size_t slash = path.find_last_of(u"/\\");
    if (slash == std::u16string_view::npos)
        return {};
    return std::u16string(path.substr(0, slash + 1));
}

std::string ExecutableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return "./";
    buffer.resize(static_cast<std::size_t>(n));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? "./" : buffer.substr(0, slash + 1);
}

namespace {

std::mutex g_folder_mutex;
std::u16string& FolderStorage() {
    static std::u16string folder;
    return folder;
}

std::u16string WithSlash(std::u16string folder) {
    if (folder.empty() || (folder.back() != u'/' && folder.back() != u'\\'))
        folder += u'/';
    return folder;
}

}  // namespace

const std::u16string& ProgramFolder() {
    std::lock_guard<std::mutex> lock(g_folder_mutex);
    std::u16string& folder = FolderStorage();
    if (folder.empty()) {
        if (const char* env = std::getenv("DEDEVEV_RESOURCE_DIR"); env && *env) {
            folder = WithSlash(Utf8ToUtf16(env));
        } else {
            const std::string exe = ExecutableFolder();
            if (IsDirectory(exe + "Localize")) {
                folder = Utf8ToUtf16(exe);
            } else if (IsDirectory(exe + "../share/dedevev/Localize")) {
                folder = Utf8ToUtf16(exe + "../share/dedevev/");
            } else {
                folder = Utf8ToUtf16(exe);
            }
        }
    }
    return folder;
}

void SetProgramFolder(std::u16string folder) {
    std::lock_guard<std::mutex> lock(g_folder_mutex);
    FolderStorage() = WithSlash(std::move(folder));
}

bool MakeDirectories(const std::string& path, unsigned mode) {
    if (path.empty())
        return false;
    if (IsDirectory(path))
        return true;
    std::string partial;
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        partial = path.substr(0, end);
        if (!partial.empty() && !IsDirectory(partial)) {
            if (::mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) {
                return false;
            }
        }
        pos = end + 1;
    }
    return IsDirectory(path);
}

}  // namespace dedevev

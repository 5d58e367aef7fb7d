#include "device/probe/SimulatedCards.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace dedevev::probe {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsCharacterDevice(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool Ignored(const std::string& name) {
    auto ends_with = [&](const std::string& tail) {
        return name.size() >= tail.size() &&
               name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    // Files being written: "x.tmp", "x~", and "x.card.Ab12Cd" (a card's temporary copy
    // before it is renamed into place).
    return name.empty() || name[0] == '.' || ends_with(".tmp") || ends_with("~") ||
           name.find(".card.") != std::string::npos;
}

}  // namespace

std::string DefaultDeviceFolder() {
    if (const char* dir = std::getenv("DEDEVEV_DEVICE_DIR"); dir != nullptr && *dir != '\0') {
        std::string folder = dir;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime == '/') {
        return std::string(runtime) + "/dedevev/devices";
    }
    return "/tmp/dedevev-" + std::to_string(::getuid()) + "/devices";
}

std::optional<Announcement> ParseAnnouncement(const std::string& text) {
    Announcement card;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            return std::nullopt;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "name") {
            card.name = value;
        } else if (key == "at") {
            card.at = value;
        } else if (key == "data") {
            card.data = value;
        } else if (key == "voice") {
            card.voice = value;
        } else if (key == "control") {
            card.control = value;
        } else if (key == "pid") {
            char* end = nullptr;
            const long pid = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || pid <= 0) {
                return std::nullopt;
            }
            card.pid = pid;
        }
    }
    if (card.at.empty()) {
        return std::nullopt;
    }
    return card;
}

bool IsLive(const Announcement& card) {
    if (!IsCharacterDevice(card.at)) {
        return false;
    }
    for (const std::string* port : {&card.data, &card.voice}) {
        if (!port->empty() && !IsCharacterDevice(*port)) {
            return false;
        }
    }
    if (card.pid > 0 && ::kill(static_cast<pid_t>(card.pid), 0) != 0 && errno == ESRCH) {
        return false;
    }
    return true;
}

std::optional<Announcement> FindSimulatedCard(const std::string& folder) {
    return FindSimulatedCard(folder, ::geteuid());
}

std::optional<Announcement> FindSimulatedCard(const std::string& folder, uid_t owner) {
    std::vector<Announcement> cards = FindSimulatedCards(folder, owner, 1);
    if (cards.empty()) {
        return std::nullopt;
    }
    return std::move(cards.front());
}

std::vector<Announcement> FindSimulatedCards(const std::string& folder, uid_t owner,
                                             std::size_t limit) {
    std::vector<Announcement> cards;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!Ignored(it->path().filename().string())) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != owner ||
            st.st_size > 64 * 1024) {
            continue;
        }
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        std::optional<Announcement> card = ParseAnnouncement(text.str());
        if (card && IsLive(*card)) {
            card->file = file.string();
            if (card->name.empty()) {
                card->name = file.filename().string();
            }
            cards.push_back(std::move(*card));
            if (cards.size() == limit) {
                break;
            }
        }
    }
    return cards;
}

}  // namespace dedevev::probe

#pragma once
// Simulated cards announce themselves with one file each in the simulated-device folder:
// `key=value` lines with `name=`, `at=`, `data=`, `voice=` (pty paths) and `control=` (the
// card's control socket). Pulling the card removes the file.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace dedevev::probe {

struct Announcement {
    std::string file;  // the announcement's path
    std::string name;
    std::string at;
    std::string data;
    std::string voice;
    std::string control;
    long pid = 0;  // the announcing process when it says so (`pid=`), else 0
};

// The folder: $DEDEVEV_DEVICE_DIR when set, else $XDG_RUNTIME_DIR/dedevev/devices, else
// /tmp/dedevev-<uid>/devices. No trailing '/'.
std::string DefaultDeviceFolder();

// Parses an announcement. Empty lines and lines starting with '#' are skipped; unknown keys
// are ignored. Null when a line has no '=' or there is no `at=`.
std::optional<Announcement> ParseAnnouncement(const std::string& text);

// True while the card is still there: every port it names is a character device, and the
// announcing process (when named) is alive.
bool IsLive(const Announcement& card);

// The first live, well-formed announcement in `folder` (by file name), or none. Hidden
// files, files being written (".tmp", "~", "name.card.XXXXXX"), anything that is not a
// regular file (the cards' control sockets) and files of another user are ignored: another
// user's file could point us at any device.
std::optional<Announcement> FindSimulatedCard(const std::string& folder);
// The same, counting the files of user `owner` only.
std::optional<Announcement> FindSimulatedCard(const std::string& folder, uid_t owner);
// Every such card of user `owner` in `folder`, by file name, at most `limit` (0: all).
std::vector<Announcement> FindSimulatedCards(const std::string& folder, uid_t owner,
                                             std::size_t limit = 0);

}  // namespace dedevev::probe

#pragma once
// The simulated-device folder, where a running card announces itself with one file of
// `key=value` lines (name, at, data, voice, control, plus kind and pid), and where its control
// socket lives.

#include <map>
#include <string>
#include <vector>

namespace dedevev::sim {

// $DEDEVEV_DEVICE_DIR when set, else $XDG_RUNTIME_DIR/dedevev/devices, else
// /tmp/dedevev-<uid>/devices. Without a trailing '/'.
std::string DeviceFolder();
// Creates the folder (and missing parents) with mode 0700. A folder that is not a directory,
// belongs to another user or can be written by others is refused: the control socket and the
// pty paths must not be open to other users.
bool PrepareDeviceFolder(const std::string& folder, std::string* error);

using Announcement = std::vector<std::pair<std::string, std::string>>;
// Writes the file atomically (a temporary file in the same folder, then rename). Line breaks
// inside values are replaced by blanks so that a value cannot add keys.
bool WriteAnnouncement(const std::string& path, const Announcement& entries, std::string* error);
std::map<std::string, std::string> ReadAnnouncement(const std::string& path);
// The announcement files (*.card) of a folder, sorted by name.
std::vector<std::string> ListAnnouncements(const std::string& folder);

}  // namespace dedevev::sim

#pragma once
// The files a dial writes for pppd (the chat script, the account) live in a folder only this
// user can reach, each made 0600 under a fresh name.

#include <string>

namespace dedevev::ppp {

// $XDG_RUNTIME_DIR/dedevev when that is a plain absolute path, else /tmp/dedevev-<uid>.
std::string DefaultPrivateFolder();

// Makes `folder` (missing levels 0700) and makes sure only this user can reach it: a folder of
// the user that others could enter is closed (0700); a link, a file, or a folder of another
// user is refused. 0, or the errno of the failure (EPERM for a folder we must not use).
int PreparePrivateFolder(const std::string& folder);

// Writes `text` into a new file "<folder>/<prefix>XXXXXX" made 0600 (never an existing file);
// its path, or empty with `*error` set to the errno.
std::string WritePrivateFile(const std::string& folder, const std::string& prefix,
                             const std::string& text, int* error);

}  // namespace dedevev::ppp

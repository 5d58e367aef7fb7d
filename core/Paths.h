#pragma once
// Paths as the program stores them ("Localize\English.txt", relative to the resource folder,
// or absolute) and as the file system wants them.

#include <string>
#include <string_view>

namespace dedevev {

// A stored path is absolute when it starts with '/' or has ':' at index 1.
bool IsAbsoluteStoredPath(std::u16string_view path);

// A stored path made whole: as it stands when absolute, else under ProgramFolder().
std::u16string ResolveStoredPath(std::u16string_view path);

// Stored path to a file-system path: UTF-8 with every '\' turned into '/'.
std::string NativePath(std::u16string_view path);

// When `path` does not exist as written, looks for it component by component without
// regard to case (stored paths are often lower-cased). Returns the path that exists, or
// `path` unchanged when nothing matches.
std::string ResolvePathNoCase(const std::string& path);

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);

// The folder holding Localize/, Skin/, Music/ and Record/, with a trailing '/'. It is the
// executable's folder when that holds Localize/, else ../share/dedevev/ beside it.
// DEDEVEV_RESOURCE_DIR overrides both.
const std::u16string& ProgramFolder();
// For tests and tools: use this folder instead (trailing '/' added when missing).
void SetProgramFolder(std::u16string folder);

// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();

// Directory part of a path, up to and including its last '/' or '\'; empty when none.
std::u16string DirectoryOf(std::u16string_view path);

// Creates `path` and missing parents with `mode`; true when it exists as a directory after.
bool MakeDirectories(const std::string& path, unsigned mode);

}  // namespace dedevev

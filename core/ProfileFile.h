#pragma once
// Per-key editing of a sectioned settings file (Set.dat).
//
// Only the lines of the keys that are set change; every other byte of the file (comments,
// keys this program does not know, blank lines, line endings, the encoding) is kept. The
// file is replaced atomically: a crash mid-write leaves the old file whole.

#include <string>
#include <string_view>
#include <vector>

namespace dedevev {

class ProfileFile {
public:
    // Reads `path` (UTF-8 file-system path); a missing file starts empty (UTF-8).
    explicit ProfileFile(std::string path);

    // Changes the key's line in place, or adds the key at the end of its section, or adds
    // the section at the end of the file. Names match without regard to case.
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    // Writes the file: temporary file beside it, fsync, mode `mode`, rename over the old.
    // False (and the old file untouched) when any step fails.
    bool Save(unsigned mode = 0600) const;

    // The file's current text as it would be written (without the byte-order mark).
    std::u16string Text() const;
    bool IsUtf16() const { return utf16_; }

private:
    struct Line {
        std::u16string text;    // without the line ending
        std::u16string ending;  // "\r\n", "\n" or "" (last line without one)
    };
    std::string path_;
    bool utf16_ = false;
    std::vector<Line> lines_;
    std::u16string default_ending_ = u"\r\n";
};

// Writes `bytes` to `path` atomically with `mode`; false on any failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode);

// One key, as WritePrivateProfileString would: read, change, save atomically.
bool WriteProfileString(const std::string& path, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value);

}  // namespace dedevev

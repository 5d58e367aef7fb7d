#pragma once
// A temporary folder that removes itself, and small file helpers for tests.

#include <string>
#include <string_view>

namespace dedevev::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // With a trailing '/'.
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// The bytes of a UTF-16LE file with FF FE holding `text`.
std::string Utf16LeFile(std::u16string_view text);

}  // namespace dedevev::test

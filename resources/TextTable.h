#pragma once
// Reader of the program's sectioned text files: language files, skin files, Set.dat.
//
// A file that starts with FF FE is UTF-16LE; anything else is narrow text (UTF-8) from its
// first byte. Section and key names are stored lower-cased, so every lookup ignores case.
// A missing or unreadable file gives an empty table; this is not an error.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace dedevev {

class TextTable {
public:
    using Section = std::map<std::u16string, std::u16string>;

    TextTable() = default;
    // Reads the whole file at once (UTF-8 path).
    explicit TextTable(const std::string& path);

    // Parses file contents already in memory (same rules as reading a file).
    static TextTable FromBytes(std::string_view bytes);

    std::size_t SectionCount() const { return sections_.size(); }
    // Lower-case section name at `index` in name order; empty when out of range.
    std::u16string SectionNameAt(std::size_t index) const;
    // Number of keys in `section` (any case); 0 for an unknown section.
    std::size_t KeyCount(std::u16string_view section) const;
    // Key (lower-case) and value at `index` of `section`; false when unknown/out of range.
    bool EntryAt(std::u16string_view section, std::size_t index,
                 std::pair<std::u16string, std::u16string>* entry) const;
    // The value, or empty when the section or key is unknown.
    std::u16string Value(std::u16string_view section, std::u16string_view key) const;
    // Whether the key exists (its value is never empty).
    bool Has(std::u16string_view section, std::u16string_view key) const;

    // The whole section (lower-case keys), or null.
    const Section* Find(std::u16string_view section) const;
    const std::map<std::u16string, Section>& Sections() const { return sections_; }
    // False when a line that is neither header, key nor comment ended the reading early.
    bool ReadToEnd() const { return read_to_end_; }

private:
    void Parse(std::string_view bytes);
    std::map<std::u16string, Section> sections_;
    bool read_to_end_ = true;
};

// Reads a whole file into memory; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

}  // namespace dedevev

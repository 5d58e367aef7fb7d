#pragma once
// Localised texts, fonts and time formats of one language file.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev {

// A font as the language file names it. An empty face means the desktop's default font;
// a point size of 0 means the default size. Views turn it into a QFont.
struct FontSpec {
    std::u16string face;
    int point_size = 0;
    bool operator==(const FontSpec&) const = default;
};

// Left, top, right, bottom, given in a text's "{l,t,r,b}" prefix.
struct TextRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const TextRect&) const = default;
};

struct TextEntry {
    std::u16string text;
    TextRect rect;
};

// The code page narrow text is in on this platform (UTF-8).
constexpr int kSystemCodePage = 65001;
inline constexpr char16_t kDefaultTimeFormat[] = u"%Y-%m-%d,%H:%M:%S";

class ILocalizer {
public:
    virtual ~ILocalizer() = default;
    // "Language"/"ID"; 0 when absent.
    virtual std::uint16_t GetLanguageId() const = 0;
    // "Language"/"CodePage"; the system code page when absent.
    virtual int GetCodePage() const = 0;
    // The text of `key` in `section` ("text" when empty). When either is missing the result
    // is `key` itself, so a missing translation shows its key.
    virtual const std::u16string& GetText(const std::u16string& key,
                                          const std::u16string& section) const = 0;
    // "TimeFormat"/`name`, or "%Y-%m-%d,%H:%M:%S".
    virtual std::u16string GetTimeFormat(std::u16string_view name) const = 0;
    // "Font"/`name`, or the default font.
    virtual const FontSpec& GetFont(std::u16string_view name) const = 0;
};

class CLocalizer : public ILocalizer {
public:
    CLocalizer() = default;

    // Clears everything and reads `path` (UTF-8 file-system path). A missing or unreadable
    // file leaves an empty localizer: every text is its key.
    void Load(const std::string& path);
    // The same from bytes already in memory.
    void LoadBytes(std::string_view bytes);

    std::uint16_t GetLanguageId() const override { return language_id_; }
    int GetCodePage() const override { return code_page_; }
    const std::u16string& GetText(const std::u16string& key,
                                  const std::u16string& section) const override;
    std::u16string GetTimeFormat(std::u16string_view name) const override;
    const FontSpec& GetFont(std::u16string_view name) const override;

    // The whole entry with its rectangle, or null when missing.
    const TextEntry* FindEntry(std::u16string_view key, std::u16string_view section) const;

    // Turns one language-file value into a text entry: "\n" becomes CR LF and a leading
    // "{l,t,r,b}" becomes the rectangle.
    static TextEntry ParseEntry(std::u16string_view value);
    // The "Language"/"ID" rule: odd length gets a leading "0", then read as hex ("%x").
    static std::uint16_t ParseLanguageId(std::u16string_view value);

private:
    void Clear();

    using EntryMap = std::map<std::u16string, TextEntry, std::less<>>;
    std::uint16_t language_id_ = 0;
    int code_page_ = kSystemCodePage;
    std::vector<std::pair<std::u16string, EntryMap>> sections_;
    std::map<std::u16string, FontSpec, std::less<>> fonts_;
    std::map<std::u16string, std::u16string, std::less<>> time_formats_;
    FontSpec default_font_;
};

// A copy of the current language's text (through the service facade).
std::u16string LocalText(const std::u16string& key, const std::u16string& section = {});
std::u16string LocalText(std::string_view key, std::string_view section = {});
// The same, or `fallback` when the language has no such text (also while no language file
// has been read: the messages about a missing one come before it).
std::u16string LocalTextOr(std::string_view key, std::string_view section,
                           std::u16string_view fallback);

}  // namespace dedevev

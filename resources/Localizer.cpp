#include "resources/Localizer.h"

#include <cstdio>

#include "core/GlobalService.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {

void CLocalizer::Clear() {
    language_id_ = 0;
    sections_.clear();
    fonts_.clear();
    time_formats_.clear();
}

void CLocalizer::Load(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        bytes.clear();
    LoadBytes(bytes);
}

TextEntry CLocalizer::ParseEntry(std::u16string_view value) {
    TextEntry entry;
    entry.text = ReplaceAll(value, u"\\n", u"\r\n");
    if (!entry.text.empty() && entry.text.front() == u'{') {
        const std::size_t close = entry.text.find(u'}');
        if (close != std::u16string::npos && close >= 7) {
            const std::string prefix =
                Utf16ToUtf8(std::u16string_view(entry.text).substr(0, close + 1));
            int v[4] = {0, 0, 0, 0};
            // sscanf stops at the first number that does not parse; the rest stay 0.
            std::sscanf(prefix.c_str(), "{%d,%d,%d,%d}", &v[0], &v[1], &v[2], &v[3]);
            entry.rect = TextRect{v[0], v[1], v[2], v[3]};
            entry.text.erase(0, close + 1);
        }
    }
    return entry;
}

std::uint16_t CLocalizer::ParseLanguageId(std::u16string_view value) {
    std::string text = Utf16ToUtf8(value);
    if (text.size() % 2 == 1)
        text.insert(text.begin(), '0');
    unsigned int id = 0;
    if (std::sscanf(text.c_str(), "%x", &id) != 1)
        return 0;
    return static_cast<std::uint16_t>(id);
}

void CLocalizer::LoadBytes(std::string_view bytes) {
    Clear();
    const TextTable table = TextTable::FromBytes(bytes);
    for (const auto& [name, section] : table.Sections()) {
        EntryMap entries;
        for (const auto& [key, value] : section)
            entries.emplace(key, ParseEntry(value));
        sections_.emplace_back(name, std::move(entries));
    }
    if (const TextTable::Section* formats = table.Find(u"timeformat")) {
        for (const auto& [name, format] : *formats)
            time_formats_[name] = format;
    }
    if (const TextTable::Section* fonts = table.Find(u"font")) {
        for (const auto& [name, value] : *fonts) {
            FontSpec font;
            const std::size_t comma = value.find(u',');
            font.face = Trim(std::u16string_view(value).substr(0, comma));
            if (comma != std::u16string::npos) {
                const std::string size =
                    Utf16ToUtf8(TrimView(std::u16string_view(value).substr(comma + 1)));
                int points = 0;
                if (std::sscanf(size.c_str(), "%d", &points) == 1 && points > 0)
                    font.point_size = points;
            }
            fonts_[name] = font;
        }
    }
    const std::u16string id = table.Value(u"language", u"id");
    language_id_ = id.empty() ? 0 : ParseLanguageId(id);
    const std::u16string code_page = table.Value(u"language", u"codepage");
    if (!code_page.empty()) {
        int value = 0;
        if (std::sscanf(Utf16ToUtf8(code_page).c_str(), "%d", &value) == 1)
            code_page_ = value;
    }
}

const TextEntry* CLocalizer::FindEntry(std::u16string_view key, std::u16string_view section) const {
    const std::u16string wanted = section.empty() ? std::u16string(u"text") : ToLower(section);
    for (const auto& [name, entries] : sections_) {
        if (name != wanted)
            continue;
        const auto it = entries.find(ToLower(key));
        return it == entries.end() ? nullptr : &it->second;
    }
    return nullptr;
}

const std::u16string& CLocalizer::GetText(const std::u16string& key,
                                          const std::u16string& section) const {
    const TextEntry* entry = FindEntry(key, section);
    return entry ? entry->text : key;
}

std::u16string CLocalizer::GetTimeFormat(std::u16string_view name) const {
    const auto it = time_formats_.find(ToLower(name));
    return it == time_formats_.end() ? std::u16string(kDefaultTimeFormat) : it->second;
}

const FontSpec& CLocalizer::GetFont(std::u16string_view name) const {
    const auto it = fonts_.find(ToLower(name));
    return it == fonts_.end() ? default_font_ : it->second;
}

std::u16string LocalText(const std::u16string& key, const std::u16string& section) {
    return CGlobalService::Instance().Localizer()->GetText(key, section);
}

std::u16string LocalText(std::string_view key, std::string_view section) {
    return LocalText(Utf8ToUtf16(key), Utf8ToUtf16(section));
}

std::u16string LocalTextOr(std::string_view key, std::string_view section,
                           std::u16string_view fallback) {
    const std::u16string wide_key = Utf8ToUtf16(key);
    const std::u16string& text =
        CGlobalService::Instance().Localizer()->GetText(wide_key, Utf8ToUtf16(section));
    // A missing text comes back as the key object itself.
    return &text == &wide_key || text.empty() ? std::u16string(fallback) : text;
}

}  // namespace dedevev

#include "core/TextCodec.h"

namespace dedevev {

char16_t ToLowerChar(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c < 0xC0)
        return c;
    // Latin-1 capitals (except the multiplication sign).
    if (c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 32);
    // Latin Extended-A: capitals on even code points.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149 && c != 0x178) {
        const bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_pairs)
            return (c & 1) ? static_cast<char16_t>(c + 1) : c;
        return (c & 1) ? c : static_cast<char16_t>(c + 1);
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return static_cast<char16_t>(c + 32);  // Greek
    if (c >= 0x410 && c <= 0x42F)
        return static_cast<char16_t>(c + 32);  // Cyrillic
    if (c >= 0x400 && c <= 0x40F)
        return static_cast<char16_t>(c + 80);
    return c;
}

char16_t ToUpperChar(char16_t c) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    if (c < 0xE0)
        return c;
    if (c <= 0xFE && c != 0xF7)
        return static_cast<char16_t>(c - 32);
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        const bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_pairs)
            return (c & 1) ? c : static_cast<char16_t>(c - 1);
        return (c & 1) ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return static_cast<char16_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F)
        return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F)
        return static_cast<char16_t>(c - 80);
    return c;
}

std::u16string ToLower(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        c = ToLowerChar(c);
    return out;
}

std::u16string ToUpper(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        c = ToUpperChar(c);
    return out;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
           c == 0xA0 || c == 0x3000;
}

std::u16string_view TrimView(std::u16string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsSpace(text[b]))
        ++b;
    while (e > b && IsSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

std::u16string Trim(std::u16string_view text) {
    return std::u16string(TrimView(text));
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerChar(a[i]) != ToLowerChar(b[i]))
            return false;
    }
    return true;
}

std::size_t FindNoCase(std::u16string_view haystack, std::u16string_view needle, std::size_t from) {
    if (needle.empty())
        return from <= haystack.size() ? from : std::u16string_view::npos;
    if (needle.size() > haystack.size())
        return std::u16string_view::npos;
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle))
            return i;
    }
    return std::u16string_view::npos;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
    std::u16string out;
    if (from.empty())
        return std::u16string(text);
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::u16string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace dedevev

#pragma once
// Conversions between the narrow text of files and the modem library (UTF-8) and the
// wide text the program works with (UTF-16), plus the small string helpers every reader needs.

#include <string>
#include <string_view>

#include "device/base/Utf.h"

namespace dedevev {

// A u16string from a plain ASCII/UTF-8 literal, for keys and section names.
inline std::u16string U16(std::string_view text) {
    return Utf8ToUtf16(text);
}

// Lower/upper case of ASCII letters and of the Latin-1 and basic Latin/Greek/Cyrillic
// letters that have a simple one-to-one case mapping. Everything else is kept.
char16_t ToLowerChar(char16_t c);
char16_t ToUpperChar(char16_t c);
std::u16string ToLower(std::u16string_view text);
std::u16string ToUpper(std::u16string_view text);

// Space, tab, CR, LF, vertical tab and form feed, plus the no-break space.
bool IsSpace(char16_t c);
std::u16string_view TrimView(std::u16string_view text);
std::u16string Trim(std::u16string_view text);

// Case-insensitive comparison and search (using ToLowerChar).
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
std::size_t FindNoCase(std::u16string_view haystack, std::u16string_view needle,
                       std::size_t from = 0);

// Replace every occurrence of `from` with `to`.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);

}  // namespace dedevev

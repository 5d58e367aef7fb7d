#pragma once
// UTF-8 <-> UTF-16, the one conversion every layer uses: the program works in UTF-16, files,
// the modem library and the card's answers carry UTF-8. Both directions never throw; what
// cannot be converted becomes U+FFFD.

#include <string>
#include <string_view>

namespace dedevev {

// UTF-8 to UTF-16. An invalid, overlong or truncated sequence gives one U+FFFD for its
// first byte, and decoding goes on with the next byte.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);
// Appends the UTF-8 form of one code point.
void AppendUtf8(char32_t code_point, std::string* out);

}  // namespace dedevev

#pragma once
// The pieces of the vCard reader and writer that import and the tests share.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/VCard.h"

namespace dedevev {

// The most cards one import takes; a file with more is refused as too large (adding runs a
// sameness check against every contact, so the count is what bounds the time).
inline constexpr std::size_t kMaxVCardCards = 20000;

// The file's text as UTF-8: a UTF-8 byte-order mark removed, UTF-16 (with its mark) converted.
std::string VCardTextAsUtf8(std::string_view bytes);

// The cards of UTF-8 text, at most `max_cards`; *more is set when another card follows.
std::vector<VCardEntry> ParseVCardText(std::string_view text, std::size_t max_cards, bool* more);

}  // namespace dedevev

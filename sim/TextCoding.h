#pragma once
// The card's own text codecs: UTF-8/UTF-16, UCS2 hex, the GSM 7-bit default alphabet and
// packed septets. The card keeps its own small implementation on purpose: when the modem
// library and the card are tested against each other, a codec fault on one side shows up
// instead of cancelling out.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::sim {

std::u16string FromUtf8(std::string_view text);  // invalid bytes become U+FFFD
std::string ToUtf8(std::u16string_view text);    // unpaired surrogates become U+FFFD

// "00410042" <-> u"AB" (big-endian UCS2; characters beyond the basic plane as surrogates).
std::string ToUcs2Hex(std::u16string_view text);
bool FromUcs2Hex(std::string_view hex, std::u16string* text);

// GSM 7-bit default alphabet with its extension table (an extension character is ESC + code).
bool ToGsm7Septets(std::u16string_view text, std::vector<std::uint8_t>* septets);
std::u16string FromGsm7Septets(const std::vector<std::uint8_t>& septets);
bool IsGsm7Text(std::u16string_view text);

// Packed GSM 7-bit as hex, as USSD strings travel with DCS 15 on cards that want hex. When the
// last octet would leave 7 unused bits, a CR fills them (and is dropped again on decoding).
bool ToPackedGsm7Hex(std::u16string_view text, std::string* hex);
bool FromPackedGsm7Hex(std::string_view hex, std::u16string* text);

bool IsHexText(std::string_view text);

}  // namespace dedevev::sim

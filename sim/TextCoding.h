#pragma once
// The card's own text codecs: UCS2 hex, the GSM 7-bit default alphabet and packed septets,
// kept apart from the modem library's on purpose so that a codec fault on one side shows up in
// the tests of the two against each other instead of cancelling out. UTF-8/UTF-16 is the shared
// conversion of device/base/Utf.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/base/Utf.h"

namespace dedevev::sim {

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

#pragma once
// Text codecs of the card: the GSM 7-bit default alphabet (with its extension table), packed
// septets, UCS2 hex, and the data coding scheme of USSD and SMS.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::at {

// Maps text to GSM 7-bit septets (an extension character becomes ESC + code, two septets).
// False when a character has no GSM code; `septets` then holds what could be mapped.
bool ToGsm7(std::u16string_view text, std::vector<std::uint8_t>* septets);
// Septets back to text. ESC + an unknown code gives the plain-alphabet character of that code;
// a double or trailing ESC gives a space (TS 23.038).
std::u16string FromGsm7(const std::vector<std::uint8_t>& septets);
// Whether every character has a GSM 7-bit code.
bool IsGsm7(std::u16string_view text);

// Packs septets into octets (7 bits each, LSB first), as in SMS user data and USSD.
std::vector<std::uint8_t> PackSeptets(const std::vector<std::uint8_t>& septets, int fill_bits = 0);
// Unpacks `count` septets from octets.
std::vector<std::uint8_t> UnpackSeptets(const std::vector<std::uint8_t>& octets, std::size_t count,
                                        int fill_bits = 0);

// Hex text ("00410042") to bytes and back; false on odd length or non-hex characters.
bool HexToBytes(std::string_view hex, std::vector<std::uint8_t>* bytes);
std::string BytesToHex(const std::vector<std::uint8_t>& bytes);

// UCS2 big-endian hex ("00410042" = "AB"); characters outside the basic plane travel as
// surrogate pairs.
std::string EncodeUcs2Hex(std::u16string_view text);
bool DecodeUcs2Hex(std::string_view hex, std::u16string* text);

// Text as packed GSM 7-bit in hex (USSD with DCS 15 on cards that want hex); false when a
// character has no GSM code.
bool EncodePackedGsm7Hex(std::u16string_view text, std::string* hex);
bool DecodePackedGsm7Hex(std::string_view hex, std::u16string* text);

// The alphabet a data coding scheme (TS 23.038, cell broadcast / USSD coding groups) selects.
// kAscii7 and kLatin1 are CDMA user-data encodings (7-bit ASCII, ISO 8859-1).
enum class Alphabet { kGsm7, kEightBit, kUcs2, kUnknown, kAscii7, kLatin1 };
Alphabet AlphabetOfUssdDcs(int dcs);
Alphabet AlphabetOfSmsDcs(int dcs);

}  // namespace dedevev::at

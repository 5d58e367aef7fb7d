#pragma once
// Text of the card's answers: quote-aware fields, the character set of
// quoted texts, and how plausible a decoding reads.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/base/Utf.h"

namespace dedevev::at {

using Lines = std::vector<std::string>;

// Narrow text of unknown origin as UTF-8: kept when it is valid UTF-8, else read as Latin-1.
std::string ToUtf8Lenient(std::string_view text);

std::string_view TrimView(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool IsHexText(std::string_view text);

// How much `text` reads like human text (0..1): the share of characters in the common letter,
// digit, punctuation and script ranges. Decoding garbage (hex read the wrong way) scores low.
double TextScore(std::u16string_view text);

// The character set of texts exchanged with the card (+CSCS).
enum class Charset { kIra, kGsm, kUcs2, kOther };
Charset CharsetFromName(std::string_view name);

// A quoted text field of an answer as UTF-8: UCS2 hex is decoded when the character set is
// UCS2 and the field reads as UCS2 hex text; anything else is taken as it stands.
std::string DecodeCardText(std::string_view field, Charset charset);
// A text for a quoted field of a command in the given character set (UCS2 hex for UCS2).
std::string EncodeCardText(std::string_view utf8, Charset charset);
// Whether `text` can travel inside a quoted command field: no quote, no control character.
bool IsSafeQuotedText(std::string_view text);

// A character of a phone number as cards store and dial it: a digit, '+', '*' or '#'.
bool IsDialChar(char c);
// A phone number a card can store and dial: dial characters, a '+' only at the start.
bool IsDialString(std::string_view number);
// A number some cards give in UCS2 hex ("002B0034" -> "+4"): decoded when every character is
// a dial character; nullopt for anything else.
std::optional<std::string> DecodeUcs2DialString(std::string_view hex);

// ---- Lines ------------------------------------------------------------------------------

// The first line starting with `prefix` (compared without case), with the prefix and the
// blanks after it removed. Lines may carry vendor noise before and after.
std::optional<std::string> FindValue(const Lines& lines, std::string_view prefix);
// The same for one line: the value after `prefix`, or nullopt when the line is another one.
std::optional<std::string_view> ValueAfter(std::string_view line, std::string_view prefix);

// The fields of a value: quoted fields lose their quotes (commas inside stay), blanks around
// unquoted fields are trimmed, empty fields stay empty, "( ... )" groups stay whole.
struct Field {
    std::string text;
    bool quoted = false;
};
std::vector<Field> SplitQuotedFields(std::string_view value);
// The same as texts only; an empty value has no fields.
std::vector<std::string> SplitFields(std::string_view value);
// A field as a decimal integer (blanks allowed around it); nullopt when it is not one.
std::optional<int> ToInt(std::string_view field);

}  // namespace dedevev::at

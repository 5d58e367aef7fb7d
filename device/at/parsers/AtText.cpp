// Text of the card's answers: quote-aware fields, character sets, plausibility.

#include "device/at/parsers/AtText.h"

#include <algorithm>
#include <cctype>

#include "device/at/pdu/GsmCodec.h"

namespace dedevev::at {

namespace {

bool IsLikelyCodePoint(char32_t c) {
    if (c == u'\n' || c == u'\r' || c == u'\t') {
        return true;
    }
    struct Range {
        char32_t first;
        char32_t last;
    };
    static constexpr Range kRanges[] = {
        {0x0020, 0x007E},    // ASCII
        {0x00A0, 0x024F},    // Latin-1 supplement, Latin extended
        {0x0370, 0x06FF},    // Greek, Cyrillic, Armenian, Hebrew, Arabic
        {0x0900, 0x0EFF},    // Indic scripts, Thai, Lao
        {0x1E00, 0x1EFF},    // Latin extended additional
        {0x2000, 0x214F},    // punctuation, currency, letter-like symbols
        {0x2190, 0x2BFF},    // arrows, mathematical and technical symbols, shapes, dingbats
        {0x3000, 0x30FF},    // CJK punctuation, kana
        {0x4E00, 0x9FFF},    // CJK ideographs
        {0xAC00, 0xD7A3},    // Hangul
        {0xFF00, 0xFFEF},    // full-width forms
        {0x1F300, 0x1FAFF},  // pictographs, emoji
    };
    for (const Range& r : kRanges) {
        if (c >= r.first && c <= r.last) {
            return true;
        }
    }
    return false;
}

// The script a likely character belongs to; 0 for those that mix with any script (Latin,
// punctuation, symbols, emoji).
int ScriptGroup(char32_t c) {
    if (c < 0x0370 || (c >= 0x1E00 && c <= 0x2BFF) || c >= 0x1F300) {
        return 0;
    }
    if (c <= 0x03FF) {
        return 1;  // Greek
    }
    if (c <= 0x052F) {
        return 2;  // Cyrillic
    }
    if (c <= 0x05FF) {
        return 3;  // Armenian, Hebrew
    }
    if (c <= 0x06FF) {
        return 4;  // Arabic
    }
    if (c >= 0x0900 && c <= 0x0EFF) {
        return 5 + static_cast<int>((c - 0x0900) / 0x80);  // one per Indic script, Thai, Lao
    }
    if (c >= 0xAC00 && c <= 0xD7A3) {
        return 40;  // Hangul
    }
    return 41;  // CJK, kana, full-width forms
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

// ---- Text -------------------------------------------------------------------------------

std::string ToUtf8Lenient(std::string_view text) {
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    for (char c : text) {
        AppendUtf8(static_cast<unsigned char>(c), &out);
    }
    return out;
}

std::string_view TrimView(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

bool IsHexText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
}

double TextScore(std::u16string_view text) {
    if (text.empty()) {
        return 0.0;
    }
    std::size_t characters = 0;
    std::size_t likely = 0;
    int script = -1;
    bool mixed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        ++characters;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (!IsLikelyCodePoint(c)) {
            continue;
        }
        ++likely;
        const int group = ScriptGroup(c);
        if (group > 0) {
            mixed = mixed || (script > 0 && script != group);
            script = group;
        }
    }
    const double share = static_cast<double>(likely) / static_cast<double>(characters);
    // Real texts keep to one script (besides Latin and symbols); hex read the wrong way
    // scatters over several.
    return mixed ? share / 2 : share;
}

Charset CharsetFromName(std::string_view name) {
    const std::string upper = UpperAscii(TrimView(name));
    if (upper == "UCS2" || upper == "UCS-2") {
        return Charset::kUcs2;
    }
    if (upper == "IRA" || upper == "ASCII") {
        return Charset::kIra;
    }
    if (upper == "GSM") {
        return Charset::kGsm;
    }
    return Charset::kOther;
}

std::string DecodeCardText(std::string_view field, Charset charset) {
    if (field.size() >= 4 && field.size() % 4 == 0 && IsHexText(field)) {
        std::u16string decoded;
        if (DecodeUcs2Hex(field, &decoded) && TextScore(decoded) >= 0.9) {
            if (charset == Charset::kUcs2) {
                return Utf16ToUtf8(decoded);
            }
            // Some cards answer in UCS2 whatever the character set; accept that only when it
            // reads clearly as Latin text, never for short hex-looking names.
            const auto latin =
                std::count_if(decoded.begin(), decoded.end(), [](char16_t c) { return c < 0x250; });
            if (field.size() >= 8 && TextScore(decoded) == 1.0 &&
                static_cast<std::size_t>(latin) * 2 >= decoded.size() &&
                field.substr(0, 2) == "00") {
                return Utf16ToUtf8(decoded);
            }
        }
    }
    return ToUtf8Lenient(field);
}

std::string EncodeCardText(std::string_view utf8, Charset charset) {
    if (charset == Charset::kUcs2) {
        return EncodeUcs2Hex(Utf8ToUtf16(utf8));
    }
    return std::string(utf8);
}

bool IsSafeQuotedText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '"' || u < 0x20 || u == 0x7F;
    });
}

// ---- Lines ------------------------------------------------------------------------------

std::optional<std::string> FindValue(const Lines& lines, std::string_view prefix) {
    for (const std::string& raw : lines) {
        if (const std::optional<std::string_view> value = ValueAfter(raw, prefix))
            return std::string(*value);
    }
    return std::nullopt;
}

std::optional<std::string_view> ValueAfter(std::string_view line, std::string_view prefix) {
    line = TrimView(line);
    if (!StartsWithNoCase(line, prefix))
        return std::nullopt;
    return TrimView(line.substr(prefix.size()));
}

bool IsDialChar(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#';
}

bool IsDialString(std::string_view number) {
    if (number.empty() || number == "+")
        return false;
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        if (!IsDialChar(c) || (c == '+' && i != 0))
            return false;
    }
    return true;
}

std::optional<std::string> DecodeUcs2DialString(std::string_view hex) {
    std::u16string units;
    if (hex.empty() || !DecodeUcs2Hex(hex, &units))
        return std::nullopt;
    std::string out;
    for (const char16_t unit : units) {
        if (unit > 0x7F || !IsDialChar(static_cast<char>(unit)))
            return std::nullopt;
        out += static_cast<char>(unit);
    }
    return out;
}

std::vector<Field> SplitQuotedFields(std::string_view value) {
    std::vector<Field> fields;
    std::size_t pos = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (true) {
        while (pos < value.size() && blank(value[pos])) {
            ++pos;
        }
        Field field;
        if (pos < value.size() && value[pos] == '"') {
            field.quoted = true;
            ++pos;
            // A quote inside is written \" or "".
            while (pos < value.size()) {
                const char c = value[pos];
                const char next = pos + 1 < value.size() ? value[pos + 1] : '\0';
                const char after = pos + 2 < value.size() ? value[pos + 2] : ',';
                const bool field_end = after == ',' || after == ')' || after == ' ';
                if ((c == '\\' || c == '"') && next == '"' && !(c == '"' && field_end)) {
                    field.text.push_back('"');
                    pos += 2;
                    continue;
                }
                if (c == '"') {
                    ++pos;
                    break;
                }
                field.text.push_back(c);
                ++pos;
            }
            // Anything between the closing quote and the next comma is noise.
            while (pos < value.size() && value[pos] != ',') {
                ++pos;
            }
        } else {
            const std::size_t start = pos;
            int depth = 0;
            bool quoted = false;
            for (; pos < value.size(); ++pos) {
                const char c = value[pos];
                if (c == '"') {
                    quoted = !quoted;
                } else if (!quoted && c == '(') {
                    ++depth;
                } else if (!quoted && c == ')' && depth > 0) {
                    --depth;
                } else if (!quoted && depth == 0 && c == ',') {
                    break;
                }
            }
            field.text = std::string(TrimView(value.substr(start, pos - start)));
        }
        fields.push_back(std::move(field));
        if (pos >= value.size()) {
            break;
        }
        ++pos;  // the comma
    }
    return fields;
}

std::vector<std::string> SplitFields(std::string_view value) {
    std::vector<std::string> fields;
    if (TrimView(value).empty()) {
        return fields;
    }
    for (Field& f : SplitQuotedFields(value)) {
        fields.push_back(std::move(f.text));
    }
    return fields;
}

std::optional<int> ToInt(std::string_view field) {
    field = TrimView(field);
    if (field.empty() || field.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    bool negative = false;
    std::size_t i = 0;
    if (field[0] == '-' || field[0] == '+') {
        negative = field[0] == '-';
        i = 1;
        if (field.size() == 1) {
            return std::nullopt;
        }
    }
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (field[i] - '0');
    }
    return negative ? -value : value;
}

}  // namespace dedevev::at

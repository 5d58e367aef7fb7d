// Reading vCard files: lines, unfolding, properties and their parameters, value decoding, and
// the mapping of a card's properties onto a PC contact.

#include <algorithm>
#include <array>
#include <optional>

#include "core/TextCodec.h"
#include "phonebook/VCard.h"
#include "phonebook/VCardInternal.h"

namespace dedevev {

namespace {

// An unfolded line longer than this is not kept; a card that needs it is refused. Photos and
// other long values the contact does not use are skipped whatever their length.
constexpr std::size_t kMaxLogicalLine = 1024 * 1024;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

std::string UpperCopy(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), UpperAscii);
    return out;
}

// The position of the first `wanted` outside double quotes, or npos.
std::size_t FindUnquoted(std::string_view text, char wanted) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == wanted && !quoted)
            return i;
    }
    return std::string_view::npos;
}

std::vector<std::string_view> SplitUnquoted(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = FindUnquoted(text, separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string_view StripQuotes(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

std::string_view TrimAscii(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

// One unfolded content line: "[group.]NAME;params:value".
struct Property {
    std::string name;  // upper case, group removed
    std::vector<std::string> types;
    std::string encoding;  // upper case
    std::string charset;   // upper case
    std::string value;     // still encoded and escaped
};

std::optional<Property> ParseProperty(std::string_view line) {
    const std::size_t colon = FindUnquoted(line, ':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::vector<std::string_view> header = SplitUnquoted(line.substr(0, colon), ';');
    std::string_view name = header.front();
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameChar))
        return std::nullopt;
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    Property property;
    property.name = UpperCopy(name);
    property.value.assign(line.substr(colon + 1));
    for (std::size_t i = 1; i < header.size(); ++i) {
        const std::string_view param = header[i];
        const std::size_t equals = param.find('=');
        const std::string key =
            equals == std::string_view::npos ? std::string() : UpperCopy(param.substr(0, equals));
        const std::string_view values =
            equals == std::string_view::npos ? param : param.substr(equals + 1);
        if (key == "ENCODING") {
            property.encoding = UpperCopy(StripQuotes(values));
        } else if (key == "CHARSET") {
            property.charset = UpperCopy(StripQuotes(values));
        } else if (key.empty() || key == "TYPE") {
            // TYPE="work,voice" and TYPE=work,voice alike.
            std::string list = UpperCopy(values);
            list.erase(std::remove(list.begin(), list.end(), '"'), list.end());
            for (std::string_view type : SplitUnquoted(list, ',')) {
                const std::string upper(type);
                // The older style names the encoding bare, like a type.
                if (key.empty() && (upper == "QUOTED-PRINTABLE" || upper == "BASE64"))
                    property.encoding = upper;
                else
                    property.types.push_back(upper);
            }
        }
    }
    return property;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = UpperAscii(c);
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// Windows-1252 for 0x80..0x9F (what files labelled Latin-1 hold there in practice); 0 where
// the code page has no character, kept as the C1 control of the same number.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::u16string DecodeLatin1(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t mapped = (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : 0;
        out.push_back(mapped ? mapped : static_cast<char16_t>(byte));
    }
    return out;
}

// The property's text, still with its escapes, in UTF-16.
std::u16string DecodeText(const Property& property) {
    const std::string bytes = property.encoding == "QUOTED-PRINTABLE"
                                  ? DecodeQuotedPrintable(property.value)
                                  : property.value;
    const bool utf8_label = property.charset.empty() || property.charset == "UTF-8" ||
                            property.charset == "UTF8" || property.charset == "US-ASCII";
    if (utf8_label && IsValidUtf8(bytes))
        return Utf8ToUtf16(bytes);
    return DecodeLatin1(bytes);
}

// Line breaks of any kind as CR LF.
std::u16string NormaliseBreaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            out += u"\r\n";
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Splits at each unescaped `separator` (0: none) into at most `max_parts` (the last keeps
// any further separators) and resolves the escapes; breaks become CR LF.
std::vector<std::u16string> Unescape(std::u16string_view text, char16_t separator,
                                     std::size_t max_parts = 1) {
    std::vector<std::u16string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const char16_t next = text[++i];
            if (next == u'n' || next == u'N')
                parts.back() += u"\r\n";
            else if (next == u',' || next == u';' || next == u'\\' || next == u':')
                parts.back().push_back(next);
            else
                parts.back() += {c, next};
        } else if (c == separator && parts.size() < max_parts) {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    for (std::u16string& part : parts)
        part = NormaliseBreaks(part);
    return parts;
}

std::u16string TextValue(const Property& property) {
    return Unescape(DecodeText(property), 0).front();
}

// A one-line field: line breaks become spaces, surrounding space goes.
std::u16string OneLine(std::u16string_view text) {
    std::u16string out = ReplaceAll(ReplaceAll(text, u"\r\n", u" "), u"\r", u" ");
    return Trim(ReplaceAll(out, u"\n", u" "));
}

std::u16string JoinWords(std::initializer_list<std::u16string_view> words) {
    std::u16string out;
    for (std::u16string_view word : words) {
        const std::u16string_view trimmed = TrimView(word);
        if (trimmed.empty())
            continue;
        if (!out.empty())
            out.push_back(u' ');
        out += trimmed;
    }
    return out;
}

enum class TelKind { kMobile, kOffice, kHome, kAny, kNotCallable };

TelKind KindOf(const std::vector<std::string>& types) {
    const auto has = [&](std::string_view type) {
        return std::find(types.begin(), types.end(), type) != types.end();
    };
    if (has("FAX") || has("PAGER") || has("MODEM") || has("BBS"))
        return TelKind::kNotCallable;
    if (has("CELL") || has("MOBILE") || has("IPHONE"))
        return TelKind::kMobile;
    if (has("WORK"))
        return TelKind::kOffice;
    if (has("HOME"))
        return TelKind::kHome;
    return TelKind::kAny;
}

// What one card collects before it becomes a contact.
class CardBuilder {
public:
    explicit CardBuilder(int line) { entry_.line = line; }

    void Take(const Property& property) {
        const std::string& name = property.name;
        if (name == "FN" && !fn_) {
            fn_ = OneLine(TextValue(property));
        } else if (name == "N" && !n_) {
            std::vector<std::u16string> parts = Unescape(DecodeText(property), u';', 5);
            parts.resize(std::max<std::size_t>(parts.size(), 3));
            for (std::u16string& part : parts)
                part = OneLine(ReplaceAll(part, u",", u" "));
            n_ = JoinWords({parts[1], parts[2], parts[0]});
        } else if (name == "TEL") {
            // A URI value ("tel:+1-555-0100") keeps only the number.
            const std::u16string value = OneLine(TextValue(property));
            std::u16string_view number = value;
            while (number.size() >= 4 && EqualsNoCase(number.substr(0, 4), u"tel:"))
                number = TrimView(number.substr(4));
            if (!number.empty())
                tels_.push_back({KindOf(property.types), std::u16string(number)});
        } else if (name == "EMAIL" && entry_.contact.email.empty()) {
            entry_.contact.email = OneLine(TextValue(property));
        } else if (name == "NOTE" && !note_) {
            note_ = TextValue(property);
        }
    }

    void Refuse(VCardRefusal refusal) {
        if (!refused_)
            refused_ = refusal;
    }

    VCardEntry Finish() {
        PCContact& contact = entry_.contact;
        contact.name = fn_ && !fn_->empty() ? *fn_ : n_.value_or(u"");
        std::u16string* const slots[] = {&contact.mobile, &contact.office, &contact.home};
        std::vector<const std::u16string*> extra;
        for (const Tel& tel : tels_) {  // the typed ones first, each to its own field
            const bool typed = tel.kind < TelKind::kAny;
            if (typed && slots[static_cast<int>(tel.kind)]->empty())
                *slots[static_cast<int>(tel.kind)] = tel.number;
            else if (typed || tel.kind == TelKind::kNotCallable)
                extra.push_back(&tel.number);
        }
        for (const Tel& tel : tels_) {  // then the others into what is left, mobile first
            if (tel.kind != TelKind::kAny)
                continue;
            std::u16string* const free_slot = contact.mobile.empty()   ? &contact.mobile
                                              : contact.home.empty()   ? &contact.home
                                              : contact.office.empty() ? &contact.office
                                                                       : nullptr;
            if (free_slot)
                *free_slot = tel.number;
            else
                extra.push_back(&tel.number);
        }
        std::u16string remark = note_.value_or(u"");
        for (const std::u16string* number : extra) {
            if (!remark.empty())
                remark += u"\r\n";
            remark += u"Tel: " + *number;
        }
        contact.remark = std::move(remark);
        if (contact.name.empty())
            Refuse(VCardRefusal::kNoName);
        else if (contact.mobile.empty() && contact.office.empty() && contact.home.empty())
            Refuse(VCardRefusal::kNoNumber);
        entry_.ok = !refused_;
        if (refused_) {
            entry_.refusal = *refused_;
            entry_.contact = PCContact{};
        }
        return std::move(entry_);
    }

private:
    struct Tel {
        TelKind kind;
        std::u16string number;
    };
    VCardEntry entry_;
    std::optional<std::u16string> fn_, n_, note_;
    std::vector<Tel> tels_;
    std::optional<VCardRefusal> refused_;
};

// Produces the unfolded lines of the text, with the number of the physical line each starts on.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // False at the end. `too_long` when the unfolded line passed the limit (its text is cut).
    bool Next(std::string* line, int* number, bool* too_long) {
        std::string_view physical;
        if (!NextPhysical(&physical))
            return false;
        *number = line_number_;
        line->assign(physical.substr(0, kMaxLogicalLine));
        *too_long = physical.size() > kMaxLogicalLine;
        const bool quoted_printable = IsQuotedPrintable(physical);
        while (!AtEnd()) {
            const char lead = text_[pos_];
            // A soft break never swallows the line that ends the card.
            const bool soft_break = quoted_printable && !line->empty() && line->back() == '=' &&
                                    NextPhysical(&physical, false) &&
                                    !StartsWithNoCase(TrimAscii(physical), "END:VCARD");
            if (!soft_break && lead != ' ' && lead != '\t')
                break;
            NextPhysical(&physical);
            if (soft_break)
                line->pop_back();
            else
                physical.remove_prefix(1);
            if (line->size() + physical.size() > kMaxLogicalLine)
                *too_long = true;
            if (!*too_long)
                line->append(physical);
        }
        return true;
    }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }

    // The next line without its end (CR LF, LF or CR); `advance` false only looks at it.
    bool NextPhysical(std::string_view* physical, bool advance = true) {
        if (AtEnd())
            return false;
        const std::size_t end = text_.find_first_of("\r\n", pos_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        *physical = text_.substr(pos_, stop - pos_);
        if (!advance)
            return true;
        pos_ = stop;
        if (pos_ < text_.size() && text_[pos_] == '\r')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
        ++line_number_;
        return true;
    }

    static bool IsQuotedPrintable(std::string_view physical) {
        const std::string header = UpperCopy(physical.substr(0, FindUnquoted(physical, ':')));
        return header.find("QUOTED-PRINTABLE") != std::string::npos;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_number_ = 0;
};

bool IsBase64(const Property& property) {
    return property.encoding == "BASE64" || property.encoding == "B";
}

// The properties whose values make the contact; a card that needs one of these cut is refused.
bool IsUsed(std::string_view line) {
    for (std::string_view name : {"FN", "N", "TEL", "EMAIL", "NOTE"}) {
        std::string_view rest = line;
        if (const std::size_t dot = rest.find('.');
            dot != std::string_view::npos && dot < rest.find_first_of(";:"))
            rest.remove_prefix(dot + 1);
        if (StartsWithNoCase(rest, name) && rest.size() > name.size() &&
            (rest[name.size()] == ';' || rest[name.size()] == ':'))
            return true;
    }
    return false;
}

}  // namespace

std::string VCardTextAsUtf8(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    const bool little = bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE";
    const bool big = bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF";
    if (!little && !big)
        return std::string(bytes);
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(
            static_cast<char16_t>(little ? (second << 8 | first) : (first << 8 | second)));
    }
    return Utf16ToUtf8(wide);
}

std::vector<VCardEntry> ParseVCardText(std::string_view text, std::size_t max_cards, bool* more) {
    *more = false;
    std::vector<VCardEntry> entries;
    std::optional<CardBuilder> card;
    LineReader reader(text);
    std::string line;
    int number = 0;
    bool too_long = false;
    bool in_base64_body = false;
    while (reader.Next(&line, &number, &too_long)) {
        const std::string_view trimmed = TrimAscii(line);
        const bool begin = EqualsAsciiNoCase(trimmed, "BEGIN:VCARD");
        if (begin || EqualsAsciiNoCase(trimmed, "END:VCARD")) {
            in_base64_body = false;
            if (card) {  // an END closes the card; a BEGIN inside it leaves it unfinished
                if (begin)
                    card->Refuse(VCardRefusal::kMalformed);
                entries.push_back(card->Finish());
                card.reset();
            }
            if (begin) {
                if (entries.size() == max_cards) {
                    *more = true;
                    return entries;
                }
                card.emplace(number);
            }
            continue;
        }
        if (!card)
            continue;  // text between cards
        if (trimmed.empty()) {
            in_base64_body = false;
            continue;
        }
        // The older format ends a base64 value with an empty line, its lines not indented.
        if (in_base64_body && line.find(':') == std::string::npos)
            continue;
        in_base64_body = false;
        if (too_long) {
            if (IsUsed(line))
                card->Refuse(VCardRefusal::kMalformed);
            continue;
        }
        const std::optional<Property> property = ParseProperty(line);
        if (!property) {
            card->Refuse(VCardRefusal::kMalformed);
            continue;
        }
        in_base64_body = IsBase64(*property);
        card->Take(*property);
    }
    if (card) {
        card->Refuse(VCardRefusal::kMalformed);
        entries.push_back(card->Finish());
    }
    return entries;
}

std::vector<VCardEntry> ParseVCards(std::string_view bytes) {
    bool more = false;
    return ParseVCardText(VCardTextAsUtf8(bytes), kMaxVCardCards, &more);
}

}  // namespace dedevev

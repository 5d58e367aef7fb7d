#include "device/at/transport/AtResponse.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>

namespace dedevev::at {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

// The verbose texts of the +CME ERROR codes (27.007 9.2.1) that cards print after AT+CMEE=2.
struct ErrorText {
    int code;
    std::string_view text;
};
constexpr std::array<ErrorText, 27> kCmeTexts{{
    {0, "phone failure"},
    {1, "no connection to phone"},
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {5, "PH-SIM PIN required"},
    {10, "SIM not inserted"},
    {11, "SIM PIN required"},
    {12, "SIM PUK required"},
    {13, "SIM failure"},
    {14, "SIM busy"},
    {15, "SIM wrong"},
    {16, "incorrect password"},
    {17, "SIM PIN2 required"},
    {18, "SIM PUK2 required"},
    {20, "memory full"},
    {21, "invalid index"},
    {22, "not found"},
    {23, "memory failure"},
    {24, "text string too long"},
    {25, "invalid characters in text string"},
    {26, "dial string too long"},
    {27, "invalid characters in dial string"},
    {30, "no network service"},
    {31, "network timeout"},
    {32, "network not allowed - emergency calls only"},
    {100, "unknown"},
    {50, "Incorrect parameters"},
}};

// The number of "+CME ERROR: <n>" / "+CMS ERROR: <n>": digits, or a standard verbose text.
int ErrorCode(std::string_view rest, bool cme) {
    rest = Trim(rest);
    int value = -1;
    const char* end = rest.data() + rest.size();
    const auto [ptr, ec] = std::from_chars(rest.data(), end, value);
    if (ec == std::errc() && ptr == end && value >= 0)
        return value;
    if (cme) {
        for (const ErrorText& entry : kCmeTexts) {
            if (EqualsNoCase(rest, entry.text))
                return entry.code;
        }
    }
    return -1;
}

bool ParseInt(std::string_view text, int* value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    long long result = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, result, base);
    if (ec != std::errc() || ptr != end)
        return false;
    if (negative)
        result = -result;
    if (result < std::numeric_limits<int>::min() || result > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(result);
    return true;
}

}  // namespace

std::string Response::Value(std::string_view prefix) const {
    for (const std::string& line : lines) {
        if (StartsWith(line, prefix)) {
            std::string_view rest(line);
            rest.remove_prefix(prefix.size());
            if (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            return std::string(rest);
        }
    }
    return {};
}

std::vector<std::string> Response::Values(std::string_view prefix) const {
    std::vector<std::string> values;
    for (const std::string& line : lines) {
        if (StartsWith(line, prefix)) {
            std::string_view rest(line);
            rest.remove_prefix(prefix.size());
            if (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            values.emplace_back(rest);
        }
    }
    return values;
}

LineKind ClassifyLine(std::string_view line, Final* final, int* code) {
    line = Trim(line);
    auto result = [&](Final value, int number) {
        if (final)
            *final = value;
        if (code)
            *code = number;
        return LineKind::kFinal;
    };
    if (line == ">")
        return LineKind::kPrompt;
    if (line == "OK")
        return result(Final::kOk, -1);
    if (line == "ERROR" || line == "COMMAND NOT SUPPORT" || line == "TOO MANY PARAMETERS")
        return result(Final::kError, -1);
    if (StartsWith(line, "+CME ERROR")) {
        std::string_view rest = line.substr(10);
        if (rest.empty() || rest.front() == ':')
            return result(Final::kCmeError, ErrorCode(rest.empty() ? rest : rest.substr(1), true));
    }
    if (StartsWith(line, "+CMS ERROR")) {
        std::string_view rest = line.substr(10);
        if (rest.empty() || rest.front() == ':')
            return result(Final::kCmsError, ErrorCode(rest.empty() ? rest : rest.substr(1), false));
    }
    if (line == "NO CARRIER")
        return result(Final::kNoCarrier, -1);
    if (line == "BUSY")
        return result(Final::kBusy, -1);
    if (line == "NO ANSWER")
        return result(Final::kNoAnswer, -1);
    if (line == "NO DIALTONE" || line == "NO DIAL TONE")
        return result(Final::kNoDialtone, -1);
    if (StartsWith(line, "CONNECT")) {
        // "CONNECT", "CONNECT 115200", "CONNECT115200"; not "CONNECTED" or "CONNECTING".
        const std::string_view rest = line.substr(7);
        if (rest.empty() || rest.front() == ' ' ||
            std::isdigit(static_cast<unsigned char>(rest.front())))
            return result(Final::kConnect, -1);
    }
    return LineKind::kOther;
}

bool IsKnownUnsolicited(std::string_view line) {
    static constexpr std::array<std::string_view, 17> kPrefixes{
        "+CRING:", "+CLIP:", "+CCWA:",  "+CMTI:",  "+CMT:",  "+CDSI:", "+CDS:",  "+CBM:",  "+CBMI:",
        "+CUSD:",  "+CREG:", "+CGREG:", "+CEREG:", "+CGEV:", "+CIEV:", "+CSSI:", "+CSSU:",
    };
    if (line == "RING")
        return true;
    if (!line.empty() && line.front() == '^')
        return true;
    return std::any_of(kPrefixes.begin(), kPrefixes.end(),
                       [&](std::string_view prefix) { return StartsWith(line, prefix); });
}

bool IsTwoLineUnsolicited(std::string_view line) {
    if (StartsWith(line, "+CMT:") || StartsWith(line, "+CBM:"))
        return true;
    if (StartsWith(line, "+CDS:")) {
        // PDU mode: "+CDS: <length>" and the PDU on the next line. Text mode carries the whole
        // report on one line (first octet, reference, ...).
        int length = 0;
        return ParseInt(line.substr(5), &length);
    }
    return false;
}

std::vector<std::string> AnswerPrefixes(std::string_view command) {
    std::vector<std::string> prefixes;
    std::string_view rest = Trim(command);
    if (rest.size() < 2 || Upper(rest[0]) != 'A' || Upper(rest[1]) != 'T')
        return prefixes;
    rest.remove_prefix(2);
    // Parts of a compound command, split at ';' outside quotes.
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] == '"')
            quoted = !quoted;
        if (i == rest.size() || (!quoted && rest[i] == ';')) {
            parts.push_back(Trim(rest.substr(start, i - start)));
            start = i + 1;
        }
    }
    for (std::string_view part : parts) {
        if (part.empty() || (part[0] != '+' && part[0] != '^' && part[0] != '$' && part[0] != '%'))
            continue;
        std::size_t end = 1;
        while (end < part.size() && part[end] != '=' && part[end] != '?')
            ++end;
        const std::string_view tail = part.substr(end);
        const bool query = tail.empty() || tail == "?" || tail == "=?";
        if (!query || end == 1)
            continue;
        std::string prefix;
        for (char c : part.substr(0, end))
            prefix += Upper(c);
        prefix += ':';
        if (std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
            prefixes.push_back(prefix);
    }
    return prefixes;
}

bool IsDialCommand(std::string_view command) {
    command = Trim(command);
    if (command.size() < 3 || Upper(command[0]) != 'A' || Upper(command[1]) != 'T')
        return false;
    const char third = Upper(command[2]);
    if (third == 'D' || third == 'A' || third == 'O')
        return true;
    std::string upper;
    for (char c : command.substr(2))
        upper += Upper(c);
    return StartsWith(upper, "+CGDATA");
}

// ---- LineAssembler ----

void LineAssembler::Flush(std::vector<Item>* out) {
    const std::string_view text = Trim(partial_);
    if (!text.empty())
        out->push_back({LineKind::kOther, std::string(text)});
    partial_.clear();
}

void LineAssembler::Feed(std::string_view bytes, std::vector<Item>* out) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n') {
            Flush(out);
            continue;
        }
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            continue;  // noise, or the Ctrl-Z / ESC of an echoed data entry
        partial_ += c;
        if (partial_ == "> ") {
            out->push_back({LineKind::kPrompt, "> "});
            partial_.clear();
            continue;
        }
        if (partial_.size() >= kMaxLine)
            Flush(out);
    }
}

// ---- FieldReader ----

void FieldReader::SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
        ++pos_;
}

bool FieldReader::AtEnd() const {
    if (finished_)
        return true;
    // A text of blanks only has no field at all; "1," has a trailing empty one.
    if (pos_ == 0) {
        std::size_t i = 0;
        while (i < text_.size() && IsBlank(text_[i]))
            ++i;
        return i == text_.size();
    }
    return false;
}

bool FieldReader::NextIsQuoted() const {
    if (AtEnd())
        return false;
    std::size_t i = pos_;
    while (i < text_.size() && IsBlank(text_[i]))
        ++i;
    return i < text_.size() && text_[i] == '"';
}

bool FieldReader::Next(std::string* field) {
    if (AtEnd())
        return false;
    SkipBlanks();
    std::string value;
    if (pos_ < text_.size() && text_[pos_] == '"') {
        ++pos_;
        bool closed = false;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\\' && pos_ + 1 < text_.size() &&
                (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\')) {
                value += text_[pos_ + 1];
                pos_ += 2;
                continue;
            }
            if (c == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    value += '"';  // a doubled quote stands for one
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                closed = true;
                break;
            }
            value += c;
            ++pos_;
        }
        // Anything between the closing quote and the next comma is noise.
        while (closed && pos_ < text_.size() && text_[pos_] != ',')
            ++pos_;
    } else {
        const std::size_t start = pos_;
        int depth = 0;
        bool quoted = false;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (depth > 0 && c == '"')
                quoted = !quoted;
            else if (!quoted && c == '(')
                ++depth;
            else if (!quoted && c == ')' && depth > 0)
                --depth;
            else if (!quoted && depth == 0 && c == ',')
                break;
            ++pos_;
        }
        value = std::string(Trim(text_.substr(start, pos_ - start)));
    }
    if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
    } else {
        finished_ = true;
    }
    if (field)
        *field = std::move(value);
    return true;
}

bool FieldReader::NextInt(int* value) {
    std::string field;
    if (!Next(&field))
        return false;
    int parsed = 0;
    if (!ParseInt(field, &parsed))
        return false;
    if (value)
        *value = parsed;
    return true;
}

bool FieldReader::NextHex(std::uint32_t* value) {
    std::string field;
    if (!Next(&field))
        return false;
    std::string_view text = Trim(field);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty())
        return false;
    std::uint32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed, 16);
    if (ec != std::errc() || ptr != end)
        return false;
    if (value)
        *value = parsed;
    return true;
}

bool FieldReader::Skip() {
    return Next(nullptr);
}

bool FieldReader::NextGroup(std::string* group) {
    if (AtEnd())
        return false;
    std::size_t i = pos_;
    while (i < text_.size() && IsBlank(text_[i]))
        ++i;
    if (i >= text_.size() || text_[i] != '(')
        return false;
    std::string field;
    Next(&field);
    // `field` runs from '(' to the end of the field; the group ends at its matching ')'.
    int depth = 0;
    bool quoted = false;
    std::size_t close = std::string::npos;
    for (std::size_t k = 0; k < field.size(); ++k) {
        const char c = field[k];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '(')
            ++depth;
        else if (!quoted && c == ')' && --depth == 0) {
            close = k;
            break;
        }
    }
    if (group)
        *group = close == std::string::npos ? field.substr(1) : field.substr(1, close - 1);
    return true;
}

}  // namespace dedevev::at

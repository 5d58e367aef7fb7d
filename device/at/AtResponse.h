#pragma once
// One AT command's answer, and the pure parsing of response lines.

#include <string>
#include <string_view>
#include <vector>

namespace dedevev::at {

enum class Final {
    kOk,
    kError,
    kCmeError,   // +CME ERROR: <n>
    kCmsError,   // +CMS ERROR: <n>
    kNoCarrier,
    kBusy,
    kNoAnswer,
    kNoDialtone,
    kConnect,    // CONNECT [<text>]
    kTimeout,    // no final result within the command's time-out
    kIoError,    // the port failed or was closed (card pulled)
    kNotOpen,    // no port
};

struct Response {
    Final final = Final::kNotOpen;
    int error_code = -1;              // the number of +CME/+CMS ERROR, -1 otherwise
    std::string final_line;           // the final result line as received
    std::vector<std::string> lines;   // intermediate lines (no echo, no unsolicited lines)

    bool Ok() const { return final == Final::kOk; }
    // First line starting with `prefix` (e.g. "+CSQ:"), with the prefix and one following
    // blank removed; empty when none.
    std::string Value(std::string_view prefix) const;
    // Every line starting with `prefix`, stripped like Value().
    std::vector<std::string> Values(std::string_view prefix) const;
};

// What a received line is, by its text alone.
enum class LineKind { kFinal, kPrompt, kOther };
// Classifies a line; fills `final`/`code` when it is a final result. "CONNECT" and its
// variants count as final.
LineKind ClassifyLine(std::string_view line, Final* final, int* code);

// Reads the comma-separated fields of a response value: quoted strings (with commas and
// escaped quotes inside), bare numbers, bare words, empty fields, parenthesised groups.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : text_(text) {}
    bool AtEnd() const;
    // Next field as text: quotes removed (a quoted field may hold commas); false at end.
    bool Next(std::string* field);
    // Next field as a decimal (or "0x" hex) integer; false when missing or not a number (the
    // field is consumed either way).
    bool NextInt(int* value);
    // Skips one field.
    bool Skip();
    // Next "( ... )" group as raw text without the parentheses; false when the next field is
    // not a group.
    bool NextGroup(std::string* group);
    // Whether the next field was quoted (peek).
    bool NextIsQuoted() const;

private:
    void SkipBlanks();
    std::string_view text_;
    std::size_t pos_ = 0;
    bool finished_ = false;
};

}  // namespace dedevev::at

#pragma once
// One AT command's answer, and the pure parsing of response lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev::at {

enum class Final {
    kOk,
    kError,
    kCmeError,  // +CME ERROR: <n>
    kCmsError,  // +CMS ERROR: <n>
    kNoCarrier,
    kBusy,
    kNoAnswer,
    kNoDialtone,
    kConnect,  // CONNECT [<text>]
    kTimeout,  // no final result within the command's time-out
    kIoError,  // the port failed or was closed (card pulled)
    kNotOpen,  // no port
};

struct Response {
    Final final = Final::kNotOpen;
    int error_code = -1;             // the number of +CME/+CMS ERROR, -1 otherwise
    std::string final_line;          // the final result line as received
    std::vector<std::string> lines;  // intermediate lines (no echo, no unsolicited lines)

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
// variants count as final. Besides the V.250 and 27.007 codes, the error finals some vendors
// use for unknown commands ("COMMAND NOT SUPPORT", "TOO MANY PARAMETERS") count as kError, and
// a +CME/+CMS ERROR in verbose form ("+CME ERROR: SIM not inserted") gets its number when the
// text is a standard one (-1 otherwise). Either pointer may be null.
LineKind ClassifyLine(std::string_view line, Final* final, int* code);

// Whether a line is an unsolicited result code by its text alone: RING, +CRING:, +CLIP:,
// +CCWA:, +CMTI:, +CMT:, +CDSI:, +CDS:, +CBM:, +CUSD:, +CREG:, +CGREG:, +CEREG:, +CGEV:,
// +CIEV:, +CSSI:, +CSSU:, and every vendor report starting with '^' (^RSSI:, ^MODE:, ^BOOT:,
// ^DDSRV: ...). NO CARRIER, BUSY, NO ANSWER and NO DIALTONE are decided by the channel (final
// results of a dial, unsolicited otherwise), not here.
bool IsKnownUnsolicited(std::string_view line);
// Whether an unsolicited line is followed by a second line that belongs to it (the PDU or
// text of +CMT:, +CBM:, and +CDS: in PDU mode).
bool IsTwoLineUnsolicited(std::string_view line);
// The answer prefixes a command implies: "+CSQ:" for "AT+CSQ", "+CREG:" for "AT+CREG?" and
// "AT+CREG=?", "^DDSRV:" for "AT^DDSRV?", "+COPS:" for "AT+COPS=3,0;+COPS?". Set commands
// ("AT+CUSD=1,...") and basic commands ("ATE0") imply none: what they may provoke is left to
// the unsolicited rules.
std::vector<std::string> AnswerPrefixes(std::string_view command);
// Whether the command's answer may end in NO CARRIER, BUSY, NO ANSWER or NO DIALTONE (ATD,
// ATA, ATO, AT+CGDATA); for any other command those lines are unsolicited.
bool IsDialCommand(std::string_view command);

// Cuts received bytes into lines. Lines end at CR or LF; empty lines are dropped; control
// bytes other than TAB (NUL noise, a Ctrl-Z in an echo) are removed; blanks at both ends are
// trimmed. A "> " at the start of a line is a prompt and is reported at once, without a line
// end. A line longer than kMaxLine is cut there.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLine = 16384;
    struct Item {
        LineKind kind;  // kPrompt or kOther (finals are not told apart here)
        std::string text;
    };
    // Appends every line and prompt completed by `bytes` to `out`, in order.
    void Feed(std::string_view bytes, std::vector<Item>* out);
    // Forgets a partial line.
    void Reset() { partial_.clear(); }

private:
    void Flush(std::vector<Item>* out);
    std::string partial_;
};

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
    // not a group, and then nothing is consumed (an empty field ends a list of groups: the
    // caller skips it).
    bool NextGroup(std::string* group);
    // Whether the next field was quoted (peek).
    bool NextIsQuoted() const;
    // Next field as a hexadecimal number, quoted or not, with or without "0x" (a location
    // area code "00A1"); false when missing or not hex (the field is consumed either way).
    bool NextHex(std::uint32_t* value);

private:
    void SkipBlanks();
    std::string_view text_;
    std::size_t pos_ = 0;
    bool finished_ = false;
};

}  // namespace dedevev::at

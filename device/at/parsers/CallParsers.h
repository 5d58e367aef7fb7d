#pragma once
// Pure parsers of the card's call answers and call reports (3GPP TS 27.007 7.18, 7.6, 7.12 and
// the vendor call reports). Each takes one answer's lines or one unsolicited line and never
// touches the port.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/parsers/AtText.h"

namespace dedevev::at {

// One call of a +CLCC listing.
struct CallEntry {
    int id = -1;
    int direction = 0;  // 0 mobile originated, 1 mobile terminated
    int state = -1;     // 0 active, 1 held, 2 dialing, 3 alerting, 4 incoming, 5 waiting
    int mode = 0;       // 0 voice, 1 data, 2 fax, 9 unknown
    bool multiparty = false;
    std::string number;  // UTF-8; empty when the card gave none
    int type = -1;       // type of address; -1 when absent
    std::string alpha;   // the phonebook name the card found, UTF-8
};

// Call states of +CLCC.
constexpr int kCallActive = 0;
constexpr int kCallHeld = 1;
constexpr int kCallDialing = 2;
constexpr int kCallAlerting = 3;
constexpr int kCallIncoming = 4;
constexpr int kCallWaiting = 5;

// "+CLCC: <id>,<dir>,<stat>,<mode>,<mpty>[,"<number>",<type>[,"<alpha>"[,...]]]": one call.
// A number field of UCS2 hex digits is decoded; the alpha follows `charset`.
std::optional<CallEntry> ParseClccLine(std::string_view line, Charset charset);
// Every +CLCC line of an answer; lines that do not parse are skipped, a repeated id keeps the
// first.
std::vector<CallEntry> ParseClcc(const Lines& lines, Charset charset);
// Whether a listed call carries voice: every mode but data and fax (1, 2, 6, 7, 8). A call of
// unknown mode counts as voice, so that nothing that may be a voice call is taken for data.
bool IsVoiceCall(const CallEntry& call);

// The caller of +CLIP and the waiting caller of +CCWA.
struct CallerId {
    std::string number;  // empty when withheld or not available
    int type = -1;
    int validity = -1;  // CLI validity: 0 given, 1 withheld, 2 not available; -1 absent
    std::string alpha;
    bool Withheld() const { return validity == 1; }
};
// "+CLIP: "<number>",<type>[,<subaddr>,<satype>[,<alpha>[,<CLI validity>]]]".
std::optional<CallerId> ParseClip(std::string_view line, Charset charset);
// "+CCWA: "<number>",<type>,<class>[,<alpha>[,<CLI validity>[,...]]]" (the unsolicited form;
// the "+CCWA: <status>,<class>" answer of a query is not a waiting call).
std::optional<CallerId> ParseCcwa(std::string_view line, Charset charset);

// A call report of the card: ours (^DDORIG, ^DDCONN, ^DDCEND, ^DDCINFO) and a vendor's
// (^ORIG, ^CONF, ^CONN, ^CEND).
struct CallReport {
    enum Kind { kSetup, kProgress, kConnected, kEnded, kInfo } kind = kSetup;
    int id = -1;       // the call; -1 when the report names none
    int cause = -1;    // kEnded: the end cause when given
    std::string text;  // kInfo: the network's text, UTF-8
};
std::optional<CallReport> ParseCallReport(std::string_view line, Charset charset);

// Whether the line announces an incoming voice call: "RING", "+CRING: VOICE" (and the
// "REL VOICE" / "VOICE/..." forms). Data and fax rings are not voice calls.
bool IsVoiceRing(std::string_view line);

// "+CLVL: <level>".
std::optional<int> ParseClvl(const Lines& lines);

// A number the card can dial: digits, '*' and '#' with an optional leading '+', at most 40.
bool IsDialableCallNumber(std::string_view number);
// A DTMF key: 0-9, '*', '#', A-D.
bool IsDtmfKey(char key);

}  // namespace dedevev::at

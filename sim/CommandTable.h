#pragma once
// The AT command table of the simulated card. A command line ("AT+COPS=3,0;+COPS?") is split
// into calls; each call goes to the handler registered for its name, which reads and changes
// the card and the port's session settings and returns its result. Feature modules register
// their commands (identification, security, network, USSD; later messages, phonebooks,
// calls), so a new module only adds a Register...Commands function.

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/CardModel.h"

namespace dedevev::sim {

using Millis = std::chrono::milliseconds;

// The per-port settings a host changes with AT commands; a re-inserted card starts afresh.
struct SessionSettings {
    bool echo = true;              // E
    int cmee = 0;                  // +CMEE: 0 ERROR, 1 numeric, 2 verbose
    std::string charset = "IRA";   // +CSCS: "IRA", "GSM" or "UCS2"
    int creg = 0;                  // +CREG presentation
    int cgreg = 0;                 // +CGREG presentation
    bool service_reports = false;  // ^DDSRV=1
    int cusd = 0;                  // +CUSD presentation
    int cops_format = 0;           // +COPS=3,<format>
    bool unsolicited = true;       // this port carries unsolicited results (the AT port)
    int clip = 0;                  // +CLIP: the caller's number after each RING
    int ccwa = 0;                  // +CCWA: waiting calls reported
    int crc = 0;                   // +CRC: "+CRING: VOICE" instead of "RING"
    int s12 = 50;                  // S12: the escape's guard time, in 20 ms (data port)
    // What was last reported, so that a report goes out only when something changed.
    std::string last_creg;
    std::string last_cgreg;
    std::string last_service;
};

enum class Form {
    kExec,   // AT+CMD
    kQuery,  // AT+CMD?
    kTest,   // AT+CMD=?
    kSet,    // AT+CMD=<args>  (basic commands: the digits after the letter, e.g. E1)
};

struct Call {
    std::string name;  // upper case: "+CSQ", "^DDSRV", "E", "&F", "D"
    Form form = Form::kExec;
    std::string args;  // raw text after '=' (or after the letter), quotes kept
};

struct Result;
// Called with the text a host typed after the "> " prompt; `cancelled` when it ended with ESC.
using DataHandler = std::function<Result(const std::string& data, bool cancelled)>;

// Something that happens after the final result: an unsolicited line and/or a change of the
// card, `delay` after the answer went out.
struct Later {
    Millis delay{0};
    std::string line;
    std::function<void(CardModel&)> action;
};

struct Result {
    enum class Final { kOk, kError, kCmeError, kCmsError, kText };
    std::vector<std::string> lines;  // intermediate result lines
    Final final = Final::kOk;
    int cme = 0;             // with kCmeError and kCmsError
    std::string final_text;  // with kText ("CONNECT", "NO CARRIER" ...)
    Millis delay{0};         // extra time the card takes before it answers (a network search)
    std::vector<Later> later;
    DataHandler on_data;  // set: the card prompts with "> " and waits for the data

    static Result Ok() { return Result{}; }
    static Result Lines(std::vector<std::string> lines);
    static Result Line(std::string line);
    static Result Error();
    static Result Cme(int code);
    static Result Cms(int code);  // "+CMS ERROR: <code>" (message service, whatever +CMEE says)
    bool Failed() const {
        return final == Final::kError || final == Final::kCmeError || final == Final::kCmsError;
    }
};

struct Context {
    CardModel& card;
    SessionSettings& session;
};

using Handler = std::function<Result(Context& ctx, const Call& call)>;

class CommandTable {
public:
    // Registers `handler` for `name` ("+CSQ", "E"); a later registration replaces an earlier.
    void Add(const std::string& name, Handler handler);
    const Handler* Find(const std::string& name) const;
    std::vector<std::string> Names() const;

private:
    std::map<std::string, Handler> handlers_;
};

// Splits the part of a command line after "AT" into its calls; false on a malformed line.
bool SplitCommandLine(std::string_view body, std::vector<Call>* calls);

// One argument of a set command.
struct Arg {
    std::string text;  // quotes removed, \" and \\ unescaped
    bool quoted = false;
    bool present = false;  // false for an empty field ("1,,2")
};
std::vector<Arg> SplitArgs(std::string_view args);
// The argument as an integer; false when missing or not a decimal number.
bool ArgInt(const std::vector<Arg>& args, std::size_t index, int* value);

// Text for a quoted field of an answer in the session's character set: UCS2 hex with "UCS2",
// otherwise the text with every character outside printable ASCII as '?'. `utf8` is UTF-8.
std::string OutText(const SessionSettings& session, std::string_view utf8);
// A quoted text of a command in the session's character set back to UTF-8; false when it is
// not valid in that set (odd or non-hex UCS2).
bool InText(const SessionSettings& session, std::string_view text, std::string* utf8);
std::string Quoted(std::string_view text);

// "^DDSRV: ..." for a service record; "+CREG: <stat>[,...]" as an unsolicited report.
std::string ServiceLine(const ServiceRecord& record);
std::string RegistrationReport(const CardModel& card, int n, bool packet);
// "+CUSD: <m>[,"<text>",<dcs>]" for a network answer, encoded for the session and the card's
// USSD encoding switch (a text outside the GSM alphabet always goes as UCS2, DCS 72).
std::string UssdLine(const SessionSettings& session, UssdEncoding mode, const UssdReply& reply);

// The answer a quirky card gives instead of the command's own (a refused AT+CMEE, AT+GCAP,
// AT+CSCS=<set>, a short AT+CPMS=...); nothing when the command runs as usual.
std::optional<Result> QuirkAnswer(const Context& ctx, const Call& call);
// The answer of the card's dialect instead of the command's own: a vendor card refuses our
// ^DD... settings commands, our card the vendor's; nothing when the command runs as usual.
std::optional<Result> DialectAnswer(const Context& ctx, const Call& call);
// The steps of a SIM start that began (quirk sim-busy) and has none scheduled yet.
std::vector<Later> SimStartLater(CardModel& card);

// The command table with every command the card knows.
CommandTable DefaultCommandTable();
// The data port's table: the default one with the data call's dialler, ATO, ATH and S12.
CommandTable DataPortCommandTable();
void RegisterBasicCommands(CommandTable& table);
void RegisterSecurityCommands(CommandTable& table);
void RegisterNetworkCommands(CommandTable& table);
void RegisterUssdCommands(CommandTable& table);
void RegisterSmsCommands(CommandTable& table);
void RegisterPhonebookCommands(CommandTable& table);
void RegisterCallCommands(CommandTable& table);
void RegisterDataPortCommands(CommandTable& table);
// ^SYSCFGEX, ^SYSCFG, AT+WS46 and AT&W of the vendor dialect.
void RegisterVendorCommands(CommandTable& table);
// The unsolicited lines of a call notice for a port with these settings.
std::vector<std::string> CallNoticeLines(const SessionSettings& session, const CallNotice& notice);

}  // namespace dedevev::sim

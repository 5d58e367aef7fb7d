// Command line, output format and the port-holder lookup of dedevev-at.

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/at/AtTool.h"

namespace dedevev::attool {

namespace fs = std::filesystem;

namespace {

struct CommandSpec {
    int min_args;
    int max_args;
};

const std::map<std::string, CommandSpec>& Commands() {
    static const std::map<std::string, CommandSpec> commands = {
        {"info", {0, 0}},  {"signal", {0, 0}},   {"service", {0, 0}}, {"card", {0, 0}},
        {"pin", {1, 1}},   {"puk", {2, 2}},      {"pinlock", {2, 2}}, {"changepin", {2, 2}},
        {"ussd", {1, 1}},  {"networks", {0, 0}}, {"select", {1, 1}},  {"workmode", {0, 0}},
        {"ports", {0, 0}}, {"sms", {2, 3}},      {"call", {1, 2}},    {"pb", {2, 5}},
    };
    return commands;
}

bool AllDigits(const std::string& text, std::size_t min, std::size_t max) {
    return text.size() >= min && text.size() <= max &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Text that goes inside a quoted AT argument: printable, no quote, no control characters.
bool SafeAtText(const std::string& text) {
    return !text.empty() && text.size() <= 160 &&
           std::none_of(text.begin(), text.end(), [](unsigned char c) {
               return c < 0x20 || c == 0x7f || c == '"' || c == '\\';
           });
}

}  // namespace

std::string Usage() {
    return "usage: dedevev-at [--port PATH] <command> [arguments]\n"
           "\n"
           "Without --port the first card the hardware probe finds is used (fixed ports,\n"
           "a simulated card, then USB modems).\n"
           "\n"
           "commands:\n"
           "  info                      manufacturer, model, hardware id, IMSI, operator\n"
           "  signal                    signal level (0..31, 99 unknown) and dBm\n"
           "  service                   system mode, service state, roaming, card type\n"
           "  card                      PIN state, attempts left, PIN lock\n"
           "  pin <pin>                 enters the PIN\n"
           "  puk <puk> <new pin>       unblocks the card and sets a new PIN\n"
           "  pinlock on|off <pin>      switches the PIN request at power-on\n"
           "  changepin <old> <new>     changes the PIN\n"
           "  ussd <code> [--reply TEXT]...  sends a USSD code, prints the replies and\n"
           "                            answers menus with the --reply texts in order\n"
           "  networks                  searches the networks, one per line\n"
           "  select <name|auto>        registers on a network by name, or automatically\n"
           "  workmode                  the work mode (dongle, wifi) and Wi-Fi name\n"
           "  ports                     what the hardware probe found\n"
           "  sms list <box>            the messages of a box: sm (SIM/UIM card), me (modem),\n"
           "                            sr (status reports)\n"
           "  sms read <box> <n>        message n of the box, which is then marked read\n"
           "  sms delete <box> <n>      deletes message n (every part of a long message)\n"
           "  sms send <number> <text>  sends a message (long texts go in several parts)\n"
           "  call dial <number>        dials, prints the call's events until it is answered\n"
           "                            or ends (or --timeout passes)\n"
           "  call answer               answers the ringing call\n"
           "  call hangup               ends every call\n"
           "  call dtmf <keys>          sends DTMF tones (0-9, *, #, A-D) in the call\n"
           "  call list                 the card's calls: id, direction, state, number\n"
           "  pb list <book>            the contacts of a phonebook: sm (SIM/UIM card),\n"
           "                            me (modem), en (emergency numbers)\n"
           "  pb add <book> <number> <name>  stores a contact in sm or me\n"
           "  pb edit <book> <n> <number> <name>  rewrites contact n of sm or me\n"
           "  pb delete <book> <n>      deletes contact n of sm or me\n"
           "\n"
           "options:\n"
           "  --port PATH               the AT port to use\n"
           "  --reply TEXT              an answer to a USSD menu (may be repeated)\n"
           "  --timeout SECONDS         how long to wait for each USSD reply (60)\n"
           "                            or for a dialed call to be answered\n"
           "\n"
           "Output: one `key: value` per line; continuation lines start with two spaces.\n"
           "Exit codes: 0 ok, 1 usage, 2 no card or driver problem, 3 port not usable,\n"
           "4 no answer in time, 5 refused by the card.\n";
}

bool ParseArguments(const std::vector<std::string>& argv, Invocation* invocation,
                    std::string* error) {
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argv.size()) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            invocation->help = true;
        } else if (arg == "--port") {
            if (!value(&invocation->port)) {
                return false;
            }
        } else if (arg == "--reply") {
            std::string reply;
            if (!value(&reply)) {
                return false;
            }
            invocation->replies.push_back(reply);
        } else if (arg == "--timeout") {
            std::string seconds;
            if (!value(&seconds)) {
                return false;
            }
            if (!AllDigits(seconds, 1, 5) || std::stoi(seconds) == 0) {
                *error = "--timeout needs a number of seconds";
                return false;
            }
            invocation->timeout_seconds = std::stoi(seconds);
        } else if (arg.size() > 1 && arg[0] == '-' && invocation->command.empty()) {
            *error = "unknown option " + arg;
            return false;
        } else if (invocation->command.empty()) {
            invocation->command = arg;
        } else {
            invocation->args.push_back(arg);
        }
    }
    if (!invocation->help && invocation->command.empty()) {
        *error = "no command given";
        return false;
    }
    return true;
}

bool CheckCommand(const Invocation& invocation, std::string* error) {
    const auto it = Commands().find(invocation.command);
    if (it == Commands().end()) {
        *error = "unknown command " + invocation.command;
        return false;
    }
    const int count = static_cast<int>(invocation.args.size());
    if (count < it->second.min_args || count > it->second.max_args) {
        *error = "wrong number of arguments for " + invocation.command;
        return false;
    }
    const std::string& c = invocation.command;
    const std::vector<std::string>& a = invocation.args;
    auto pin_ok = [&](const std::string& pin, const char* what) {
        if (!AllDigits(pin, 4, 8)) {
            *error = std::string(what) + " must be 4 to 8 digits";
            return false;
        }
        return true;
    };
    if (c == "pin") {
        return pin_ok(a[0], "the PIN");
    }
    if (c == "puk") {
        if (!AllDigits(a[0], 8, 8)) {
            *error = "the PUK must be 8 digits";
            return false;
        }
        return pin_ok(a[1], "the new PIN");
    }
    if (c == "pinlock") {
        if (a[0] != "on" && a[0] != "off") {
            *error = "pinlock takes on or off";
            return false;
        }
        return pin_ok(a[1], "the PIN");
    }
    if (c == "changepin") {
        return pin_ok(a[0], "the old PIN") && pin_ok(a[1], "the new PIN");
    }
    if (c == "ussd") {
        for (const std::string& text : a) {
            if (!SafeAtText(text)) {
                *error = "a USSD code is printable text without quotes";
                return false;
            }
        }
        for (const std::string& text : invocation.replies) {
            if (!SafeAtText(text)) {
                *error = "a USSD reply is printable text without quotes";
                return false;
            }
        }
    }
    if (c == "select" && !SafeAtText(a[0])) {
        *error = "a network name is printable text without quotes";
        return false;
    }
    if (c == "sms") {
        const std::string& action = a[0];
        const bool boxed = action == "list" || action == "read" || action == "delete";
        if (!boxed && action != "send") {
            *error = "sms takes list, read, delete or send";
            return false;
        }
        if (boxed && a[1] != "sm" && a[1] != "me" && a[1] != "sr") {
            *error = "the box is sm, me or sr";
            return false;
        }
        if (action == "list" && a.size() != 2) {
            *error = "sms list takes a box only";
            return false;
        }
        if ((action == "read" || action == "delete") &&
            (a.size() != 3 || !AllDigits(a[2], 1, 4) || a[2] == "0" || a[2].front() == '0')) {
            *error = "sms " + action + " takes a box and a message number from 1";
            return false;
        }
        if (action == "send") {
            if (a.size() != 3 || a[1].empty() ||
                a[1].find_first_not_of("+0123456789*#") != std::string::npos) {
                *error = "sms send takes a number (digits, +, *, #) and a text";
                return false;
            }
            if (a[2].empty() || a[2].size() > 4000) {
                *error = "the text of a message is 1 to 4000 bytes";
                return false;
            }
        }
    }
    if (c == "pb") {
        const std::string& action = a[0];
        const std::size_t want = action == "list"     ? 2
                                 : action == "delete" ? 3
                                 : action == "add"    ? 4
                                 : action == "edit"   ? 5
                                                      : 0;
        if (want == 0) {
            *error = "pb takes list, add, edit or delete";
            return false;
        }
        if (a.size() != want) {
            *error = action == "list"     ? "pb list takes a phonebook only"
                     : action == "delete" ? "pb delete takes a phonebook and a contact number"
                     : action == "add"    ? "pb add takes a phonebook, a number and a name"
                                          : "pb edit takes a phonebook, a contact number, a number "
                                            "and a name";
            return false;
        }
        const bool writes = action != "list";
        if (a[1] != "sm" && a[1] != "me" && (writes || a[1] != "en")) {
            *error = writes ? "the phonebook is sm or me" : "the phonebook is sm, me or en";
            return false;
        }
        if ((action == "edit" || action == "delete") &&
            (!AllDigits(a[2], 1, 4) || a[2].front() == '0')) {
            *error = "pb " + action + " takes a contact number from 1";
            return false;
        }
        if (action == "add" || action == "edit") {
            const std::string& number = a[want - 2];
            const std::string& name = a[want - 1];
            if (number.empty() || number.find_first_not_of("+0123456789*#") != std::string::npos ||
                number.find('+', 1) != std::string::npos) {
                *error = "a phonebook number is digits, *, # and a leading +";
                return false;
            }
            if (!SafeAtText(name)) {
                *error = "a contact name is printable text without quotes";
                return false;
            }
        }
    }
    if (c == "call") {
        const std::string& action = a[0];
        const bool single = action == "answer" || action == "hangup" || action == "list";
        if (!single && action != "dial" && action != "dtmf") {
            *error = "call takes dial, answer, hangup, dtmf or list";
            return false;
        }
        if (single && a.size() != 1) {
            *error = "call " + action + " takes no argument";
            return false;
        }
        if (action == "dial" &&
            (a.size() != 2 || a[1].size() > 40 || a[1] == "+" || a[1].empty() ||
             a[1].find_first_not_of("0123456789*#", a[1][0] == '+' ? 1 : 0) != std::string::npos)) {
            *error = "call dial takes a number (digits, * and #, a leading +)";
            return false;
        }
        if (action == "dtmf" && (a.size() != 2 || a[1].empty() || a[1].size() > 32 ||
                                 a[1].find_first_not_of("0123456789*#ABCD") != std::string::npos)) {
            *error = "call dtmf takes 1 to 32 keys of 0-9, *, #, A-D";
            return false;
        }
    }
    if (!invocation.replies.empty() && c != "ussd") {
        *error = "--reply belongs to the ussd command";
        return false;
    }
    return true;
}

void Output::Field(const std::string& key, const std::string& value) {
    std::istringstream lines(value);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            out_ << key << ":" << (line.empty() ? "" : " ") << line << "\n";
            first = false;
        } else {
            out_ << "  " << line << "\n";
        }
    }
    if (first) {
        out_ << key << ":\n";
    }
    out_.flush();
}

int Output::Fail(int code, const std::string& message) {
    err_ << "dedevev-at: " << message << "\n";
    err_.flush();
    return code;
}

std::string PortHolders(const std::string& port) {
    std::error_code ec;
    const fs::path target = fs::canonical(port, ec);
    if (ec) {
        return {};
    }
    std::string holders;
    const std::string self = std::to_string(::getpid());
    for (fs::directory_iterator proc("/proc", ec), end; !ec && proc != end; proc.increment(ec)) {
        const std::string pid = proc->path().filename().string();
        if (pid == self || !AllDigits(pid, 1, 10)) {
            continue;
        }
        std::error_code ec2;
        for (fs::directory_iterator fd(proc->path() / "fd", ec2); !ec2 && fd != end;
             fd.increment(ec2)) {
            std::error_code ec3;
            if (fs::read_symlink(fd->path(), ec3) == target) {
                std::ifstream comm(proc->path() / "comm");
                std::string name;
                std::getline(comm, name);
                holders += (holders.empty() ? "" : ", ") + name + " (pid " + pid + ")";
                break;
            }
        }
    }
    return holders;
}

}  // namespace dedevev::attool

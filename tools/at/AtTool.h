#pragma once
// dedevev-at: runs the modem library's operations on a card and prints the results, one
// field per line as `key: value` (a value of several lines continues on lines that start
// with two spaces). Errors go to standard error, with a non-zero exit code.

#include <ostream>
#include <string>
#include <vector>

namespace dedevev {
class IModemAgent;
class IHardwareInfo;
}  // namespace dedevev

namespace dedevev::attool {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;    // bad command line
constexpr int kExitNoCard = 2;   // no card found, or its driver is missing
constexpr int kExitPort = 3;     // the port cannot be opened (busy, no permission)
constexpr int kExitTimeout = 4;  // the card does not answer in time
constexpr int kExitRefused = 5;  // the card refused the operation (wrong PIN, unsupported)

struct Invocation {
    std::string port;                  // --port; empty: ask the probe
    std::vector<std::string> replies;  // --reply, in order (USSD menus)
    int timeout_seconds = 60;          // --timeout (USSD replies)
    bool help = false;
    std::string command;
    std::vector<std::string> args;
};

// Parses argv[1..]; false with `error` set on a bad command line.
bool ParseArguments(const std::vector<std::string>& argv, Invocation* invocation,
                    std::string* error);

// Checks the command's arguments (count, PIN digits, USSD characters) before any port is
// opened; false with `error` set.
bool CheckCommand(const Invocation& invocation, std::string* error);

std::string Usage();

// Prints `key: value` lines; a value with line breaks continues on indented lines.
class Output {
public:
    Output(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void Field(const std::string& key, const std::string& value);
    // Prints "dedevev-at: <message>" on standard error; returns `code`.
    int Fail(int code, const std::string& message);

private:
    std::ostream& out_;
    std::ostream& err_;
};

// The `ports` command: what the probe found.
int PrintPorts(IHardwareInfo* hardware, Output& out);

// Runs a card command on an open modem object.
int RunCommand(const Invocation& invocation, IModemAgent* agent, Output& out);

// The `sms` command: list, read, send, delete.
int SmsCommand(const Invocation& invocation, IModemAgent* agent, Output& out);

// The `pb` command: list, add, edit, delete.
int PhonebookCommand(const Invocation& invocation, IModemAgent* agent, Output& out);

// The `call` command: dial, answer, hangup, dtmf, list.
int CallCommand(const Invocation& invocation, IModemAgent* agent, Output& out);

// "ModemManager (pid 812)" for every other process that holds `port` open; empty if none.
std::string PortHolders(const std::string& port);

}  // namespace dedevev::attool

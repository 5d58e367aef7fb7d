#pragma once
// What one dial of pppd is made of: the dial's parameters checked, the chat script that dials
// the number, the options file with the account, and pppd's argument vector. Nothing here runs
// or writes anything.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

// A dial's parameters after the checks, in UTF-8.
struct PppdDial {
    std::string device;
    std::string number;
    std::string user;
    std::string password;
    std::string local_ip;  // the address asked for, empty: the peer chooses
    std::string dns_primary;
    std::string dns_secondary;
    bool chap = false;  // the protocols allowed; both false means both
    bool pap = false;

    bool DnsGiven() const { return !dns_primary.empty() || !dns_secondary.empty(); }
};

// Whether `number` can be dialled: 1 to 64 of the digits, '*', '#', '+', ',' and the dial
// modifiers P, T and W (either case). Nothing else reaches the modem's ATD.
bool IsDialString(std::string_view number);
// Whether a path may stand in pppd's connect command, which pppd runs through /bin/sh: an
// absolute path of letters, digits and "/._-" only, without "..".
bool IsPlainPath(std::string_view path);

// Checks `params` and fills `dial`; kDialErrorNone or kDialErrorInvalidParams (a dial string
// with other characters, a device that is not an absolute path, an address that is not a
// dotted IPv4 address, an account that pppd cannot carry).
int CheckDial(const DialParams& params, std::uint8_t chap, std::uint8_t pap, PppdDial* dial);

// The chat script: aborts on the modem's failure answers (BUSY first, so that chat's exit
// status 4 means busy and 5 no carrier), wakes the modem with AT and dials.
std::string ChatScript(const std::string& number);
// The options file that gives pppd the account ("user" and "password" lines, quoted as pppd
// reads them); empty when there is no account.
std::string AccountOptions(const std::string& user, const std::string& password);

// pppd's arguments after the program's name. `connect` is the connect command;
// `account_file` (may be empty) the options file with the account; `log_fd` the descriptor
// of the log. A pseudo-terminal (`pty`) has no modem lines: no hardware flow control.
std::vector<std::string> PppdArguments(const PppdDial& dial, bool pty, const std::string& connect,
                                       const std::string& account_file, int log_fd);

}  // namespace dedevev::ppp

#include "device/ppp/PppdArgs.h"

#include <arpa/inet.h>

#include <cstdio>

#include "device/base/Utf.h"

namespace dedevev::ppp {

namespace {

// pppd keeps user names and secrets in 256-byte buffers with their terminating zero.
constexpr std::size_t kMaxAccountBytes = 255;
constexpr std::size_t kMaxDialString = 64;

bool IsDialCharacter(char c) {
    switch (c) {
        case '*':
        case '#':
        case '+':
        case ',':
        case 'P':
        case 'T':
        case 'W':
        case 'p':
        case 't':
        case 'w':
            return true;
        default:
            return c >= '0' && c <= '9';
    }
}

// A dotted IPv4 address, or empty for none; 0.0.0.0 also means none. False for anything else.
bool TakeAddress(const std::u16string& text, std::string* address) {
    address->clear();
    if (text.empty())
        return true;
    const std::string utf8 = Utf16ToUtf8(text);
    in_addr parsed{};
    if (::inet_pton(AF_INET, utf8.c_str(), &parsed) != 1)
        return false;
    if (parsed.s_addr != 0)
        *address = utf8;
    return true;
}

// An account text pppd can carry: it reads it into a fixed buffer and cannot hold a zero byte.
bool TakeAccount(const std::u16string& text, std::string* out) {
    *out = Utf16ToUtf8(text);
    return out->size() <= kMaxAccountBytes && out->find('\0') == std::string::npos;
}

// A word of a pppd options file in double quotes. Inside them pppd still reads backslash
// escapes, so the backslash and the quote are escaped, and control characters are written as
// three octal digits (pppd reads at most three, so a digit after them stays a digit).
std::string QuoteOption(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\%03o", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace

bool IsDialString(std::string_view number) {
    if (number.empty() || number.size() > kMaxDialString)
        return false;
    for (const char c : number) {
        if (!IsDialCharacter(c))
            return false;
    }
    return true;
}

bool IsPlainPath(std::string_view path) {
    if (path.empty() || path[0] != '/' || path.find("..") != std::string_view::npos)
        return false;
    for (const char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-';
        if (!plain)
            return false;
    }
    return true;
}

int CheckDial(const DialParams& params, std::uint8_t chap, std::uint8_t pap, PppdDial* dial) {
    *dial = PppdDial{};
    dial->device = Utf16ToUtf8(params.device);
    dial->number = Utf16ToUtf8(params.number);
    const bool device_ok =
        !dial->device.empty() && dial->device[0] == '/' &&
        dial->device.find_first_of(std::string_view("\0\n\r", 3)) == std::string::npos;
    if (!device_ok || !IsDialString(dial->number))
        return kDialErrorInvalidParams;
    if (!TakeAccount(params.user, &dial->user) || !TakeAccount(params.password, &dial->password))
        return kDialErrorInvalidParams;
    if (!TakeAddress(params.ip_address, &dial->local_ip) ||
        !TakeAddress(params.dns_primary, &dial->dns_primary) ||
        !TakeAddress(params.dns_secondary, &dial->dns_secondary))
        return kDialErrorInvalidParams;
    dial->chap = chap != 0;
    dial->pap = pap != 0;
    return kDialErrorNone;
}

std::string ChatScript(const std::string& number) {
    return "ABORT 'BUSY'\n"
           "ABORT 'NO CARRIER'\n"
           "ABORT 'ERROR'\n"
           "ABORT 'NO DIALTONE'\n"
           "'' 'AT'\n"
           "'OK' 'ATD" +
           number +
           "'\n"
           "'CONNECT' ''\n";
}

std::string AccountOptions(const std::string& user, const std::string& password) {
    if (user.empty() && password.empty())
        return {};
    std::string text;
    if (!user.empty())
        text += "user " + QuoteOption(user) + "\n";
    if (!password.empty())
        text += "password " + QuoteOption(password) + "\n";
    return text;
}

std::vector<std::string> PppdArguments(const PppdDial& dial, bool pty, const std::string& connect,
                                       const std::string& account_file, int log_fd) {
    std::vector<std::string> args = {
        dial.device, "115200", "nodetach", "logfd", std::to_string(log_fd), "debug", "lock"};
    if (pty) {
        args.insert(args.end(), {"nocrtscts", "local"});
    } else {
        args.push_back("crtscts");
    }
    // We do not ask the network to authenticate itself; we answer its CHAP or PAP as allowed.
    args.insert(args.end(), {"noauth", "refuse-eap"});
    if (dial.chap && !dial.pap)
        args.push_back("refuse-pap");
    if (dial.pap && !dial.chap)
        args.push_back("refuse-chap");
    if (dial.local_ip.empty()) {
        args.push_back("noipdefault");
    } else {
        args.push_back(dial.local_ip + ":");
    }
    // pppd has no option for our own name servers: given ones are reported by the link's
    // info text and the network's are not asked for.
    if (!dial.DnsGiven())
        args.push_back("usepeerdns");
    // The program redials by itself: one attempt per dial.
    args.insert(args.end(),
                {"defaultroute", "noccp", "novj", "nopersist", "maxfail", "1", "lcp-echo-interval",
                 "10", "lcp-echo-failure", "3", "connect", connect});
    if (!account_file.empty())
        args.insert(args.end(), {"file", account_file});
    return args;
}

}  // namespace dedevev::ppp

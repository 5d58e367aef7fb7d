#include "device/ppp/PppdLog.h"

#include <sys/wait.h>

#include <array>
#include <charconv>

namespace dedevev::ppp {

namespace {

// The states of a dial, in the order they come.
constexpr std::array<int, 9> kProgress = {
    kDialStateOpenPort,        kDialStatePortOpened,          kDialStateConnectDevice,
    kDialStateDeviceConnected, kDialStateAllDevicesConnected, kDialStateAuthenticate,
    kDialStateAuthenticated,   kDialStateProjected,           kDialStateConnected};

int ProgressIndex(int state) {
    for (std::size_t i = 0; i < kProgress.size(); ++i) {
        if (kProgress[i] == state)
            return static_cast<int>(i);
    }
    return -1;
}

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

bool Has(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The word after `head` when `line` starts with it (addresses, the interface), else empty.
// Only plain characters are kept: the text ends up in what a person reads.
std::string WordAfter(std::string_view line, std::string_view head) {
    if (!StartsWith(line, head))
        return {};
    std::string_view rest = line.substr(head.size());
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    std::string word;
    for (const char c : rest) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-' || c == ':';
        if (!plain)
            break;
        word += c;
    }
    return word.size() <= 40 ? word : std::string();
}

// "Sent 1234 bytes, received 5678 bytes."
std::optional<PppdLog::Totals> ParseTotals(std::string_view line) {
    constexpr std::string_view kSent = "Sent ";
    constexpr std::string_view kReceived = " bytes, received ";
    const std::size_t middle = line.find(kReceived);
    if (!StartsWith(line, kSent) || middle == std::string_view::npos)
        return std::nullopt;
    PppdLog::Totals totals;
    const char* first = line.data() + kSent.size();
    const auto sent = std::from_chars(first, line.data() + middle, totals.sent);
    const char* second = line.data() + middle + kReceived.size();
    const auto received = std::from_chars(second, line.data() + line.size(), totals.received);
    if (sent.ec != std::errc() || received.ec != std::errc())
        return std::nullopt;
    return totals;
}

// The error a line points to, 0 for none.
int HintOf(std::string_view line) {
    if (Has(line, "/dev/ppp") || Has(line, "lacks PPP kernel support") ||
        Has(line, "lacks kernel support for PPP") || Has(line, "ppp_generic"))
        return kDialErrorNoKernelPpp;
    if (Has(line, " is locked by pid "))
        return kDialErrorPortBusy;
    // chat's report of the abort string it met.
    if (StartsWith(line, "Failed (BUSY)"))
        return kDialErrorLineBusy;
    if (StartsWith(line, "Failed (NO CARRIER)") || StartsWith(line, "Failed (NO DIALTONE)") ||
        StartsWith(line, "Failed (NO ANSWER)"))
        return kDialErrorNoAnswer;
    if (StartsWith(line, "Failed (ERROR)"))
        return kDialErrorDeviceError;
    if (Has(line, "authentication failed") || Has(line, "Authentication failed") ||
        Has(line, "Failed to authenticate ourselves"))
        return kDialErrorAuthentication;
    if (Has(line, "requires root privilege") || Has(line, "must be root to run"))
        return kDialErrorNotPermitted;
    if (line == "Modem hangup" || StartsWith(line, "LCP terminated by peer"))
        return kDialErrorRemoteHangUp;
    if ((StartsWith(line, "No response to ") && Has(line, "echo-requests")) ||
        StartsWith(line, "Serial link appears to be disconnected") ||
        Has(line, "timeout sending Config-Requests"))
        return kDialErrorNegotiation;
    if (StartsWith(line, "Connect time expired") ||
        StartsWith(line, "Terminating connection due to lack of activity"))
        return kDialErrorIdleTimeout;
    return kDialErrorNone;
}

}  // namespace

void PppdLog::Advance(int target, std::vector<int>* states) {
    const int to = ProgressIndex(target);
    for (int i = ProgressIndex(state_) + 1; i <= to; ++i) {
        state_ = kProgress[static_cast<std::size_t>(i)];
        states->push_back(state_);
    }
}

void PppdLog::Hint(int error) {
    if (hint_ == kDialErrorNone)
        hint_ = error;
}

void PppdLog::Take(std::string_view line, std::vector<int>* states) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    Hint(HintOf(line));
    // pppd counts the link's bytes after it reported its end; nothing else after the end moves
    // the dial on.
    if (auto totals = ParseTotals(line)) {
        totals_ = totals;
        return;
    }
    if (line == "Connection terminated." || line == "Modem hangup" || line == "Link terminated.")
        link_down_ = true;
    if (link_down_)
        return;
    if (StartsWith(line, "abort on (") || StartsWith(line, "send (") ||
        StartsWith(line, "expect (") || StartsWith(line, "timeout set to")) {
        Advance(kDialStateConnectDevice, states);  // chat talks to the modem
    } else if (StartsWith(line, "Serial connection established")) {
        Advance(kDialStateDeviceConnected, states);
    } else if (StartsWith(line, "Using interface ")) {
        interface_ = WordAfter(line, "Using interface ");
        Advance(kDialStateAllDevicesConnected, states);
    } else if (StartsWith(line, "Connect: ")) {
        Advance(kDialStateAuthenticate, states);  // LCP and authentication begin
    } else if (Has(line, "authentication succeeded") && !Has(line, "peer authentication")) {
        Advance(kDialStateAuthenticated, states);
    } else if (StartsWith(line, "local  IP address ")) {
        local_ = WordAfter(line, "local  IP address ");
    } else if (StartsWith(line, "remote IP address ")) {
        // pppd gives both addresses once IPCP is up: the link carries IP from here on.
        remote_ = WordAfter(line, "remote IP address ");
        Advance(kDialStateProjected, states);
        Advance(kDialStateConnected, states);
    } else if (StartsWith(line, "primary   DNS address ")) {
        dns_primary_ = WordAfter(line, "primary   DNS address ");
    } else if (StartsWith(line, "secondary DNS address ")) {
        dns_secondary_ = WordAfter(line, "secondary DNS address ");
    }
}

int ErrorForEnd(int wait_status, int hint, bool hung_up, bool port_gone) {
    if (hung_up)
        return kDialErrorNone;
    if (port_gone)
        return kDialErrorPortClosed;
    if (!WIFEXITED(wait_status))
        return hint != kDialErrorNone ? hint : kDialErrorFatal;  // killed by someone else
    // pppd's exit statuses (pppd(8), EXIT STATUS).
    switch (WEXITSTATUS(wait_status)) {
        case 0:  // the peer ended a link that was up
            return hint != kDialErrorNone ? hint : kDialErrorRemoteHangUp;
        case 1:  // fatal error
            return hint != kDialErrorNone ? hint : kDialErrorFatal;
        case 2:  // options: an ordinary user may not give some of them
            return hint == kDialErrorNotPermitted ? hint : kDialErrorInvalidParams;
        case 3:  // not setuid-root and run by an ordinary user
            return kDialErrorNotPermitted;
        case 4:
            return kDialErrorNoKernelPpp;
        case 6:
            return kDialErrorPortBusy;
        case 7:
            return kDialErrorNoDevice;
        case 8:  // the connect script failed: chat says why
            return hint == kDialErrorLineBusy || hint == kDialErrorNoAnswer ? hint
                                                                            : kDialErrorDeviceError;
        case 9:   // pty command failed
        case 18:  // init script failed
            return kDialErrorDeviceError;
        case 10:  // negotiation failed
        case 15:  // the peer stopped answering echo requests
        case 17:  // the line is looped back
            return kDialErrorNegotiation;
        case 11:
        case 19:
        case 21:
            return kDialErrorAuthentication;
        case 12:  // idle
        case 13:  // connect time limit
        case 20:  // traffic limit
            return kDialErrorIdleTimeout;
        case 16:
            return kDialErrorRemoteHangUp;
        default:  // 5 is a signal from someone else; 14 a callback we never ask for
            return kDialErrorFatal;
    }
}

}  // namespace dedevev::ppp

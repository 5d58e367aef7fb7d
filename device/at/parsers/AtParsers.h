#pragma once
// Pure parsers of the card's answers. Every function takes the intermediate lines of one
// answer (or one unsolicited line) and never touches the port, so each can be tested with
// captured answers of real cards.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/IDeviceControl.h"
#include "device/at/parsers/AtText.h"

namespace dedevev::at {

// ---- Card and signal --------------------------------------------------------------------

// +CSQ: <rssi>,<ber> → rssi on the 0..31 scale, 99 when unknown or out of range.
std::optional<int> ParseCsq(const Lines& lines);

// +CPIN: <code> → "READY", "SIM PIN", "SIM PUK", or the card's other code, upper-cased.
std::optional<std::string> ParseCpin(const Lines& lines);
// The card state that a +CME ERROR code of AT+CPIN? stands for ("SIM NOT INSERTED",
// "SIM PIN", ...), empty when the code says nothing about the card.
std::string CardStatusOfCmeError(int code);

// Remaining attempts; -1 when the answer does not tell.
struct PinCounters {
    int pin = -1;
    int puk = -1;
};
// +CPINR: <code>,<retries>[,<default>] lines (one per code).
PinCounters ParseCpinr(const Lines& lines);
// ^CPIN: <code>,[<times>],<puk_times>,<pin_times>,<puk2_times>,<pin2_times>
std::optional<PinCounters> ParseHuaweiCpin(const Lines& lines);
// ^DDPINR: <pin_left>,<puk_left>
std::optional<PinCounters> ParseDdpinr(const Lines& lines);

// +CLCK: <status>[,<class>] → 0 or 1.
std::optional<int> ParseClck(const Lines& lines);

// The identity on a line of its own (+CGSN, +CIMI), also with a "+CGSN:" style prefix or in
// quotes. `digits_only`: only a line of digits counts (IMSI); else letters and digits (a MEID
// may be hex).
std::optional<std::string> ParseIdentity(const Lines& lines, std::string_view prefix,
                                         bool digits_only);

// ---- Service ----------------------------------------------------------------------------

// ^DDSRV: <srv_status>,<sys_mode>,<roam>,<domain>,<sim_state>,<card_type>,<srv_state>
std::optional<ServiceInfo> ParseDdsrv(const Lines& lines);
// ^SYSINFOEX: <srv_status>,<srv_domain>,<roam>,<sim_state>,<lock>,<sysmode>,"<name>",
//             <submode>,"<submode name>"
std::optional<ServiceInfo> ParseSysinfoEx(const Lines& lines);
// ^SYSINFO: <srv_status>,<srv_domain>,<roam>,<sys_mode>,<sim_state>[,<lock>,<sys_submode>]
std::optional<ServiceInfo> ParseSysinfo(const Lines& lines);

struct Registration {
    int stat = -1;  // 0 not registered, 1 home, 2 searching, 3 denied, 4 unknown, 5 roaming
    int act = -1;   // access technology of 27.007, -1 when not given
};
// +CREG: <n>,<stat>[,<lac>,<ci>[,<act>]] (the answer to AT+CREG?), also the unsolicited form
// without <n>.
std::optional<Registration> ParseCreg(const Lines& lines);

struct CurrentOperator {
    int mode = -1;
    int format = -1;
    std::string name;  // raw field (decode with DecodeCardText)
    int act = -1;
};
// +COPS: <mode>[,<format>,"<oper>"[,<act>]]
std::optional<CurrentOperator> ParseCopsQuery(const Lines& lines);

// The system mode word (1 AMPS, 2 CDMA, 3 GSM, 4 HDR, 5 WCDMA, 9 LTE) of a 27.007 access
// technology; 0 when unknown.
int SystemModeOfAct(int act);
// The service record of a generic card from its registration and operator answers.
ServiceInfo ServiceFromRegistration(const Registration& reg, const CurrentOperator* op);

// ---- Network search ---------------------------------------------------------------------

struct NetworkEntry {
    int stat = 0;            // 0 unknown, 1 available, 2 current, 3 forbidden
    std::string long_name;   // UTF-8
    std::string short_name;  // UTF-8
    std::string numeric;
    int act = -1;  // -1 when the card did not give one
};
// The operator groups of an AT+COPS=? answer (all its lines); the trailing lists of supported
// modes and formats are skipped.
std::vector<NetworkEntry> ParseNetworkList(const Lines& lines, Charset charset);
// One network as `stat,"long","short","numeric",act`: empty names are filled from the other
// name or the number so that every row can be shown and selected, quotes in names become
// apostrophes, and act is 0 for the GSM family and the card's value otherwise.
std::string FormatNetworkEntry(const NetworkEntry& entry);

// ---- Unsolicited and extension answers --------------------------------------------------

struct UssdMessage {
    int status = -1;  // <m>: 0 done, 1 answer expected, 2 ended, 3 other client, 4 not
                      // supported, 5 network time-out
    bool has_text = false;
    std::string text;  // raw <str>, quotes removed
    int dcs = -1;      // -1 when not given
};
// +CUSD: <m>[,"<str>"[,<dcs>]]
std::optional<UssdMessage> ParseCusd(std::string_view line);

// ^DDMODE: <b>, ^DDIND: <byte>
std::optional<int> ParseDdmode(const Lines& lines);
std::optional<int> ParseDdind(const Lines& lines);
// ^DDSSID: "<name>" (raw field)
std::optional<std::string> ParseDdssid(const Lines& lines);
// ---- The card's family, from whatever the card answers ------------------------------------

// kBoth: a multi-mode card that names both families.
enum class CardFamily { kUnknown, kGsm, kCdma, kBoth };
// From a capability list: the +GCAP answer, or the same list among the lines of ATI (with or
// without its "+GCAP:"). CDMA command sets (+CIS707, +CIS707A, CIS-856, +IS-856, IS-95) and the
// 3GPP ones (+CGSM, +CLTE).
CardFamily FamilyOfCapabilities(const Lines& lines);
// From identity texts (ATI, +CGMM, +GMM, +CGMI): the technologies a model name tells (CDMA,
// EV-DO, 1xRTT, IS-95 / GSM, UMTS, WCDMA, HSPA, LTE) and ATI's identity labels (ESN, MEID /
// IMEI).
CardFamily FamilyOfIdentity(const Lines& lines);
// From the serial number of AT+CGSN: an IMEI (15 digits) or an ESN or MEID (8 or 14 hex
// digits, also as "0x..."); kUnknown for anything else.
CardFamily FamilyOfHardwareId(const std::string& id);
// From a service record's system mode: AMPS, CDMA, HDR or GSM, WCDMA, LTE.
CardFamily FamilyOfSystemMode(int system_mode);

}  // namespace dedevev::at

// Parsers of the card's answers. Fields are read quote-aware: operator names and USSD texts
// may hold commas, and real cards add blanks, empty fields and vendor lines.

#include "device/at/parsers/AtParsers.h"

#include <algorithm>
#include <cctype>

namespace dedevev::at {

namespace {

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Unquote(std::string_view text) {
    text = TrimView(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

std::optional<std::vector<std::string>> FieldsOf(const Lines& lines, std::string_view prefix) {
    const std::optional<std::string> value = FindValue(lines, prefix);
    if (!value) {
        return std::nullopt;
    }
    return SplitFields(*value);
}

std::optional<int> IntAt(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size()) {
        return std::nullopt;
    }
    return ToInt(fields[index]);
}

int CardTypeForMode(int system_mode, bool sim_present) {
    if (!sim_present) {
        return kCardTypeNone;
    }
    switch (system_mode) {
        case kSystemModeAmps:
        case kSystemModeCdma:
        case kSystemModeHdr:
            return kCardTypeUim;
        default:
            return kCardTypeUsim;
    }
}

// Huawei service status words are the same as our service state words.
int ServiceStateOf(int srv_status) {
    return (srv_status >= kServiceNone && srv_status <= kServiceLowPower) ? srv_status
                                                                          : kServiceNone;
}

int SmsRestrictedFor(int system_mode, int service_state) {
    const bool no_sms_system = system_mode == kSystemModeNone || system_mode == kSystemModeAmps ||
                               system_mode == kSystemModeHdr;
    return (no_sms_system || service_state == kServiceNone) ? 1 : 0;
}

bool SimPresent(int sim_state) {
    return sim_state != 0 && sim_state != 255;
}

}  // namespace

// ---- Card and signal --------------------------------------------------------------------

std::optional<int> ParseCsq(const Lines& lines) {
    const auto fields = FieldsOf(lines, "+CSQ:");
    if (!fields) {
        return std::nullopt;
    }
    const std::optional<int> rssi = IntAt(*fields, 0);
    if (!rssi) {
        return std::nullopt;
    }
    return (*rssi >= 0 && *rssi <= 31) ? *rssi : 99;
}

std::optional<std::string> ParseCpin(const Lines& lines) {
    std::optional<std::string> value = FindValue(lines, "+CPIN:");
    if (!value) {
        // A few cards answer the state on a line of its own.
        for (const std::string& raw : lines) {
            const std::string upper = ToUpperAscii(TrimView(raw));
            if (upper == "READY" || upper == "SIM PIN" || upper == "SIM PUK") {
                return upper;
            }
        }
        return std::nullopt;
    }
    const std::string code = ToUpperAscii(Unquote(*value));
    if (code.empty()) {
        return std::nullopt;
    }
    return code;
}

std::string CardStatusOfCmeError(int code) {
    switch (code) {
        case 10:
            return "SIM NOT INSERTED";
        case 11:
            return "SIM PIN";
        case 12:
            return "SIM PUK";
        case 13:
            return "SIM FAILURE";
        case 14:
            return "SIM BUSY";
        case 15:
            return "SIM WRONG";
        case 17:
            return "SIM PIN2";
        case 18:
            return "SIM PUK2";
        default:
            return {};
    }
}

PinCounters ParseCpinr(const Lines& lines) {
    PinCounters counters;
    for (const std::string& raw : lines) {
        const std::string_view line = TrimView(raw);
        if (!StartsWithNoCase(line, "+CPINR:")) {
            continue;
        }
        const auto fields = SplitFields(line.substr(7));
        if (fields.size() < 2) {
            continue;
        }
        const std::string code = ToUpperAscii(TrimView(fields[0]));
        const std::optional<int> retries = ToInt(fields[1]);
        if (!retries || *retries < 0) {
            continue;
        }
        if (code == "SIM PIN") {
            counters.pin = *retries;
        } else if (code == "SIM PUK") {
            counters.puk = *retries;
        }
    }
    return counters;
}

std::optional<PinCounters> ParseHuaweiCpin(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^CPIN:");
    if (!fields || fields->size() < 4) {
        return std::nullopt;
    }
    const std::string code = ToUpperAscii(TrimView((*fields)[0]));
    const std::optional<int> times = IntAt(*fields, 1);
    PinCounters counters;
    counters.puk = IntAt(*fields, 2).value_or(-1);
    counters.pin = IntAt(*fields, 3).value_or(-1);
    // The attempts of the code the card waits for also stand in <times>.
    if (times && code == "SIM PIN" && counters.pin < 0) {
        counters.pin = *times;
    }
    if (times && code == "SIM PUK" && counters.puk < 0) {
        counters.puk = *times;
    }
    if (counters.pin < 0 && counters.puk < 0) {
        return std::nullopt;
    }
    return counters;
}

std::optional<PinCounters> ParseDdpinr(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^DDPINR:");
    if (!fields) {
        return std::nullopt;
    }
    const std::optional<int> pin = IntAt(*fields, 0);
    const std::optional<int> puk = IntAt(*fields, 1);
    if (!pin || !puk || *pin < 0 || *puk < 0) {
        return std::nullopt;
    }
    return PinCounters{*pin, *puk};
}

std::optional<int> ParseClck(const Lines& lines) {
    const auto fields = FieldsOf(lines, "+CLCK:");
    if (!fields) {
        return std::nullopt;
    }
    const std::optional<int> status = IntAt(*fields, 0);
    if (!status || (*status != 0 && *status != 1)) {
        return std::nullopt;
    }
    return status;
}

std::optional<std::string> ParseIdentity(const Lines& lines, std::string_view prefix,
                                         bool digits_only) {
    for (const std::string& raw : lines) {
        std::string_view line = TrimView(raw);
        if (!prefix.empty() && StartsWithNoCase(line, prefix)) {
            line = TrimView(line.substr(prefix.size()));
        }
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            line = line.substr(1, line.size() - 2);
        }
        if (line.size() >= 2 && !digits_only &&
            (line.substr(0, 2) == "0x" || line.substr(0, 2) == "0X")) {
            line.remove_prefix(2);  // a MEID or ESN in hex
        }
        if (line.size() < 5 || line.size() > 20) {
            continue;
        }
        const bool fits = std::all_of(line.begin(), line.end(), [&](char c) {
            return digits_only ? (c >= '0' && c <= '9')
                               : std::isxdigit(static_cast<unsigned char>(c)) != 0;
        });
        if (fits) {
            return std::string(line);
        }
    }
    return std::nullopt;
}

// ---- Service ----------------------------------------------------------------------------

std::optional<ServiceInfo> ParseDdsrv(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^DDSRV:");
    if (!fields || fields->size() < 7) {
        return std::nullopt;
    }
    int words[7];
    for (std::size_t i = 0; i < 7; ++i) {
        const std::optional<int> v = IntAt(*fields, i);
        if (!v) {
            return std::nullopt;
        }
        words[i] = *v;
    }
    ServiceInfo info;
    info.service_status = words[0];
    info.system_mode = words[1];
    info.roaming = words[2];
    info.domain = words[3];
    info.card_type = SimPresent(words[4]) ? words[5] : kCardTypeNone;
    info.service_state = words[6];
    // An EV-DO card with circuit service as well is on a hybrid system: its messages travel
    // over 1x.
    const bool hybrid =
        info.system_mode == kSystemModeHdr && (info.domain == 1 || info.domain == 3);
    info.sms_restricted = hybrid && info.service_state != kServiceNone
                              ? 0
                              : SmsRestrictedFor(info.system_mode, info.service_state);
    return info;
}

// The record ^SYSINFO and ^SYSINFOEX share: service status first, then domain and roaming.
// `sms_over_1x`: messages still travel over 1x on a hybrid HDR system.
static ServiceInfo HuaweiServiceInfo(const std::vector<std::string>& fields, int srv_status,
                                     int mode, int sim_state, bool sms_over_1x) {
    ServiceInfo info;
    info.service_status = srv_status;
    info.system_mode = mode;
    info.domain = IntAt(fields, 1).value_or(0);
    info.roaming = IntAt(fields, 2).value_or(0);
    info.card_type = CardTypeForMode(mode, SimPresent(sim_state));
    info.service_state = ServiceStateOf(srv_status);
    info.sms_restricted = sms_over_1x && info.service_state != kServiceNone
                              ? 0
                              : SmsRestrictedFor(mode, info.service_state);
    return info;
}

std::optional<ServiceInfo> ParseSysinfoEx(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^SYSINFOEX:");
    if (!fields || fields->size() < 6) {
        return std::nullopt;
    }
    const std::optional<int> srv_status = IntAt(*fields, 0);
    const std::optional<int> sysmode = IntAt(*fields, 5);
    if (!srv_status || !sysmode) {
        return std::nullopt;
    }
    const int submode = IntAt(*fields, 7).value_or(-1);
    const int sim_state = IntAt(*fields, 3).value_or(1);
    int mode = kSystemModeNone;
    switch (*sysmode) {
        case 1:
            mode = kSystemModeGsm;
            break;
        case 2:  // CDMA: the submode tells 1x from EV-DO (24..26 and hybrid 28..30)
            mode = ((submode >= 24 && submode <= 26) || (submode >= 28 && submode <= 30))
                       ? kSystemModeHdr
                       : kSystemModeCdma;
            break;
        case 3:
        case 4:  // TD-SCDMA, a 3G system
            mode = kSystemModeWcdma;
            break;
        case 6:
            mode = kSystemModeLte;
            break;
        default:
            mode = kSystemModeNone;
            break;
    }
    return HuaweiServiceInfo(*fields, *srv_status, mode, sim_state, false);
}

std::optional<ServiceInfo> ParseSysinfo(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^SYSINFO:");
    if (!fields || fields->size() < 5) {
        return std::nullopt;
    }
    const std::optional<int> srv_status = IntAt(*fields, 0);
    const std::optional<int> sys_mode = IntAt(*fields, 3);
    if (!srv_status || !sys_mode) {
        return std::nullopt;
    }
    const int sim_state = IntAt(*fields, 4).value_or(1);
    const int submode = IntAt(*fields, 6).value_or(-1);
    int mode = kSystemModeNone;
    bool sms_over_1x = false;
    switch (*sys_mode) {
        case 1:
            mode = kSystemModeAmps;
            break;
        case 2:
            mode = kSystemModeCdma;
            break;
        case 3:
            mode = kSystemModeGsm;
            break;
        case 4:
            mode = kSystemModeHdr;
            break;
        case 5:
        case 15:  // TD-SCDMA
            mode = kSystemModeWcdma;
            break;
        case 7:  // GSM/WCDMA: the submode (1..3 GSM family) decides
            mode = (submode >= 1 && submode <= 3) ? kSystemModeGsm : kSystemModeWcdma;
            break;
        case 8:  // CDMA/HDR hybrid: data runs on EV-DO, messages on 1x
            mode = kSystemModeHdr;
            sms_over_1x = true;
            break;
        case 9:
        case 17:  // LTE on newer firmware
            mode = kSystemModeLte;
            break;
        default:
            mode = kSystemModeNone;
            break;
    }
    return HuaweiServiceInfo(*fields, *srv_status, mode, sim_state, sms_over_1x);
}

std::optional<Registration> ParseCreg(const Lines& lines) {
    const auto fields = FieldsOf(lines, "+CREG:");
    if (!fields || fields->empty()) {
        return std::nullopt;
    }
    Registration reg;
    // The query answer starts with <n>; the unsolicited form starts with <stat>. With two
    // leading numbers the first is <n>; a quoted second field is the location area.
    const std::vector<Field> raw = SplitQuotedFields(*FindValue(lines, "+CREG:"));
    std::size_t stat_index = 0;
    if (raw.size() >= 2 && !raw[1].quoted && ToInt(raw[1].text)) {
        // "+CREG: 2,1" (query) versus "+CREG: 1,"00C3","1A2B"" (unsolicited with location).
        stat_index = 1;
    }
    const std::optional<int> stat = IntAt(*fields, stat_index);
    if (!stat || *stat < 0 || *stat > 10) {
        return std::nullopt;
    }
    reg.stat = *stat;
    const std::size_t act_index = stat_index + 3;
    reg.act = IntAt(*fields, act_index).value_or(-1);
    return reg;
}

std::optional<CurrentOperator> ParseCopsQuery(const Lines& lines) {
    const auto fields = FieldsOf(lines, "+COPS:");
    if (!fields || fields->empty()) {
        return std::nullopt;
    }
    const std::optional<int> mode = IntAt(*fields, 0);
    if (!mode) {
        return std::nullopt;
    }
    CurrentOperator op;
    op.mode = *mode;
    op.format = IntAt(*fields, 1).value_or(-1);
    if (fields->size() > 2) {
        op.name = (*fields)[2];
    }
    op.act = IntAt(*fields, 3).value_or(-1);
    return op;
}

int SystemModeOfAct(int act) {
    switch (act) {
        case 0:  // GSM
        case 1:  // GSM compact
        case 3:  // GSM with EGPRS
        case 8:  // EC-GSM-IoT
            return kSystemModeGsm;
        case 2:  // UTRAN
        case 4:  // HSDPA
        case 5:  // HSUPA
        case 6:  // HSDPA and HSUPA
            return kSystemModeWcdma;
        case 7:   // E-UTRAN
        case 9:   // E-UTRAN NB-S1
        case 10:  // E-UTRA connected to 5GCN
            return kSystemModeLte;
        default:
            return kSystemModeNone;
    }
}

ServiceInfo ServiceFromRegistration(const Registration& reg, const CurrentOperator* op) {
    ServiceInfo info;
    info.card_type = kCardTypeUsim;
    int act = reg.act;
    if (act < 0 && op != nullptr) {
        act = op->act;
    }
    switch (reg.stat) {
        case 1:
        case 5:
            info.service_status = 2;
            info.service_state = kServiceAvailable;
            info.domain = 1;
            info.roaming = reg.stat == 5 ? 1 : 0;
            // Registered without a stated technology: a 27.007 card without <act> is GSM.
            info.system_mode = act >= 0 ? SystemModeOfAct(act) : kSystemModeGsm;
            break;
        case 3:  // registration denied: emergency calls only
            info.service_status = 1;
            info.service_state = kServiceRestricted;
            break;
        default:
            info.service_status = 0;
            info.service_state = kServiceNone;
            break;
    }
    info.sms_restricted = SmsRestrictedFor(info.system_mode, info.service_state);
    return info;
}

// ---- Network search ---------------------------------------------------------------------

namespace {

std::string DecodeNumeric(const std::string& field, Charset charset) {
    const std::string decoded = DecodeCardText(field, charset);
    const bool digits = !decoded.empty() && std::all_of(decoded.begin(), decoded.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    return digits ? decoded : field;
}

}  // namespace

std::vector<NetworkEntry> ParseNetworkList(const Lines& lines, Charset charset) {
    // Gather the answer: "+COPS:" lines and continuation lines starting with a group.
    std::string text;
    for (const std::string& raw : lines) {
        std::string_view line = TrimView(raw);
        if (StartsWithNoCase(line, "+COPS:")) {
            line = TrimView(line.substr(6));
        } else if (line.empty() || line.front() != '(') {
            continue;  // vendor noise
        }
        if (!text.empty()) {
            text.push_back(',');
        }
        text.append(line);
    }

    std::vector<NetworkEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('(', pos);
        if (open == std::string::npos) {
            break;
        }
        // The group ends at the first ')' outside quotes.
        bool quoted = false;
        std::size_t close = open + 1;
        for (; close < text.size(); ++close) {
            if (text[close] == '"') {
                quoted = !quoted;
            } else if (text[close] == ')' && !quoted) {
                break;
            }
        }
        if (close >= text.size()) {
            break;  // cut off: drop the unfinished group
        }
        const std::string_view body(text.data() + open + 1, close - open - 1);
        pos = close + 1;
        if (body.find('"') == std::string_view::npos) {
            continue;  // a list of supported modes or formats
        }
        const std::vector<std::string> fields = SplitFields(body);
        if (fields.size() < 4) {
            continue;
        }
        const std::optional<int> stat = ToInt(fields[0]);
        if (!stat) {
            continue;
        }
        NetworkEntry entry;
        entry.stat = (*stat >= 0 && *stat <= 3) ? *stat : 0;
        entry.long_name = DecodeCardText(fields[1], charset);
        entry.short_name = DecodeCardText(fields[2], charset);
        entry.numeric = DecodeNumeric(fields[3], charset);
        entry.act = fields.size() > 4 ? ToInt(fields[4]).value_or(-1) : -1;
        // Some firmware closes the group before the technology: (1,"A","A","310410"),2)
        if (fields.size() == 4 && pos < text.size() && text[pos] == ',') {
            std::size_t end = pos + 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
                ++end;
            }
            if (end > pos + 1 && end < text.size() && text[end] == ')') {
                entry.act =
                    ToInt(std::string_view(text).substr(pos + 1, end - pos - 1)).value_or(-1);
                pos = end + 1;
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string FormatNetworkEntry(const NetworkEntry& entry) {
    const auto clean = [](std::string text) {
        for (char& c : text) {
            if (c == '"') {
                c = '\'';
            } else if (static_cast<unsigned char>(c) < 0x20) {
                c = ' ';
            }
        }
        return text;
    };
    std::string long_name = clean(entry.long_name);
    std::string short_name = clean(entry.short_name);
    const std::string numeric = clean(entry.numeric);
    if (short_name.empty()) {
        short_name = !long_name.empty() ? long_name : numeric;
    }
    if (long_name.empty()) {
        long_name = short_name;
    }
    int act = entry.act < 0 ? 0 : entry.act;
    if (SystemModeOfAct(act) == kSystemModeGsm) {
        act = 0;
    }
    return std::to_string(entry.stat) + ",\"" + long_name + "\",\"" + short_name + "\",\"" +
           numeric + "\"," + std::to_string(act);
}

// ---- Unsolicited and extension answers --------------------------------------------------

std::optional<UssdMessage> ParseCusd(std::string_view line) {
    line = TrimView(line);
    if (!StartsWithNoCase(line, "+CUSD:")) {
        return std::nullopt;
    }
    const std::vector<std::string> fields = SplitFields(line.substr(6));
    if (fields.empty()) {
        return std::nullopt;
    }
    const std::optional<int> status = ToInt(fields[0]);
    if (!status || *status < 0 || *status > 5) {
        return std::nullopt;
    }
    UssdMessage message;
    message.status = *status;
    if (fields.size() > 1) {
        message.has_text = true;
        message.text = fields[1];
    }
    if (fields.size() > 2) {
        message.dcs = ToInt(fields[2]).value_or(-1);
    }
    return message;
}

std::optional<int> ParseDdmode(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^DDMODE:");
    if (!fields) {
        return std::nullopt;
    }
    const std::optional<int> mode = IntAt(*fields, 0);
    if (!mode || *mode < 0 || *mode > 255) {
        return std::nullopt;
    }
    return mode;
}

std::optional<int> ParseDdind(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^DDIND:");
    if (!fields) {
        return std::nullopt;
    }
    const std::optional<int> value = IntAt(*fields, 0);
    if (!value || *value < 0 || *value > 255) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ParseDdssid(const Lines& lines) {
    const auto fields = FieldsOf(lines, "^DDSSID:");
    if (!fields || fields->empty()) {
        return std::nullopt;
    }
    return (*fields)[0];
}

// ---- The card's family -------------------------------------------------------------------

namespace {

CardFamily Vote(bool gsm, bool cdma) {
    if (gsm && cdma)
        return CardFamily::kBoth;
    if (gsm)
        return CardFamily::kGsm;
    return cdma ? CardFamily::kCdma : CardFamily::kUnknown;
}

// The words of a text (letters and digits, upper-cased); '-' stays inside a word ("EV-DO").
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0 || (c == '-' && !word.empty())) {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool StartsWithAny(const std::string& word, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view prefix : prefixes) {
        if (word.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

}  // namespace

CardFamily FamilyOfCapabilities(const Lines& lines) {
    bool gsm = false;
    bool cdma = false;
    for (const std::string& line : lines) {
        for (const std::string& word : Words(line)) {
            gsm = gsm || StartsWithAny(word, {"CGSM", "CLTE"});
            cdma = cdma || StartsWithAny(word, {"CIS707", "CIS-856", "IS-856", "IS-95"});
        }
    }
    return Vote(gsm, cdma);
}

CardFamily FamilyOfIdentity(const Lines& lines) {
    bool gsm = false;
    bool cdma = false;
    for (const std::string& line : lines) {
        const std::vector<std::string> words = Words(line);
        for (const std::string& word : words) {
            cdma = cdma || StartsWithAny(word, {"CDMA", "EV-DO", "EVDO", "1XRTT", "IS-95"});
            gsm = gsm || StartsWithAny(word, {"GSM", "UMTS", "WCDMA", "HSDPA", "HSUPA", "HSPA",
                                              "LTE", "GPRS", "EDGE"});
        }
        // ATI's serial-number labels: "ESN: ...", "MEID: ..." or "IMEI: ...".
        const std::string_view trimmed = TrimView(line);
        if (!words.empty() && trimmed.size() > words[0].size() && trimmed[words[0].size()] == ':') {
            cdma = cdma || words[0] == "ESN" || words[0] == "MEID";
            gsm = gsm || words[0] == "IMEI";
        }
    }
    return Vote(gsm, cdma);
}

CardFamily FamilyOfHardwareId(const std::string& id) {
    std::string_view text = TrimView(id);
    const bool hex_prefix = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex_prefix)
        text.remove_prefix(2);
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    const bool hex = std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!hex_prefix && text.size() == 15 && digits)
        return CardFamily::kGsm;
    if ((text.size() == 8 || text.size() == 14) && hex)
        return CardFamily::kCdma;
    return CardFamily::kUnknown;
}

CardFamily FamilyOfSystemMode(int system_mode) {
    switch (system_mode) {
        case kSystemModeAmps:
        case kSystemModeCdma:
        case kSystemModeHdr:
            return CardFamily::kCdma;
        case kSystemModeGsm:
        case kSystemModeWcdma:
        case kSystemModeLte:
            return CardFamily::kGsm;
        default:
            return CardFamily::kUnknown;
    }
}

}  // namespace dedevev::at

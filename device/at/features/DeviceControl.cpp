#include "device/at/features/DeviceControl.h"

#include <algorithm>

#include "device/at/features/CardService.h"
#include "device/at/features/ModemAgent.h"
#include "device/at/parsers/CallParsers.h"
#include "device/at/transport/DataPort.h"

namespace dedevev::at {

namespace {

bool IsNumericOperator(const std::string& name) {
    return name.size() >= 5 && name.size() <= 6 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

DeviceControl::DeviceControl(ModemContext& context) : context_(context) {}

void DeviceControl::Reset() {
    preferred_.Forget();
    std::lock_guard<std::mutex> lock(networks_mutex_);
    last_networks_.clear();
}

bool DeviceControl::RunOk(const std::string& command, int* status) {
    if (context_.Query(command).Ok()) {
        SetStatus(status, kStatusOk);
        return true;
    }
    return false;
}

void DeviceControl::ConfigureA(int mode, int* status) {
    (void)mode;  // one set-up for every mode
    const Response echo = context_.Query("ATE0");
    if (!Answered(echo)) {
        return;  // mute or gone: no point in the other steps
    }
    const Response errors = context_.Query("AT+CMEE=1");
    if (Answered(errors)) {
        context_.Learn(ModemContext::kCmee, errors.Ok() ? Support::kYes : Support::kNo);
    }
    const Response charset = context_.Query("AT+CSCS=\"IRA\"");
    if (charset.Ok()) {
        context_.SetCharset(Charset::kIra);
    } else if (IsRefusal(charset)) {
        // A card without a choice of character set: read texts in the one it uses.
        const Response current = context_.Query("AT+CSCS?");
        const std::optional<std::string> name =
            current.Ok() ? FindValue(current.lines, "+CSCS:") : std::nullopt;
        if (name) {
            context_.SetCharset(CharsetFromName(DecodeCardText(*name, Charset::kIra)));
        }
    }
    SwitchRadioOn();
    if (echo.Ok() || errors.Ok() || charset.Ok()) {
        SetStatus(status, kStatusOk);
    }
}

void DeviceControl::SwitchRadioOn() {
    const Response fun = context_.Query("AT+CFUN?");
    const std::optional<std::string> value =
        fun.Ok() ? FindValue(fun.lines, "+CFUN:") : std::nullopt;
    const std::vector<std::string> fields =
        value ? SplitFields(*value) : std::vector<std::string>();
    const std::optional<int> level = fields.empty() ? std::nullopt : ToInt(fields[0]);
    if (level && (*level == 0 || *level == 4) &&
        context_.Run("AT+CFUN=1", context_.timeouts().radio).Ok()) {
        context_.RadioSwitchedOn();
        ReadPinState(context_, true);  // the SIM starts with the radio: what follows needs it
    }
}

void DeviceControl::ConfigureB(int mode, int* status) {
    (void)mode;
    Response reg = context_.Query("AT+CREG=2");
    if (IsRefusal(reg)) {
        reg = context_.Query("AT+CREG=1");
    }
    if (!Answered(reg)) {
        return;
    }
    // Service reports and network-initiated USSD; cards without them refuse, which is fine.
    const Response service = context_.Query("AT^DDSRV=1");
    const Response ussd = context_.Query("AT+CUSD=1");
    if (reg.Ok() || service.Ok() || ussd.Ok()) {
        SetStatus(status, kStatusOk);
    }
}

int DeviceControl::GetSignalLevel(int* status) {
    const Response r = context_.Query("AT+CSQ");
    if (!r.Ok()) {
        return 0;
    }
    const std::optional<int> rssi = ParseCsq(r.lines);
    if (!rssi) {
        return 0;
    }
    SetStatus(status, kStatusOk);
    return *rssi;
}

void DeviceControl::CheckAlive(int* status) {
    // Any final result proves the card is there: some answer a bare AT with ERROR.
    if (Answered(context_.Run("AT", context_.timeouts().alive))) {
        SetStatus(status, kStatusOk);
    }
}

std::string DeviceControl::GetImsi(int* status) {
    const Response r = context_.Query("AT+CIMI");
    if (!r.Ok()) {
        return {};
    }
    const std::optional<std::string> imsi = ParseIdentity(r.lines, "+CIMI:", true);
    if (!imsi) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return *imsi;
}

std::string DeviceControl::Identification(const std::string& command, const std::string& prefix,
                                          int* status) {
    const Response r = context_.Query(command);
    if (!r.Ok()) {
        return {};
    }
    for (const std::string& raw : r.lines) {
        std::string_view line = TrimView(raw);
        if (StartsWithNoCase(line, prefix)) {
            line = TrimView(line.substr(prefix.size()));
        }
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            line = line.substr(1, line.size() - 2);
        }
        if (!line.empty()) {
            SetStatus(status, kStatusOk);
            return ToUtf8Lenient(line);
        }
    }
    return {};
}

std::string DeviceControl::GetManufacturer(int* status) {
    return Identification("AT+CGMI", "+CGMI:", status);
}

std::string DeviceControl::GetModel(int* status) {
    return Identification("AT+CGMM", "+CGMM:", status);
}

std::string DeviceControl::GetFirmwareVersion(int* status) {
    return Identification("AT+CGMR", "+CGMR:", status);
}

std::uint8_t DeviceControl::GetIndicator(int* status) {
    if (context_.Has(ModemContext::kDdind) == Support::kNo) {
        return 0;
    }
    const Response r = context_.Query("AT^DDIND?");
    if (IsRefusal(r) && r.error_code < 10) {
        context_.Learn(ModemContext::kDdind, Support::kNo);
    }
    if (!r.Ok()) {
        return 0;
    }
    const std::optional<int> value = ParseDdind(r.lines);
    if (!value) {
        return 0;
    }
    context_.Learn(ModemContext::kDdind, Support::kYes);
    SetStatus(status, kStatusOk);
    return static_cast<std::uint8_t>(*value);
}

std::string DeviceControl::GetCardStatus(int* status) {
    // The state as it is now: the start-up and the status poll ask again themselves.
    std::optional<std::string> state = ReadPinState(context_, false);
    if (!state) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return *state;
}

void DeviceControl::SetApn(const std::string& apn, int* status) {
    if (!IsSafeQuotedText(apn)) {
        return;
    }
    RunOk("AT+CGDCONT=1,\"IP\",\"" + apn + "\"", status);
}

std::string DeviceControl::GetApn(int* status) {
    const Response r = context_.Query("AT+CGDCONT?");
    if (!r.Ok()) {
        return {};
    }
    for (const std::string& raw : r.lines) {
        const std::string_view line = TrimView(raw);
        if (!StartsWithNoCase(line, "+CGDCONT:")) {
            continue;
        }
        const std::vector<std::string> fields = SplitFields(line.substr(9));
        if (fields.size() >= 3 && ToInt(fields[0]) == 1) {
            SetStatus(status, kStatusOk);
            return DecodeCardText(fields[2], context_.CurrentCharset());
        }
    }
    SetStatus(status, kStatusOk);  // answered: no context 1, no APN
    return {};
}

void DeviceControl::SetCharacterSet(const std::string& charset, int* status) {
    if (charset.empty() || !IsSafeQuotedText(charset)) {
        return;
    }
    if (RunOk("AT+CSCS=\"" + charset + "\"", status)) {
        context_.SetCharset(CharsetFromName(charset));
    }
}

void DeviceControl::SetNetworkMode(int mode, int* status) {
    preferred_.Set(mode, status);
}

int DeviceControl::GetNetworkMode(int* status) {
    return preferred_.Get(status);
}

void DeviceControl::HangUpData(int* status) {
    // ATH on the AT port ends the voice calls with the data call on many cards: the data call
    // is ended where it runs, and the AT port is used only when that cannot cut a voice call.
    std::lock_guard<std::mutex> lock(hang_up_mutex_);
    const std::string data_port = context_.DataPortPath();
    if (!data_port.empty() && !IsSameDevice(data_port, context_.AtPortPath()) &&
        ReleaseOnDataPort(data_port, context_.timeouts().data_port) == DataPortRelease::kReleased) {
        SetStatus(status, kStatusOk);
        return;
    }
    HangUpDataOnAtPort(status);
}

void DeviceControl::HangUpDataOnAtPort(int* status) {
    const Response activity = context_.Query("AT+CPAS");
    if (!Answered(activity)) {
        return;  // mute or gone
    }
    if (activity.Ok() && ToInt(activity.Value("+CPAS:")) == 0) {
        SetStatus(status, kStatusOk);  // the card is idle: no call of any kind
        return;
    }
    const Response list = context_.Query("AT+CLCC");
    if (!list.Ok()) {
        return;  // a voice call cannot be told from a data call: both are left alone
    }
    for (const CallEntry& call : ParseClcc(list.lines, context_.CurrentCharset())) {
        if (IsVoiceCall(call)) {
            return;  // ATH would end it too
        }
    }
    RunOk("ATH", status);
}

std::vector<std::string> DeviceControl::SearchNetworks(int* status) {
    const Response r = context_.Run("AT+COPS=?", context_.timeouts().search);
    if (!r.Ok()) {
        return {};
    }
    std::vector<NetworkEntry> entries = ParseNetworkList(r.lines, context_.CurrentCharset());
    std::vector<std::string> rows;
    rows.reserve(entries.size());
    for (const NetworkEntry& entry : entries) {
        rows.push_back(FormatNetworkEntry(entry));
    }
    {
        std::lock_guard<std::mutex> lock(networks_mutex_);
        last_networks_ = std::move(entries);
    }
    SetStatus(status, kStatusOk);
    return rows;
}

void DeviceControl::SelectNetwork(const std::string& name, int* status) {
    const Millis timeout = context_.timeouts().select;
    if (name.empty()) {
        if (context_.Run("AT+COPS=0", timeout).Ok()) {
            SetStatus(status, kStatusOk);
        }
        return;
    }
    if (!IsSafeQuotedText(name)) {
        return;
    }
    // The number of the network of that name in the last search, for cards that register
    // by number only (and for rows whose name was filled from the number).
    std::string numeric;
    {
        std::lock_guard<std::mutex> lock(networks_mutex_);
        for (const NetworkEntry& entry : last_networks_) {
            const std::string row = FormatNetworkEntry(entry);
            if (entry.short_name == name || entry.long_name == name || entry.numeric == name ||
                row.find("\"" + name + "\"") != std::string::npos) {
                numeric = entry.numeric;
                break;
            }
        }
    }
    if (numeric.empty() && IsNumericOperator(name)) {
        numeric = name;
    }
    if (numeric != name) {
        const std::string field = EncodeCardText(name, context_.CurrentCharset());
        const Response r = context_.Run("AT+COPS=1,1,\"" + field + "\"", timeout);
        if (r.Ok()) {
            SetStatus(status, kStatusOk);
            return;
        }
        // A card that does not register by name is asked again by number; a network that
        // refuses the registration (no service, time-out, emergency only) would again.
        const bool network_refused = r.error_code >= 30 && r.error_code <= 32;
        if (!IsRefusal(r) || network_refused || numeric.empty()) {
            return;
        }
    }
    if (!IsSafeQuotedText(numeric)) {
        return;
    }
    if (context_.Run("AT+COPS=1,2,\"" + numeric + "\"", timeout).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

std::optional<ServiceInfo> DeviceControl::ServiceByRegistration() {
    const Response reg = context_.Query("AT+CREG?");
    if (!reg.Ok()) {
        return std::nullopt;
    }
    const std::optional<Registration> registration = ParseCreg(reg.lines);
    if (!registration) {
        return std::nullopt;
    }
    std::optional<CurrentOperator> op;
    if (registration->act < 0 && (registration->stat == 1 || registration->stat == 5)) {
        const Response cops = context_.Query("AT+COPS?");
        if (cops.Ok()) {
            op = ParseCopsQuery(cops.lines);
        }
    }
    return ServiceFromRegistration(*registration, op ? &*op : nullptr);
}

std::optional<ServiceInfo> DeviceControl::OwnServiceRecord(bool* no_fallback) {
    struct Source {
        ModemContext::Feature feature;
        const char* command;
        std::optional<ServiceInfo> (*parse)(const Lines&);
    };
    static constexpr Source kSources[] = {
        {ModemContext::kDdsrv, "AT^DDSRV?", &ParseDdsrv},
        {ModemContext::kSysinfoEx, "AT^SYSINFOEX", &ParseSysinfoEx},
        {ModemContext::kSysinfo, "AT^SYSINFO", &ParseSysinfo},
    };
    for (const Source& source : kSources) {
        if (context_.Has(source.feature) == Support::kNo) {
            continue;
        }
        const Response r = context_.Query(source.command);
        if (!Answered(r)) {
            *no_fallback = true;  // mute or gone: no fallback will do better
            return std::nullopt;
        }
        if (r.Ok()) {
            if (std::optional<ServiceInfo> info = source.parse(r.lines)) {
                context_.Learn(source.feature, Support::kYes);
                return info;
            }
        }
        if (context_.Has(source.feature) == Support::kYes) {
            *no_fallback = true;  // the card has the command; this answer was just bad
            return std::nullopt;
        }
        if (IsRefusal(r) && r.error_code < 10) {
            context_.Learn(source.feature, Support::kNo);
        }
    }
    return std::nullopt;
}

std::optional<int> DeviceControl::OwnSystemMode() {
    bool no_fallback = false;
    const std::optional<ServiceInfo> info = OwnServiceRecord(&no_fallback);
    if (!info || info->service_state == kServiceNone) {
        return std::nullopt;
    }
    return info->system_mode;
}

ServiceInfo DeviceControl::GetServiceInfo(int* status) {
    bool no_fallback = false;
    std::optional<ServiceInfo> info = OwnServiceRecord(&no_fallback);
    if (!info && !no_fallback) {
        info = ServiceByRegistration();
    }
    if (!info) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return *info;
}

std::string DeviceControl::GetHardwareId(int* status) {
    const Response r = context_.Query("AT+CGSN");
    if (!r.Ok()) {
        return {};
    }
    const std::optional<std::string> id = ParseIdentity(r.lines, "+CGSN:", false);
    if (!id) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return *id;
}

std::string DeviceControl::GetOperatorName(int* status) {
    Response r = context_.Query("AT+COPS=3,0;+COPS?");
    if (IsRefusal(r)) {
        r = context_.Query("AT+COPS?");  // cards that take no command lists
    }
    if (!r.Ok()) {
        return {};
    }
    const std::optional<CurrentOperator> op = ParseCopsQuery(r.lines);
    if (!op) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return DecodeCardText(op->name, context_.CurrentCharset());
}

bool DeviceControl::LacksWorkModes() {
    return context_.Has(ModemContext::kDdmode) == Support::kNo;
}

std::uint8_t DeviceControl::GetWorkMode(int* status) {
    // Work modes are a command of our own cards; no standard or vendor command switches a
    // stick between modem and router, so a card without it has none (nothing is guessed).
    if (LacksWorkModes()) {
        return 0;
    }
    const Response r = context_.Query("AT^DDMODE?");
    if (IsRefusal(r) && r.error_code < 10) {
        context_.Learn(ModemContext::kDdmode, Support::kNo);
    }
    if (!r.Ok()) {
        return 0;
    }
    const std::optional<int> mode = ParseDdmode(r.lines);
    if (!mode) {
        return 0;
    }
    context_.Learn(ModemContext::kDdmode, Support::kYes);
    SetStatus(status, kStatusOk);
    return static_cast<std::uint8_t>(*mode);
}

void DeviceControl::SetWorkMode(std::uint8_t mode, int* status) {
    if ((mode != kWorkModeDongle && mode != kWorkModeWifi) || LacksWorkModes()) {
        return;
    }
    // A refused change says nothing of the card's modes (it may refuse one now): only the
    // query teaches that the card has none.
    RunOk("AT^DDMODE=" + std::to_string(mode), status);
}

std::string DeviceControl::GetWifiSsid(int* status) {
    if (LacksWorkModes()) {
        return {};
    }
    const Response r = context_.Query("AT^DDSSID?");
    if (!r.Ok()) {
        return {};
    }
    const std::optional<std::string> ssid = ParseDdssid(r.lines);
    if (!ssid) {
        return {};
    }
    SetStatus(status, kStatusOk);
    return DecodeCardText(*ssid, context_.CurrentCharset());
}

void DeviceControl::RestoreFactorySettings(int* status) {
    if (context_.Has(ModemContext::kDdreset) != Support::kNo) {
        const Response r = context_.Run("AT^DDRESET", context_.timeouts().reset);
        if (r.Ok()) {
            SetStatus(status, kStatusOk);
            return;
        }
        if (!IsRefusal(r) || r.error_code >= 10) {
            return;  // mute, gone, or a card of ours that could not reset now
        }
        context_.Learn(ModemContext::kDdreset, Support::kNo);
    }
    RestoreStandardSettings(status);
}

void DeviceControl::RestoreStandardSettings(int* status) {
    // AT&F puts the factory profile in place of the active one and AT&W stores it, so it is
    // also what the card starts with (cards without stored profiles refuse AT&W, which is
    // fine). The card is not restarted (AT+CFUN=1,1): a USB stick then leaves the bus and
    // comes back under new port names, under a program that is using it.
    const Charset charset = context_.CurrentCharset();
    if (!context_.Run("AT&F", context_.timeouts().reset).Ok()) {
        return;
    }
    context_.Query("AT&W");
    // The factory profile brought back echo, text error reports, the IRA character set and no
    // unsolicited reports: the set-up this library relies on is made again.
    int ignored = kStatusUntouched;
    ConfigureA(0, &ignored);
    if (charset == Charset::kUcs2 || charset == Charset::kGsm) {
        SetCharacterSet(charset == Charset::kUcs2 ? "UCS2" : "GSM", &ignored);
    }
    ConfigureB(1, &ignored);
    SetStatus(status, kStatusOk);
}

}  // namespace dedevev::at

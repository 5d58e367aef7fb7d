#include "device/at/features/PreferredSystem.h"

#include <algorithm>

#include "device/at/features/ModemAgent.h"
#include "device/at/parsers/SystemParsers.h"

namespace dedevev::at {

namespace {

// Band, roaming and service domain left as the card has them.
constexpr const char* kSyscfgExKeep = ",40000000,2,4,40000000,,";
constexpr const char* kSyscfgKeep = ",40000000,2,4";

bool Offers(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

void PreferredSystem::Forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    method_ = Method::kUnknown;
    orders_.clear();
    values_.clear();
}

PreferredSystem::Method PreferredSystem::Find() {
    if (method_ != Method::kUnknown) {
        return method_;
    }
    struct Probe {
        Method method;
        const char* command;
        const char* prefix;
    };
    static constexpr Probe kProbes[] = {
        {Method::kOurs, "AT^DDNETSEL=?", "^DDNETSEL:"},
        {Method::kSyscfgEx, "AT^SYSCFGEX=?", "^SYSCFGEX:"},
        {Method::kSyscfg, "AT^SYSCFG=?", "^SYSCFG:"},
        {Method::kWs46, "AT+WS46=?", "+WS46:"},
    };
    for (const Probe& probe : kProbes) {
        const Response r = context_.Query(probe.command);
        if (!Answered(r)) {
            return Method::kUnknown;  // mute or gone: nothing learned
        }
        if (!r.Ok()) {
            continue;
        }
        const std::vector<std::string> items = GroupItems(r.lines, probe.prefix, 0);
        if (probe.method == Method::kSyscfgEx) {
            orders_ = items;
        } else {
            values_ = GroupInts(items);
        }
        if (!items.empty()) {
            method_ = probe.method;
            return method_;
        }
    }
    method_ = Method::kNone;
    return method_;
}

std::string PreferredSystem::SetCommand(Method method, int netsel) const {
    switch (method) {
        case Method::kOurs:
            return Offers(values_, netsel) ? "AT^DDNETSEL=" + std::to_string(netsel) : "";
        case Method::kSyscfgEx: {
            const std::optional<std::string> order = AcqOrderFor(netsel, orders_);
            return order ? "AT^SYSCFGEX=\"" + *order + "\"" + kSyscfgExKeep : "";
        }
        case Method::kSyscfg: {
            const std::optional<int> mode = SyscfgModeFor(netsel);
            if (!mode || !Offers(values_, *mode)) {
                return {};
            }
            return "AT^SYSCFG=" + std::to_string(*mode) + ",0" + kSyscfgKeep;
        }
        case Method::kWs46: {
            const std::optional<int> value = Ws46For(netsel, values_);
            return value ? "AT+WS46=" + std::to_string(*value) : "";
        }
        case Method::kUnknown:
        case Method::kNone:
            break;
    }
    return {};
}

void PreferredSystem::Set(int netsel, int* status) {
    if (!IsNetSel(netsel)) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string command = SetCommand(Find(), netsel);
    if (!command.empty() && context_.Query(command).Ok()) {
        SetStatus(status, kStatusOk);
    }
}

int PreferredSystem::Get(int* status) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<int> netsel;
    switch (Find()) {
        case Method::kOurs: {
            const Response r = context_.Query("AT^DDNETSEL?");
            netsel = r.Ok() ? ParseDdnetsel(r.lines) : std::nullopt;
            break;
        }
        case Method::kSyscfgEx: {
            const Response r = context_.Query("AT^SYSCFGEX?");
            const std::optional<std::string> order =
                r.Ok() ? ParseSyscfgExOrder(r.lines) : std::nullopt;
            netsel = order ? NetSelOfAcqOrder(*order) : std::nullopt;
            break;
        }
        case Method::kSyscfg: {
            const Response r = context_.Query("AT^SYSCFG?");
            const std::optional<int> mode = r.Ok() ? ParseSyscfgMode(r.lines) : std::nullopt;
            netsel = mode ? NetSelOfSyscfgMode(*mode) : std::nullopt;
            break;
        }
        case Method::kWs46: {
            const Response r = context_.Query("AT+WS46?");
            const std::optional<int> value = r.Ok() ? ParseWs46(r.lines) : std::nullopt;
            netsel = value ? NetSelOfWs46(*value) : std::nullopt;
            break;
        }
        case Method::kUnknown:
        case Method::kNone:
            break;
    }
    if (!netsel) {
        return 0;
    }
    SetStatus(status, kStatusOk);
    return *netsel;
}

}  // namespace dedevev::at

#include "device/at/parsers/SystemParsers.h"

#include <algorithm>
#include <utility>

namespace dedevev::at {

namespace {

// One system per two-digit code of an acquisition order.
struct OrderCode {
    std::string_view code;
    int netsel;
};
constexpr OrderCode kOrderCodes[] = {
    {"01", kNetSelGsm},  {"02", kNetSelWcdma}, {"03", kNetSelLte},
    {"04", kNetSelCdma}, {"07", kNetSelHdr},
};

// ^SYSCFG modes and the preferred systems they set.
constexpr std::pair<int, int> kSyscfgModes[] = {
    {2, kNetSelAuto}, {13, kNetSelGsm}, {14, kNetSelWcdma}};

std::optional<int> NetSelOfCode(std::string_view code) {
    for (const OrderCode& entry : kOrderCodes) {
        if (entry.code == code) {
            return entry.netsel;
        }
    }
    return std::nullopt;
}

// How many systems an order names; 0 when it is not a valid order of known systems.
std::size_t SystemsIn(std::string_view order) {
    if (order.empty() || order.size() % 2 != 0) {
        return 0;
    }
    for (std::size_t i = 0; i < order.size(); i += 2) {
        if (!NetSelOfCode(order.substr(i, 2))) {
            return 0;
        }
    }
    return order.size() / 2;
}

std::optional<std::string> FirstField(const Lines& lines, std::string_view prefix) {
    const std::optional<std::string> value = FindValue(lines, prefix);
    if (!value) {
        return std::nullopt;
    }
    const std::vector<std::string> fields = SplitFields(*value);
    if (fields.empty() || fields[0].empty()) {
        return std::nullopt;
    }
    return fields[0];
}

std::optional<int> FirstInt(const Lines& lines, std::string_view prefix) {
    const std::optional<std::string> field = FirstField(lines, prefix);
    return field ? ToInt(*field) : std::nullopt;
}

}  // namespace

bool IsNetSel(int value) {
    return value == kNetSelGsm || value == kNetSelWcdma || value == kNetSelAuto ||
           value == kNetSelLte || value == kNetSelCdma || value == kNetSelHdr;
}

std::vector<std::string> GroupItems(const Lines& lines, std::string_view prefix,
                                    std::size_t index) {
    const std::optional<std::string> value = FindValue(lines, prefix);
    if (!value) {
        return {};
    }
    const std::vector<std::string> fields = SplitFields(*value);
    if (index >= fields.size()) {
        return {};
    }
    const std::string_view group = TrimView(fields[index]);
    if (group.size() < 2 || group.front() != '(' || group.back() != ')') {
        return {};
    }
    return SplitFields(group.substr(1, group.size() - 2));
}

std::vector<int> GroupInts(const std::vector<std::string>& items) {
    std::vector<int> values;
    for (const std::string& item : items) {
        const std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            if (const std::optional<int> value = ToInt(item)) {
                values.push_back(*value);
            }
            continue;
        }
        const std::optional<int> low = ToInt(std::string_view(item).substr(0, dash));
        const std::optional<int> high = ToInt(std::string_view(item).substr(dash + 1));
        if (!low || !high || *low > *high || *high - *low > 255) {
            continue;
        }
        for (int value = *low; value <= *high; ++value) {
            values.push_back(value);
        }
    }
    return values;
}

std::optional<int> ParseDdnetsel(const Lines& lines) {
    const std::optional<int> value = FirstInt(lines, "^DDNETSEL:");
    return value && IsNetSel(*value) ? value : std::nullopt;
}

std::optional<std::string> ParseSyscfgExOrder(const Lines& lines) {
    return FirstField(lines, "^SYSCFGEX:");
}

std::optional<int> NetSelOfAcqOrder(std::string_view order) {
    if (order == "00") {
        return kNetSelAuto;
    }
    const std::size_t systems = SystemsIn(order);
    if (systems == 0) {
        return std::nullopt;
    }
    return systems == 1 ? NetSelOfCode(order) : std::optional<int>(kNetSelAuto);
}

std::optional<std::string> AcqOrderFor(int netsel, const std::vector<std::string>& offered) {
    if (netsel == kNetSelAuto) {
        if (std::find(offered.begin(), offered.end(), "00") != offered.end()) {
            return "00";
        }
        const std::string* widest = nullptr;
        for (const std::string& order : offered) {
            if (SystemsIn(order) >= 2 && (!widest || SystemsIn(order) > SystemsIn(*widest))) {
                widest = &order;
            }
        }
        return widest ? std::optional<std::string>(*widest) : std::nullopt;
    }
    for (const std::string& order : offered) {
        if (SystemsIn(order) == 1 && NetSelOfCode(order) == netsel) {
            return order;
        }
    }
    return std::nullopt;
}

std::optional<int> ParseSyscfgMode(const Lines& lines) {
    return FirstInt(lines, "^SYSCFG:");
}

std::optional<int> NetSelOfSyscfgMode(int mode) {
    for (const auto& [syscfg, netsel] : kSyscfgModes) {
        if (syscfg == mode) {
            return netsel;
        }
    }
    return std::nullopt;
}

std::optional<int> SyscfgModeFor(int netsel) {
    for (const auto& [syscfg, value] : kSyscfgModes) {
        if (value == netsel) {
            return syscfg;
        }
    }
    return std::nullopt;
}

std::optional<int> ParseWs46(const Lines& lines) {
    return FirstInt(lines, "+WS46:");
}

std::optional<int> NetSelOfWs46(int value) {
    switch (value) {
        case 12:
            return kNetSelGsm;
        case 22:
            return kNetSelWcdma;
        case 28:
            return kNetSelLte;
        case 25:
        case 29:
            return kNetSelAuto;
        default:
            return std::nullopt;
    }
}

std::optional<int> Ws46For(int netsel, const std::vector<int>& offered) {
    const auto has = [&offered](int value) {
        return std::find(offered.begin(), offered.end(), value) != offered.end();
    };
    for (const int value : {12, 22, 28, 25, 29}) {
        if (has(value) && NetSelOfWs46(value) == netsel) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace dedevev::at

#pragma once
// The card's preferred radio system through whichever command the card has. Cards differ:
// ours take ^DDNETSEL, LTE-era vendor cards ^SYSCFGEX, older 2G/3G vendor cards ^SYSCFG,
// others only the 3GPP AT+WS46. The first use asks the test form of each in that order; the
// first the card answers is kept for the opened port (with the values it offers), so later
// calls send no refused command again. A value the card cannot express fails without a
// command sent.

#include <mutex>
#include <string>
#include <vector>

namespace dedevev::at {

class ModemContext;

class PreferredSystem {
public:
    explicit PreferredSystem(ModemContext& context) : context_(context) {}
    PreferredSystem(const PreferredSystem&) = delete;
    PreferredSystem& operator=(const PreferredSystem&) = delete;

    // `netsel`: 1 GSM, 2 WCDMA, 4 automatic, 6 LTE, 10 CDMA 1x, 11 HDR.
    void Set(int netsel, int* status);
    int Get(int* status);
    // Forgets the card's command (a new port was opened).
    void Forget();

private:
    enum class Method { kUnknown, kOurs, kSyscfgEx, kSyscfg, kWs46, kNone };
    // The card's command, asked for when not known yet; kUnknown when the card did not
    // answer (asked again next time).
    Method Find();
    // The command that sets `netsel` with `method`; empty when the card cannot express it.
    std::string SetCommand(Method method, int netsel) const;

    ModemContext& context_;
    std::mutex mutex_;
    Method method_ = Method::kUnknown;
    std::vector<std::string> orders_;  // ^SYSCFGEX acquisition orders the card offers
    std::vector<int> values_;          // ^DDNETSEL, ^SYSCFG mode or +WS46 values it offers
};

}  // namespace dedevev::at

// The control commands of the card's quirks: which are on, how long a starting SIM takes, and
// the dialect the card speaks.

#include "sim/ControlProtocol.h"
#include "sim/SimulatorImpl.h"

namespace dedevev::sim {

std::string CardSimulator::Impl::QuirkControl(const std::vector<std::string>& w, bool* handled) {
    *handled = true;
    const std::string& cmd = w[0];
    const std::size_t argc = w.size() - 1;
    if (cmd == "sim-start") {
        const bool number = argc == 1 && !w[1].empty() && w[1].size() <= 5 &&
                            w[1].find_first_not_of("0123456789") == std::string::npos;
        if (!number || !card_.SetSimStartMs(std::stoi(w[1])))
            return "ERR usage: sim-start <100-60000 ms>";
        return "OK";
    }
    if (cmd == "dialect") {
        if (argc == 1 && (w[1] == "ours" || w[1] == "vendor"))
            card_.SetDialect(w[1] == "ours" ? Dialect::kOurs : Dialect::kVendor);
        else if (argc != 0)
            return "ERR usage: dialect [ours|vendor]";
        return std::string("OK ") + (card_.Dialect() == Dialect::kOurs ? "ours" : "vendor");
    }
    if (cmd != "quirks") {
        *handled = false;
        return {};
    }
    QuirkSet quirks = card_.Quirks();
    std::string error;
    Quirk quirk;
    if (argc == 2 && ParseQuirk(w[1], &quirk) && (w[2] == "on" || w[2] == "off")) {
        quirks.Set(quirk, w[2] == "on");
    } else if (argc == 1 && !ParseQuirkList(w[1], &quirks, &error)) {
        return "ERR " + error;
    } else if (argc > 1) {
        return "ERR usage: quirks [none|<name,name...>|<name> on|off]";
    }
    if (!(quirks == card_.Quirks())) {
        card_.SetQuirks(quirks);
        ScheduleSimStart();
        DispatchEvents();
    }
    return "OK " + QuirkList(card_.Quirks());
}

void CardSimulator::Impl::ScheduleSimStart() {
    const Clock::time_point now = Clock::now();
    for (Later& step : SimStartLater(card_))
        timers_.push_back(Timer{now + step.delay, kAtPort, {}, std::move(step.action)});
}

}  // namespace dedevev::sim

#pragma once
// The harness of the load benchmarks: a simulated card of the kind named on the command line
// (--kind=gsm|cdma), announced in a temporary folder of its own, a modem agent open on its AT
// port, and the AT commands the card logged while a load ran. Every load is held to the same
// aim: at most 1.3 times the card's latency for the commands it took plus the time its answer
// takes to cross a 115200 baud line.

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "sim/CardSimulator.h"

namespace dedevev::bench {

using Clock = std::chrono::steady_clock;

// How long the card waits before it answers any command.
constexpr int kLatencyMs = 20;

inline double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The time `bytes` take on a 115200 baud line, ten bits a byte.
inline double TransferMs(std::size_t bytes) {
    return static_cast<double>(bytes) * 10.0 / 115200.0 * 1000.0;
}

// The longest a load of `commands` commands moving `transfer_ms` worth of answer may take.
inline double AimMs(int commands, double transfer_ms) {
    return 1.3 * (commands * kLatencyMs + transfer_ms);
}

// How often `prefix` stands in `log`.
inline int CountCommands(const std::string& log, const std::string& prefix) {
    int count = 0;
    for (std::size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1))
        ++count;
    return count;
}

// Empties the card's phonebook `storage`, makes room for `count` contacts and fills it with
// "Contact <i>" at "+62812<100000 + i>"; the bytes of the card's answer to a read of them all.
inline std::size_t FillPhonebook(sim::CardSimulator& card, const std::string& storage, int count) {
    card.Control("pb-clear " + storage);
    card.Control("pb-capacity " + storage + " " + std::to_string(count));
    std::size_t answer_bytes = std::strlen("\r\nOK\r\n");
    for (int i = 0; i < count; ++i) {
        const std::string number = "+62812" + std::to_string(100000 + i);
        const std::string name = "Contact " + std::to_string(i);
        card.Control("pb-add " + storage + " " + number + " " + name);
        // "\r\n+CPBR: <i>,"<number>",145,"<name>"\r\n"
        answer_bytes += 2 + std::strlen("+CPBR: ") + std::to_string(i + 1).size() + 2 +
                        number.size() + 2 + 3 + 2 + name.size() + 1 + 2;
    }
    return answer_bytes;
}

class SimCardBench {
public:
    // `name` tells the benchmark's temporary folder apart: /tmp/dedevev-bench-<name>-XXXXXX.
    SimCardBench(const char* name, int argc, char** argv)
        : name_(name), cdma_(argc > 1 && std::strcmp(argv[1], "--kind=cdma") == 0) {}
    ~SimCardBench() { Finish(); }
    SimCardBench(const SimCardBench&) = delete;
    SimCardBench& operator=(const SimCardBench&) = delete;

    // Makes the folder, starts the card and opens the agent on its AT port; false, with the
    // reason on stderr, when any of them fails.
    bool Start() {
        std::string pattern = "/tmp/dedevev-bench-" + name_ + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return false;
        folder_ = pattern;
        sim::SimOptions options;
        options.kind = cdma_ ? sim::CardKind::kCdma : sim::CardKind::kGsm;
        options.device_dir = folder_ + "/devices";
        card_ = std::make_unique<sim::CardSimulator>(options);
        std::string error;
        if (!card_->Start(&error)) {
            std::fprintf(stderr, "card: %s\n", error.c_str());
            return false;
        }
        agent_ = CreateModemAgent();
        int status = kStatusUntouched;
        if (!agent_->Open(card_->AtPortPath(), 115200, &status)) {
            std::fprintf(stderr, "cannot open the card\n");
            return false;
        }
        return true;
    }

    const char* KindName() const { return cdma_ ? "cdma" : "gsm"; }
    sim::CardSimulator& Card() { return *card_; }
    IModemAgent* Agent() { return agent_; }

    // Has the card answer every command after kLatencyMs from now on.
    void SlowCard() { card_->Control("latency " + std::to_string(kLatencyMs)); }
    void ClearLog() { card_->Control("log clear"); }
    // The AT commands the card received since the log was last cleared.
    int CommandsLogged() { return CountCommands(card_->Control("log"), "\"AT"); }

    // Releases the agent, stops the card and removes the folder; false when the folder could
    // not be removed.
    bool Finish() {
        if (agent_ != nullptr)
            ReleaseModemAgent(agent_);
        agent_ = nullptr;
        if (card_)
            card_->Stop();
        card_.reset();
        if (folder_.empty())
            return true;
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
        folder_.clear();
        return !error;
    }

private:
    std::string name_;
    bool cdma_;
    std::string folder_;
    std::unique_ptr<sim::CardSimulator> card_;
    IModemAgent* agent_ = nullptr;
};

}  // namespace dedevev::bench

// Loading a phonebook of 250 entries from the simulated card answering every command after
// 20 ms. The aim: at most 2 commands (counted in the card's log), also for the first load, and at
// most 1.3 times the card's latency for those commands plus the time the answer takes to cross a
// 115200 baud line.
//
//   ./build/default/bin/dedevev_bench_pb [--kind=gsm|cdma]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/DeviceStatus.h"
#include "device/at/ModemAgent.h"
#include "sim/CardSimulator.h"

namespace {

using Clock = std::chrono::steady_clock;

int CountCommands(const std::string& log, const std::string& prefix) {
    int count = 0;
    for (std::size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1))
        ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace dedevev;
    const bool cdma = argc > 1 && std::strcmp(argv[1], "--kind=cdma") == 0;
    char folder[] = "/tmp/dedevev-bench-pb-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    sim::SimOptions options;
    options.kind = cdma ? sim::CardKind::kCdma : sim::CardKind::kGsm;
    options.device_dir = std::string(folder) + "/devices";
    sim::CardSimulator card(options);
    std::string error;
    if (!card.Start(&error)) {
        std::fprintf(stderr, "card: %s\n", error.c_str());
        return 1;
    }
    IModemAgent* agent = CreateModemAgent();
    int status = kStatusUntouched;
    if (!agent->Open(card.AtPortPath(), 115200, &status)) {
        std::fprintf(stderr, "cannot open the card\n");
        return 1;
    }
    agent->GetDeviceControl()->ConfigureA(0, &status);
    card.Control("pb-clear SM");
    card.Control("pb-capacity SM 250");
    std::size_t answer_bytes = std::strlen("\r\nOK\r\n");
    for (int i = 0; i < 250; ++i) {
        const std::string number = "+62812" + std::to_string(100000 + i);
        const std::string name = "Contact " + std::to_string(i);
        card.Control("pb-add SM " + number + " " + name);
        // "\r\n+CPBR: <i>,"<number>",145,"<name>"\r\n"
        answer_bytes += 2 + std::strlen("+CPBR: ") + std::to_string(i + 1).size() + 2 +
                        number.size() + 2 + 3 + 2 + name.size() + 1 + 2;
    }
    IPhonebook* book = agent->GetPhonebookStore()->GetUimPhonebook();

    // The first load after the port opened also learns the storage's range and field lengths;
    // the second is a plain reload. Both are held to the same aim.
    constexpr int kLatencyMs = 20;
    card.Control("latency " + std::to_string(kLatencyMs));
    const double transfer_ms = static_cast<double>(answer_bytes) * 10.0 / 115200.0 * 1000.0;
    std::printf("kind: %s\n", cdma ? "cdma" : "gsm");
    bool ok = true;
    for (const char* which : {"first load", "reload"}) {
        card.Control("log clear");
        status = kStatusUntouched;
        const Clock::time_point start = Clock::now();
        book->Load(nullptr, &status);
        const double took_ms =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const int commands = CountCommands(card.Control("log"), "\"AT");
        const double bound_ms = 1.3 * (commands * kLatencyMs + transfer_ms);
        std::printf(
            "%s: %d of capacity %d (status %d); %d commands (aim <= 2); %.1f ms; card latency "
            "%d ms x %d + transfer of %zu bytes at 115200 baud %.1f ms; aim <= %.1f ms (%s)\n",
            which, book->GetCount(), book->GetCapacity(), status, commands, took_ms, kLatencyMs,
            commands, answer_bytes, transfer_ms, bound_ms, took_ms <= bound_ms ? "met" : "missed");
        ok = ok && status == kStatusOk && book->GetCount() == 250 && commands <= 2 &&
             took_ms <= bound_ms;
    }
    ReleaseModemAgent(agent);
    card.Stop();
    const std::string cleanup = std::string("rm -rf ") + folder;
    return std::system(cleanup.c_str()) == 0 && ok ? 0 : 2;
}

// Loading a card box of 100 messages from the simulated card answering every command after
// 20 ms. The aim: at most 2 commands (counted in the card's log) and at most 1.3 times the
// card's own latency for those commands plus the time the listing takes to cross a 115200 baud
// line.
//
//   ./build/default/bin/dedevev_bench_sms [--kind=gsm|cdma]

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "device/DeviceStatus.h"
#include "device/at/ModemAgent.h"
#include "device/at/SmsControl.h"
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
    char folder[] = "/tmp/dedevev-bench-sms-XXXXXX";
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
    ISmsControl* sms = agent->GetSmsControl();
    sms->SetMessageFormat(0, &status);
    // The modem's own memory holds 100 messages; new ones go there.
    sms->SetStorage("ME", "ME", "ME", &status);
    for (int i = 0; i < 100; ++i)
        card.Control("sms +62812" + std::to_string(100000 + i) + " Message number " +
                     std::to_string(i) + ": the quick brown fox jumps over the lazy dog");

    dynamic_cast<at::SmsControl*>(sms)->Family();  // asked once per port, not per load

    constexpr int kLatencyMs = 20;
    card.Control("latency " + std::to_string(kLatencyMs));
    card.Control("log clear");
    IMessageBox* box = sms->GetBox1();
    status = kStatusUntouched;
    const Clock::time_point start = Clock::now();
    box->Load(nullptr, &status);
    const double took_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const std::string log = card.Control("log");
    const int commands = CountCommands(log, "\"AT");

    // The listing's size on the wire: every message's header and PDU line.
    std::size_t listing_bytes = 0;
    for (int i = 0; i < box->GetCount(); ++i)
        listing_bytes += 20 + 2 * (box->GetAt(i).text.size() + 30);
    const double transfer_ms = listing_bytes * 10.0 / 115200.0 * 1000.0;
    const double bound_ms = 1.3 * (commands * kLatencyMs + transfer_ms);
    std::printf("kind: %s\n", cdma ? "cdma" : "gsm");
    std::printf("messages loaded: %d (status %d)\n", box->GetCount(), status);
    std::printf("commands: %d (aim <= 2)\n", commands);
    std::printf(
        "load: %.1f ms; card latency %d ms x %d + transfer of ~%zu bytes at 115200 baud "
        "%.1f ms; aim <= %.1f ms\n",
        took_ms, kLatencyMs, commands, listing_bytes, transfer_ms, bound_ms);
    ReleaseModemAgent(agent);
    card.Stop();
    std::string cleanup = std::string("rm -rf ") + folder;
    return std::system(cleanup.c_str()) == 0 && commands <= 2 ? 0 : 2;
}

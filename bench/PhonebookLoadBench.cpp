// Loading a phonebook of 250 entries from the simulated card answering every command after
// 20 ms. The aim: at most 2 commands (counted in the card's log), also for the first load, and at
// most 1.3 times the card's latency for those commands plus the time the answer takes to cross a
// 115200 baud line.
//
//   ./build/default/bin/dedevev_bench_pb [--kind=gsm|cdma]

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/SimCardBench.h"
#include "device/DeviceStatus.h"

int main(int argc, char** argv) {
    using namespace dedevev;
    bench::SimCardBench harness("pb", argc, argv);
    if (!harness.Start())
        return 1;
    sim::CardSimulator& card = harness.Card();
    int status = kStatusUntouched;
    harness.Agent()->GetDeviceControl()->ConfigureA(0, &status);
    const std::size_t answer_bytes = bench::FillPhonebook(card, "SM", 250);
    IPhonebook* book = harness.Agent()->GetPhonebookStore()->GetUimPhonebook();

    // The first load after the port opened also learns the storage's range and field lengths;
    // the second is a plain reload. Both are held to the same aim.
    harness.SlowCard();
    const double transfer_ms = bench::TransferMs(answer_bytes);
    std::printf("kind: %s\n", harness.KindName());
    bool ok = true;
    for (const char* which : {"first load", "reload"}) {
        harness.ClearLog();
        status = kStatusUntouched;
        const bench::Clock::time_point start = bench::Clock::now();
        book->Load(nullptr, &status);
        const double took_ms = bench::MillisSince(start);
        const int commands = harness.CommandsLogged();
        const double bound_ms = bench::AimMs(commands, transfer_ms);
        std::printf(
            "%s: %d of capacity %d (status %d); %d commands (aim <= 2); %.1f ms; card latency "
            "%d ms x %d + transfer of %zu bytes at 115200 baud %.1f ms; aim <= %.1f ms (%s)\n",
            which, book->GetCount(), book->GetCapacity(), status, commands, took_ms,
            bench::kLatencyMs, commands, answer_bytes, transfer_ms, bound_ms,
            took_ms <= bound_ms ? "met" : "missed");
        ok = ok && status == kStatusOk && book->GetCount() == 250 && commands <= 2 &&
             took_ms <= bound_ms;
    }
    return harness.Finish() && ok ? 0 : 2;
}

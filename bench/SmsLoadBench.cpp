// Loading a card box of 100 messages from the simulated card answering every command after
// 20 ms. The aim: at most 2 commands (counted in the card's log) and at most 1.3 times the
// card's own latency for those commands plus the time the listing takes to cross a 115200 baud
// line.
//
//   ./build/default/bin/dedevev_bench_sms [--kind=gsm|cdma]

#include <cstdio>
#include <string>

#include "bench/SimCardBench.h"
#include "device/DeviceStatus.h"
#include "device/at/features/SmsControl.h"

int main(int argc, char** argv) {
    using namespace dedevev;
    bench::SimCardBench harness("sms", argc, argv);
    if (!harness.Start())
        return 1;
    sim::CardSimulator& card = harness.Card();
    int status = kStatusUntouched;
    ISmsControl* sms = harness.Agent()->GetSmsControl();
    sms->SetMessageFormat(0, &status);
    // The modem's own memory holds 100 messages; new ones go there.
    sms->SetStorage("ME", "ME", "ME", &status);
    for (int i = 0; i < 100; ++i)
        card.Control("sms +62812" + std::to_string(100000 + i) + " Message number " +
                     std::to_string(i) + ": the quick brown fox jumps over the lazy dog");

    dynamic_cast<at::SmsControl*>(sms)->Family();  // asked once per port, not per load

    harness.SlowCard();
    harness.ClearLog();
    IMessageBox* box = sms->GetBox1();
    status = kStatusUntouched;
    const bench::Clock::time_point start = bench::Clock::now();
    box->Load(nullptr, &status);
    const double took_ms = bench::MillisSince(start);
    const int commands = harness.CommandsLogged();

    // The listing's size on the wire: every message's header and PDU line.
    std::size_t listing_bytes = 0;
    for (int i = 0; i < box->GetCount(); ++i)
        listing_bytes += 20 + 2 * (box->GetAt(i).text.size() + 30);
    const double transfer_ms = bench::TransferMs(listing_bytes);
    const double bound_ms = bench::AimMs(commands, transfer_ms);
    std::printf("kind: %s\n", harness.KindName());
    std::printf("messages loaded: %d (status %d)\n", box->GetCount(), status);
    std::printf("commands: %d (aim <= 2)\n", commands);
    std::printf(
        "load: %.1f ms; card latency %d ms x %d + transfer of ~%zu bytes at 115200 baud "
        "%.1f ms; aim <= %.1f ms\n",
        took_ms, bench::kLatencyMs, commands, listing_bytes, transfer_ms, bound_ms);
    return harness.Finish() && commands <= 2 ? 0 : 2;
}

// Bringing the simulated link up on the simulated card answering every command after 20 ms:
// from Dial() to the "connected" state, five times. The aim: at most 1.3 times the card's
// latency for the commands the dial sent on the data port (counted in the card's log) plus the
// time the echoes, the answers and the PAP exchange take to cross a 115200 baud line.
//
//   ./build/default/bin/dedevev_bench_dial [--kind=gsm|cdma]

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "bench/SimCardBench.h"
#include "device/at/transport/PppFrame.h"
#include "device/base/Utf.h"
#include "device/ppp/IPppClient.h"
#include "device/ppp/SimulatedLink.h"

namespace {

using namespace dedevev;

class ConnectedWatch final : public IRasListener {
public:
    void OnDialState(int state, int) override {
        std::lock_guard lock(mutex_);
        last_ = state;
        changed_.notify_all();
    }
    // Waits up to 10 s for the link to be up or down; true when it is up.
    bool AwaitEnd() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            return last_ == kDialStateConnected || last_ == kDialStateDisconnected;
        });
        return last_ == kDialStateConnected;
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        last_ = -1;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int last_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    bench::SimCardBench harness("dial", argc, argv);
    if (!harness.Start())
        return 1;
    sim::CardSimulator& card = harness.Card();
    const bool gsm = std::string(harness.KindName()) == "gsm";
    const std::string number = gsm ? "*99#" : "#777";
    // Echoes and answers of AT and ATD, the PAP request and its acknowledgement.
    const std::size_t line_bytes =
        std::string("AT\r\r\nOK\r\n").size() + ("ATD" + number + "\r").size() +
        std::string("\r\nCONNECT 7200000\r\n").size() +
        at::EncodePppFrame(at::kPppPap, at::PapRequestPacket(1, "user", "secret")).size() +
        at::EncodePppFrame(at::kPppPap, at::PapAnswerPacket(true, 1, "Welcome")).size();
    const double transfer_ms = bench::TransferMs(line_bytes);

    ConnectedWatch watch;
    std::unique_ptr<IPppClient> link = ppp::MakeSimulatedLink(nullptr);
    link->SetListener(&watch);
    DialParams params;
    params.device = Utf8ToUtf16(card.DataPortPath());
    params.number = Utf8ToUtf16(number);
    params.user = u"user";
    params.password = u"secret";
    harness.SlowCard();
    std::printf("kind: %s\n", harness.KindName());
    bool ok = true;
    for (int round = 1; round <= 5; ++round) {
        harness.ClearLog();
        watch.Reset();
        const bench::Clock::time_point start = bench::Clock::now();
        const bool dialled = link->Dial(params);
        const bool up = dialled && watch.AwaitEnd();
        const double took_ms = bench::MillisSince(start);
        const int commands = bench::CountCommands(card.Control("log"), "\"data: AT");
        const double bound_ms = bench::AimMs(commands, transfer_ms);
        std::printf(
            "dial %d: %s; %d commands; %.1f ms; card latency %d ms x %d = %d ms + transfer of "
            "%zu bytes at 115200 baud %.1f ms; aim <= %.1f ms (%s)\n",
            round, up ? "connected" : "not connected", commands, took_ms, bench::kLatencyMs,
            commands, bench::kLatencyMs * commands, line_bytes, transfer_ms, bound_ms,
            up && took_ms <= bound_ms ? "met" : "missed");
        ok = ok && up && took_ms <= bound_ms;
        link->HangUp();
    }
    link.reset();
    return harness.Finish() && ok ? 0 : 2;
}

// Loading a phonebook of 250 entries from the simulated card (every command answered after
// 20 ms) through the loading job, with a progress window that keeps every step and text as
// the real one would, next to the modem library's own load of the same book. The aim is the
// library's: at most 2 commands, and at most 1.3 times the card's latency for those commands
// plus the time the answer takes to cross a 115200 baud line.
//
//   ./build/default/bin/dedevev_bench_pb_load [--kind=gsm|cdma]

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "bench/SimCardBench.h"
#include "device/DeviceStatus.h"
#include "phonebook/PhonebookWorkers.h"
#include "resources/Localizer.h"

namespace {

using namespace dedevev;

// What a progress window takes from the job: every step and text, kept under a lock since
// they arrive on the job's thread.
class RecordingWindow : public IProgressSink {
public:
    void OnProgressStep(int step, int total) override {
        std::lock_guard<std::mutex> lock(mutex_);
        step_ = step;
        total_ = total;
        ++steps_;
    }
    void OnProgressText(const std::u16string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.push_back(text);
    }
    void OnJobEnded() override {}
    std::string Summary() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::to_string(steps_) + " steps (last " + std::to_string(step_) + "/" +
               std::to_string(total_) + "), " + std::to_string(texts_.size()) + " texts";
    }

private:
    std::mutex mutex_;
    int step_ = 0;
    int total_ = 0;
    int steps_ = 0;
    std::vector<std::u16string> texts_;
};

}  // namespace

int main(int argc, char** argv) {
    bench::SimCardBench harness("pbjob", argc, argv);
    if (!harness.Start())
        return 1;
    sim::CardSimulator& card = harness.Card();
    int status = kStatusUntouched;
    harness.Agent()->GetDeviceControl()->ConfigureA(0, &status);
    const std::size_t answer_bytes = bench::FillPhonebook(card, "SM", 250);
    IPhonebook* book = harness.Agent()->GetPhonebookStore()->GetUimPhonebook();
    CLocalizer texts;
    texts.LoadBytes("[DlgPB]\nLoadingPB=Loading contacts...\n");

    harness.SlowCard();
    const double transfer_ms = bench::TransferMs(answer_bytes);
    std::printf("kind: %s\n", harness.KindName());
    bool ok = true;
    // The first load also learns the storage's range; then the library's own reload and the
    // job's reload of the same book.
    for (const char* which : {"job, first load", "library, reload", "job, reload"}) {
        const bool job_load = which[0] == 'j';
        RecordingWindow window;
        harness.ClearLog();
        status = kStatusUntouched;
        const bench::Clock::time_point start = bench::Clock::now();
        if (job_load) {
            CThreadLoadPB job(book, &texts);
            job.SetProgressWindow(&window);
            job.Start();
            job.Wait(std::chrono::minutes(2));
            status = job.Loaded() ? kStatusOk : kStatusUntouched;
        } else {
            book->Load(nullptr, &status);
        }
        const double took_ms = bench::MillisSince(start);
        const int commands = harness.CommandsLogged();
        const double bound_ms = bench::AimMs(commands, transfer_ms);
        std::printf(
            "%s: %d entries (status %d); %d commands (aim <= 2); %.1f ms; aim <= %.1f ms "
            "(%s)%s%s\n",
            which, book->GetCount(), status, commands, took_ms, bound_ms,
            took_ms <= bound_ms ? "met" : "missed", job_load ? "; window: " : "",
            job_load ? window.Summary().c_str() : "");
        ok = ok && status == kStatusOk && book->GetCount() == 250 && commands <= 2 &&
             took_ms <= bound_ms;
    }
    return harness.Finish() && ok ? 0 : 2;
}

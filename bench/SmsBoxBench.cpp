// A PC message box of 10,000 messages: loading and saving its file next to what /usr/bin/iconv
// takes to turn the same file into UTF-8 and back. The aim: load plus save at most 3 times the
// iconv round trip.
//
//   ./build/default/bin/dedevev_bench_sms_box

#include <string>
#include <vector>

#include "bench/IconvRatio.h"
#include "sms/SMSBoxPC.h"

namespace {

using dedevev::bench::Folder;

constexpr int kMessages = dedevev::CSMSBoxPC::kCapacity;

// A box file with kMessages messages, newest first: short and long texts, some over several
// lines, some outside ASCII.
const std::string& BoxFile() {
    static const std::string path = [] {
        std::vector<dedevev::SMSMessage> messages(kMessages);
        for (int i = 0; i < kMessages; ++i) {
            dedevev::SMSMessage& m = messages[static_cast<std::size_t>(i)];
            const int age = i / 4;
            m.time = {2009 - age / 300, 12 - age / 30 % 12, 28 - age % 28, 23 - i % 24, 59, 30};
            m.number = "+62812" + std::to_string(100000 + i % 500);
            m.status = i % 4;
            m.text = i % 5 == 0   ? "Sampai jumpa di stasiun jam 6.\r\nJangan lupa tiketnya!"
                     : i % 5 == 1 ? "Ok"
                     : i % 5 == 2 ? "Selamat ulang tahun, semoga sehat selalu — Āditya"
                                  : std::string(150, 'x') + std::to_string(i);
        }
        dedevev::CSMSBoxPC box;
        box.Parse(dedevev::SerialiseMessages(messages));
        const std::string file = Folder() + "BoxIn.dat";
        box.Save(file);
        return file;
    }();
    return path;
}

void BM_SmsBoxLoadSave(benchmark::State& state) {
    const std::string out = Folder() + "saved.dat";
    for (auto _ : state) {
        dedevev::CSMSBoxPC box;
        if (!box.Load(BoxFile()) || box.GetCount() != kMessages || !box.Save(out))
            state.SkipWithError("load or save failed");
    }
}
BENCHMARK(BM_SmsBoxLoadSave)->Unit(benchmark::kMillisecond);

void BM_IconvRoundTrip(benchmark::State& state) {
    dedevev::bench::IconvRoundTrip(state, BoxFile());
}
BENCHMARK(BM_IconvRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::string what = std::to_string(kMessages) + " messages";
    return dedevev::bench::RunAgainstIconv(argc, argv, what.c_str(), "BM_SmsBoxLoadSave",
                                           "BM_IconvRoundTrip", 3.0);
}

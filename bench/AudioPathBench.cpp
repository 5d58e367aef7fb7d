// The voice path's latency and CPU cost, with the test sound card standing in for the PC's.
//
// BM_PortToSpeaker / BM_MicrophoneToPort: one marker pulse at a time over a pty that the
// benchmark holds as the card's end, from the moment it is written (on the pty, or into the
// microphone) to the moment it is seen (at the speaker, on the pty). Aim: under 60 ms each.
// BM_RoundTripOnCard: microphone -> voice port -> the simulated card's echo -> speaker.
// BM_CallCpu: a call talking for a few seconds with the microphone paced at one block every
// 20 ms; the card is `dedevev-cardsim` running as a process of its own, so the CPU time
// counted (getrusage of this process: the library's threads, the test card's thread and the
// pacing) is the program's side only. Aim: under 3 % of one core.
//
//   build/default/bin/dedevev_bench_audio

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/audio/IAudioLib.h"
#include "tests/support/FakeSoundCard.h"

namespace {

using namespace dedevev;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::int16_t kPulse = 20000;  // louder than anything else on the path

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// Whether the speaker has played a pulse sample at or after `from`.
bool PulseHeard(const test::FakeSoundCard& card, std::size_t from) {
    const auto heard = card.SpeakerSamples();
    return std::find(heard.begin() + static_cast<long>(std::min(from, heard.size())), heard.end(),
                     kPulse) != heard.end();
}

// The library on `port` with a test sound card, all four streams started.
struct Path {
    explicit Path(const std::string& port) {
        auto owned = std::make_unique<test::FakeSoundCard>();
        card = owned.get();
        lib = audio::CreateAudioLib(port, audio::kVoicePortBaud, std::move(owned));
        for (int i = 0; i < 4 && ok; ++i)
            ok = lib->Stream(i)->Open();
        for (int i = 0; i < 4 && ok; ++i)
            ok = lib->Stream(i)->Start();
    }
    ~Path() { audio::ReleaseAudioLib(lib); }
    test::FakeSoundCard* card = nullptr;
    audio::IAudioLib* lib = nullptr;
    bool ok = true;
};

std::string PulseBlockBytes() {
    std::string block(audio::kBlockBytes, '\0');
    for (std::size_t i = 0; i < audio::kBlockSamples; ++i) {
        block[2 * i] = static_cast<char>(kPulse & 0xFF);
        block[2 * i + 1] = static_cast<char>(kPulse >> 8);
    }
    return block;
}

// Whether `path` runs; the benchmark is skipped with the library's reason when not.
bool Running(benchmark::State& state, const Path& path) {
    if (!path.ok)
        state.SkipWithError(path.lib->LastError().c_str());
    return path.ok;
}

// Waits until the speaker plays a pulse at or after sample `from`; false (the benchmark
// skipped) after 2 s.
bool AwaitSpeakerPulse(benchmark::State& state, const Path& path, std::size_t from,
                       Clock::time_point start) {
    while (!PulseHeard(*path.card, from)) {
        if (SecondsSince(start) > 2) {
            state.SkipWithError("the pulse never reached the speaker");
            return false;
        }
        Pause();
    }
    return true;
}

// A pty whose master the benchmark holds as the card's end of the voice port.
struct CardEnd {
    CardEnd() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        char name[128] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0)
            return;
        slave = name;
        termios tio{};
        const int fd = open(name, O_RDWR | O_NOCTTY);
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        close(fd);
    }
    ~CardEnd() { close(master); }
    // Reads one whole block and tells whether it was the pulse; false after 2 s. The microphone
    // is silent between pulses, so every block on the port is one.
    bool AwaitPulse() {
        std::string got;
        const auto limit = Clock::now() + std::chrono::seconds(2);
        while (got.size() < audio::kBlockBytes && Clock::now() < limit) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buffer[audio::kBlockBytes];
            const ssize_t n = read(master, buffer, audio::kBlockBytes - got.size());
            if (n > 0)
                got.append(buffer, static_cast<std::size_t>(n));
        }
        return got.size() == audio::kBlockBytes && got == PulseBlockBytes();
    }
    int master = -1;
    std::string slave;
};

void BM_PortToSpeaker(benchmark::State& state) {
    CardEnd end;
    Path path(end.slave);
    if (!Running(state, path))
        return;
    const std::string pulse = PulseBlockBytes();
    for (auto _ : state) {
        const std::size_t from = path.card->SpeakerCount();
        const auto start = Clock::now();
        if (write(end.master, pulse.data(), pulse.size()) != static_cast<ssize_t>(pulse.size())) {
            state.SkipWithError("cannot write the pty");
            return;
        }
        if (!AwaitSpeakerPulse(state, path, from, start))
            return;
        state.SetIterationTime(SecondsSince(start));
    }
}

void BM_MicrophoneToPort(benchmark::State& state) {
    CardEnd end;
    Path path(end.slave);
    if (!Running(state, path))
        return;
    const std::vector<std::int16_t> pulse(audio::kBlockSamples, kPulse);
    for (auto _ : state) {
        const auto start = Clock::now();
        path.card->Speak(pulse);
        if (!end.AwaitPulse()) {
            state.SkipWithError("the pulse never reached the port");
            return;
        }
        state.SetIterationTime(SecondsSince(start));
    }
}

// ---- On dedevev-cardsim

// A GSM card in a process of its own with a call talking and its voice path on.
struct CardProcess {
    CardProcess() {
        dir = fs::temp_directory_path() / ("dedevev-audio-bench-" + std::to_string(getpid()));
        fs::create_directories(dir);
        const fs::path program =
            fs::read_symlink("/proc/self/exe").parent_path() / "dedevev-cardsim";
        const std::string command =
            program.string() + " --gsm --background --dir '" + dir.string() + "'";
        FILE* out = popen(command.c_str(), "r");
        if (out == nullptr)
            return;
        char line[512];
        while (fgets(line, sizeof line, out)) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            if (text.rfind("pid=", 0) == 0)
                pid = std::atoi(text.c_str() + 4);
            else if (text.rfind("at=", 0) == 0)
                at = text.substr(3);
            else if (text.rfind("voice=", 0) == 0)
                voice = text.substr(6);
            if (text.rfind("announcement=", 0) == 0)
                break;
        }
        pclose(out);
        ok = pid > 0 && !at.empty() && !voice.empty() && Talk();
    }
    ~CardProcess() {
        if (at_fd >= 0)
            close(at_fd);
        if (pid > 0)
            kill(pid, SIGTERM);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    // Dials; the card answers by itself after a second; then the voice path goes on.
    bool Talk() {
        at_fd = open(at.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (at_fd < 0)
            return false;
        termios tio{};
        tcgetattr(at_fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(at_fd, TCSANOW, &tio);
        return Command("ATE0", "OK") && Command("ATD123;", "^DDCONN") &&
               Command("AT^DDVOICE=1", "OK");
    }
    bool Command(const std::string& line, const std::string& until) {
        const std::string bytes = line + "\r";
        if (write(at_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            return false;
        std::string got;
        const auto limit = Clock::now() + std::chrono::seconds(5);
        while (got.find(until) == std::string::npos && Clock::now() < limit) {
            pollfd p{at_fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = read(at_fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, static_cast<std::size_t>(n));
        }
        return got.find(until) != std::string::npos;
    }

    fs::path dir;
    int pid = -1;
    int at_fd = -1;
    std::string at;
    std::string voice;
    bool ok = false;
};

// The library on the card's voice port; null (the benchmark skipped) when there is no call or
// the path does not run.
std::unique_ptr<Path> PathOnCard(benchmark::State& state, const CardProcess& card) {
    if (!card.ok) {
        state.SkipWithError("dedevev-cardsim did not start a call");
        return nullptr;
    }
    auto path = std::make_unique<Path>(card.voice);
    return Running(state, *path) ? std::move(path) : nullptr;
}

void BM_RoundTripOnCard(benchmark::State& state) {
    CardProcess card;
    const std::unique_ptr<Path> running = PathOnCard(state, card);
    if (!running)
        return;
    Path& path = *running;
    const std::vector<std::int16_t> pulse(audio::kBlockSamples, kPulse);
    for (auto _ : state) {
        const std::size_t from = path.card->SpeakerCount();
        const auto start = Clock::now();
        path.card->Speak(pulse);
        if (!AwaitSpeakerPulse(state, path, from, start))
            return;
        state.SetIterationTime(SecondsSince(start));
        // Let the card's echo run dry, so the next pulse does not wait behind this one.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
}

void BM_CallCpu(benchmark::State& state) {
    CardProcess card;
    const std::unique_ptr<Path> running = PathOnCard(state, card);
    if (!running)
        return;
    Path& path = *running;
    std::vector<std::int16_t> block(audio::kBlockSamples);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::int16_t>((i % 20) * 100);
    const int blocks = static_cast<int>(state.range(0)) * 1000 / audio::kBlockMs;
    double cpu = 0;
    double wall = 0;
    std::size_t played = 0;
    for (auto _ : state) {
        const double cpu_start = CpuSeconds();
        const auto start = Clock::now();
        const std::size_t played_start = path.card->SpeakerCount();
        for (int i = 0; i < blocks; ++i) {
            path.card->Speak(block);
            std::this_thread::sleep_until(start +
                                          std::chrono::milliseconds(audio::kBlockMs) * (i + 1));
        }
        cpu += CpuSeconds() - cpu_start;
        wall += SecondsSince(start);
        played += path.card->SpeakerCount() - played_start;
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["speaker_seconds"] =
        static_cast<double>(played) / audio::kSampleRate / static_cast<double>(state.iterations());
}

BENCHMARK(BM_PortToSpeaker)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MicrophoneToPort)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundTripOnCard)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CallCpu)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

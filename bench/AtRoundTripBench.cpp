// One AT round trip through the engine next to a bare write/read round trip over the same
// kind of pty pair. On the master side a responder answers every command (up to CR) with
// "\r\nOK\r\n". The engine adds its reader thread, the hand-over to the waiting caller and
// the answer's parsing; the aim is at most 1.5 times the bare round trip.
//
//   ./build/default/bin/dedevev_bench_at --benchmark_repetitions=5

#include <benchmark/benchmark.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "device/at/transport/AtChannel.h"

namespace {

void MakeRaw(int fd) {
    termios tio;
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
}

// A pty pair whose master answers "OK" to every command, on its own thread.
class OkResponder {
public:
    OkResponder() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof(name)) != 0)
            return;
        slave_path_ = name;
        ::pipe2(stop_pipe_, O_CLOEXEC);
        thread_ = std::thread([this] { Run(); });
    }
    ~OkResponder() {
        (void)!::write(stop_pipe_[1], "x", 1);
        if (thread_.joinable())
            thread_.join();
        ::close(stop_pipe_[0]);
        ::close(stop_pipe_[1]);
        ::close(master_);
    }
    const std::string& SlavePath() const { return slave_path_; }
    int OpenSlave() const {
        const int fd = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0)
            MakeRaw(fd);
        return fd;
    }

private:
    void Run() {
        char buffer[256];
        for (;;) {
            pollfd fds[2] = {{master_, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
            ::poll(fds, 2, -1);
            if (fds[1].revents)
                return;
            const ssize_t n =
                (fds[0].revents & POLLIN) ? ::read(master_, buffer, sizeof(buffer)) : -1;
            if (n <= 0) {
                // No slave open at the moment.
                pollfd stop{stop_pipe_[0], POLLIN, 0};
                ::poll(&stop, 1, 2);
                continue;
            }
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == '\r')
                    (void)!::write(master_, "\r\nOK\r\n", 6);
            }
        }
    }

    int master_ = -1;
    int stop_pipe_[2] = {-1, -1};
    std::string slave_path_;
    std::thread thread_;
};

void BM_BareRoundTrip(benchmark::State& state) {
    OkResponder responder;
    const int fd = responder.OpenSlave();
    if (fd < 0) {
        state.SkipWithError("no pty");
        return;
    }
    char buffer[256];
    for (auto _ : state) {
        if (::write(fd, "AT\r", 3) != 3) {
            state.SkipWithError("write failed");
            break;
        }
        // Read up to the end of "\r\nOK\r\n", as a minimal client would.
        std::string answer;
        while (answer.size() < 6 || answer.compare(answer.size() - 4, 4, "OK\r\n") != 0) {
            const ssize_t n = ::read(fd, buffer, sizeof(buffer));
            if (n <= 0) {
                state.SkipWithError("read failed");
                break;
            }
            answer.append(buffer, static_cast<std::size_t>(n));
        }
        benchmark::DoNotOptimize(answer);
    }
    ::close(fd);
}
BENCHMARK(BM_BareRoundTrip)->UseRealTime();

void BM_EngineRoundTrip(benchmark::State& state) {
    OkResponder responder;
    dedevev::at::AtChannel channel;
    std::string error;
    if (!channel.Open(responder.SlavePath(), 115200, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        const dedevev::at::Response response = channel.Send("AT");
        if (!response.Ok()) {
            state.SkipWithError("no OK");
            break;
        }
        benchmark::DoNotOptimize(response);
    }
}
BENCHMARK(BM_EngineRoundTrip)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

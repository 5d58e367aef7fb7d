// CPU time of the program while connected: the network page with its dial-up session on the
// simulated link, statistics every second and the rate chart redrawn, against a simulated card
// running as a process of its own (so that only the program is measured). Figures are printed,
// never asserted. Aim: under 2 % of one core.
//
//   build/default/bin/dedevev_bench_connected [seconds]   (default 30; down 100000 B/s)

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "connection/Connection.h"
#include "connection/views/DlgNet.h"
#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "device/base/Utf.h"
#include "device/probe/SimulatedCards.h"

extern char** environ;

namespace {

using namespace dedevev;
namespace fs = std::filesystem;

fs::path BinFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

int Run(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(args);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop until `done` holds or `limit` passes; whether it held.
template <typename F>
bool SpinUntil(F done, std::chrono::milliseconds limit) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit.count())
            return false;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    if (std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string folder = "/tmp/dedevev-bench-connected-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr)
        return 1;
    const std::string devices = folder + "/devices";
    setenv("DEDEVEV_DEVICE_DIR", devices.c_str(), 1);  // the dial-up library looks here too
    setenv("XDG_DATA_HOME", folder.c_str(), 1);

    const std::string cardsim = (BinFolder() / "dedevev-cardsim").string();
    const pid_t card = Spawn({cardsim, "--dir", devices, "--foreground"});
    std::optional<probe::Announcement> found;
    for (int i = 0; i < 200 && !(found = probe::FindSimulatedCard(devices)); ++i)
        usleep(50000);
    if (card < 0 || !found) {
        std::fprintf(stderr, "the simulated card did not start\n");
        return 1;
    }
    Run({cardsim, "ctl", "--dir", devices, "data-rate", "100000", "20000"});

    IModemAgent* agent = CreateModemAgent();
    int status = kStatusUntouched;
    if (!agent->Open(found->at, 115200, &status)) {
        std::fprintf(stderr, "cannot open the card\n");
        return 1;
    }

    QApplication app(argc, argv);
    CGlobalService::Instance().SwitchLanguage((BinFolder() / "Localize/English.txt").string());
    CGlobalService::Instance().SwitchSkin((BinFolder() / "Skin/Skin.txt").string());

    ConnectionEnvironment env = DefaultConnectionEnvironment();
    env.device_control = [agent] { return agent->GetDeviceControl(); };
    env.data_port = [data = found->data] { return data; };
    env.control_port = env.data_port;
    env.dial_setting = [] { return CurrentSettings().dial; };
    CDlgNet page(nullptr, std::move(env));
    page.show();

    int result = 0;
    if (!page.ToggleConnection() ||
        !SpinUntil([&] { return page.Connection().IsConnected(); }, std::chrono::seconds(20))) {
        std::fprintf(stderr, "the link did not come up\n");
        result = 1;
    } else {
        SpinUntil([] { return false; }, std::chrono::milliseconds(2000));  // settle
        const double cpu_before = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        SpinUntil([] { return false; }, std::chrono::seconds(seconds));
        const double cpu = CpuSeconds() - cpu_before;
        const double elapsed = wall.elapsed() / 1000.0;
        SessionStats stats;
        page.Connection().GetStatistics(&stats);
        const double percent = 100.0 * cpu / elapsed;
        std::printf("connected for %.1f s: CPU %.3f s = %.2f %% of one core (aim < 2 %%) %s\n",
                    elapsed, cpu, percent, percent < 2.0 ? "met" : "NOT met");
        std::printf("link: %llu bytes received, %llu sent in %u s\n",
                    static_cast<unsigned long long>(stats.bytes_received),
                    static_cast<unsigned long long>(stats.bytes_sent), stats.duration);
    }
    page.StopAndWait();
    ReleaseModemAgent(agent);
    kill(card, SIGTERM);
    waitpid(card, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return result;
}

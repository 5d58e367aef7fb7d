// dedevev-cardsim: a simulated USB data card on pseudo-terminals, for trying DEDEVev without
// hardware and for tests; `dedevev-cardsim ctl <command>` drives a running card.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim/Announcement.h"
#include "sim/CardSimulator.h"
#include "sim/ControlProtocol.h"

namespace {

using dedevev::sim::CardSimulator;
using dedevev::sim::SimOptions;

const char kUsage[] =
    "Usage:\n"
    "  dedevev-cardsim [--gsm] [--name NAME] [--dir FOLDER] [--foreground | --background]\n"
    "  dedevev-cardsim ctl [--socket PATH | --dir FOLDER] COMMAND [ARGUMENT...]\n"
    "\n"
    "Runs a simulated DEDEVev data card: an AT port, a data port and a voice port on\n"
    "pseudo-terminals, announced in the simulated-device folder, until it is interrupted.\n"
    "\n"
    "  --gsm          a GSM/UMTS card (default: a CDMA/EV-DO card)\n"
    "  --name NAME    the name the card announces\n"
    "  --dir FOLDER   the simulated-device folder (default: $DEDEVEV_DEVICE_DIR, else\n"
    "                 $XDG_RUNTIME_DIR/dedevev/devices, else /tmp/dedevev-<uid>/devices)\n"
    "  --foreground   stay in the foreground (the default)\n"
    "  --background   print the card's ports once it runs and go on in the background\n"
    "  --help         this text\n"
    "\n"
    "ctl sends one control command to a running card (the first one announced, or the one\n"
    "whose control socket is given) and prints its answer line; the exit status is 0 for OK,\n"
    "1 for ERR and 2 when no card answers. `dedevev-cardsim ctl help` lists the commands,\n"
    "for example: signal 5, card pin, ussd-notify \"Hello\" expects-reply, pull, insert.\n";

int Control(int argc, char** argv) {
    std::string socket;
    std::string folder;
    std::vector<std::string> words;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (words.empty() && arg == "--socket" && i + 1 < argc) {
            socket = argv[++i];
        } else if (words.empty() && arg == "--dir" && i + 1 < argc) {
            folder = argv[++i];
        } else if (words.empty() && arg == "--") {
            continue;
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        std::cerr << "dedevev-cardsim ctl: no command given\n" << kUsage;
        return 2;
    }
    if (socket.empty()) {
        if (folder.empty())
            folder = dedevev::sim::DeviceFolder();
        socket = dedevev::sim::FindControlSocket(folder);
        if (socket.empty()) {
            std::cerr << "dedevev-cardsim ctl: no simulated card found in " << folder << "\n";
            return 2;
        }
    }
    std::string answer;
    std::string error;
    if (!dedevev::sim::SendControl(socket, dedevev::sim::JoinWords(words), &answer, &error)) {
        std::cerr << "dedevev-cardsim ctl: " << error << "\n";
        return 2;
    }
    std::cout << answer << "\n";
    return answer.rfind("OK", 0) == 0 ? 0 : 1;
}

std::string Describe(const CardSimulator& sim) {
    return "name=" + sim.Name() + "\nat=" + sim.AtPortPath() + "\ndata=" + sim.DataPortPath() +
           "\nvoice=" + sim.VoicePortPath() + "\ncontrol=" + sim.ControlPath() +
           "\nannouncement=" + sim.AnnouncementPath() + "\n";
}

// Runs the card until SIGINT, SIGTERM or SIGHUP. `ready_fd` (background mode) receives the
// description once the card runs, and is closed.
int Run(const SimOptions& options, int ready_fd) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    // Blocked before the card's thread starts, so that only sigwait below receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    CardSimulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        const std::string text = "dedevev-cardsim: " + error + "\n";
        if (ready_fd >= 0) {
            (void)!::write(ready_fd, text.data(), text.size());
            ::close(ready_fd);
        } else {
            std::cerr << text;
        }
        return 1;
    }
    const std::string description = Describe(sim);
    if (ready_fd >= 0) {
        const std::string text = "ready\n" + description;
        (void)!::write(ready_fd, text.data(), text.size());
        ::close(ready_fd);
    } else {
        std::cout << description << std::flush;
    }
    int received = 0;
    sigwait(&signals, &received);
    sim.Stop();
    return 0;
}

int Background(const SimOptions& options) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
        std::perror("dedevev-cardsim: pipe");
        return 1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("dedevev-cardsim: fork");
        return 1;
    }
    if (child == 0) {
        ::close(pipe_fds[0]);
        ::setsid();
        const int null_fd = ::open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            ::dup2(null_fd, 0);
            ::dup2(null_fd, 1);
            ::dup2(null_fd, 2);
        }
        ::_exit(Run(options, pipe_fds[1]));
    }
    ::close(pipe_fds[1]);
    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    if (report.rfind("ready\n", 0) != 0) {
        std::cerr << (report.empty() ? "dedevev-cardsim: the card did not start\n" : report);
        ::waitpid(child, nullptr, 0);
        return 1;
    }
    std::cout << "pid=" << child << "\n" << report.substr(6) << std::flush;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0)
        return Control(argc, argv);
    SimOptions options;
    bool background = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--gsm") {
            options.kind = dedevev::sim::CardKind::kGsm;
        } else if (arg == "--cdma") {
            options.kind = dedevev::sim::CardKind::kCdma;
        } else if (arg == "--name" && i + 1 < argc) {
            options.name = argv[++i];
        } else if (arg == "--dir" && i + 1 < argc) {
            options.device_dir = argv[++i];
        } else if (arg == "--foreground") {
            background = false;
        } else if (arg == "--background") {
            background = true;
        } else {
            std::cerr << "dedevev-cardsim: unknown option " << arg << "\n" << kUsage;
            return 2;
        }
    }
    return background ? Background(options) : Run(options, -1);
}

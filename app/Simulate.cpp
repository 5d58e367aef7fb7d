#include "app/Simulate.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/ProfileFile.h"
#include "sim/Announcement.h"
#include "sim/CardSimulator.h"

namespace dedevev::app {

namespace fs = std::filesystem;

namespace {

const char kSimulate[] = "--simulate";
const char kPin[] = "--pin";

bool IsOurs(const std::string& arg) {
    return arg == "--help" || arg == "-h" || arg == kSimulate || arg == kPin ||
           arg.rfind(std::string(kSimulate) + "=", 0) == 0;
}

std::string TrimSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

// The base the data folder is found in: $XDG_DATA_HOME when it is absolute (a relative one
// is ignored, as the data folder itself ignores it), else ~/.local/share.
std::string DataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        return TrimSlashes(xdg);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : TrimSlashes(home) + "/.local/share";
}

std::string RuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/')
        return TrimSlashes(runtime);
    return "/tmp/dedevev-" + std::to_string(::getuid());
}

// Folders "simulate-<pid>" left behind by a copy that was killed before it could clean up.
void RemoveAbandonedFolders(const std::string& parent) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("simulate-", 0) != 0)
            continue;
        const std::string digits = name.substr(9);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

// The demo card takes calls, so the demo's settings switch the voice page on. A folder that
// cannot be made only leaves the page off.
void EnableDemoVoice(const std::string& data_folder) {
    std::error_code ec;
    fs::create_directories(data_folder, ec);
    fs::permissions(data_folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (!WriteProfileString(data_folder + "/Set.dat", u"Options", u"EnableVoice", u"1"))
        std::fprintf(stderr, "dedevev: the demo's voice page stays off (%s not writable)\n",
                     data_folder.c_str());
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == kPin) {
            line.pin_locked = true;
        } else if (arg == kSimulate) {
            line.simulate = true;
            line.kind = sim::CardKind::kCdma;
        } else if (arg.rfind(std::string(kSimulate) + "=", 0) == 0) {
            const std::string kind = arg.substr(sizeof kSimulate);
            line.simulate = true;
            if (kind == "gsm") {
                line.kind = sim::CardKind::kGsm;
            } else if (kind == "cdma") {
                line.kind = sim::CardKind::kCdma;
            } else {
                line.error = "unknown card kind '" + kind + "' (cdma or gsm)";
            }
        }
    }
    if (line.pin_locked && !line.simulate && line.error.empty())
        line.error = "--pin works only with --simulate";
    return line;
}

std::vector<std::string> UnknownOptions(int argc, char** argv) {
    std::vector<std::string> unknown;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!arg.empty() && arg[0] == '-' && !IsOurs(arg))
            unknown.push_back(arg);
    }
    return unknown;
}

const char* UsageText() {
    return "Usage: dedevev [--simulate[=cdma|gsm] [--pin]] [Qt options]\n"
           "\n"
           "DEDEVev, a connection manager for USB data-card modems. Without options it looks\n"
           "for a real modem (USB, or a simulated card already running).\n"
           "\n"
           "  --simulate       run on a simulated CDMA/EV-DO card inside the program, with a\n"
           "                   demo data folder ($XDG_DATA_HOME/dedevev-demo, normally\n"
           "                   ~/.local/share/dedevev-demo) instead of your own data\n"
           "  --simulate=gsm   the same with a GSM/UMTS card\n"
           "  --pin            with --simulate: the card asks for its PIN at start-up\n"
           "                   (PIN 1234, PUK 12345678)\n"
           "  --help           this text\n"
           "\n"
           "With --simulate the card's control socket is printed on stderr; steer the card with\n"
           "  dedevev-cardsim ctl --socket <socket> signal 5     (or: pull, insert, card pin ...)\n"
           "\n"
           "Environment: DEDEVEV_DEVICE_DIR (simulated-device folder), DEDEVEV_RESOURCE_DIR,\n"
           "DEDEVEV_MESSAGE_LOG and DEDEVEV_EXIT_AFTER_MS (unattended runs).\n";
}

Simulation::Simulation(sim::CardKind kind, bool pin_locked)
    : kind_(kind), pin_locked_(pin_locked) {}

Simulation::~Simulation() {
    Stop();
}

bool Simulation::Prepare(std::string* error) {
    const std::string data_home = DataHome();
    if (data_home.empty()) {
        *error = "no home folder for the demo data (set HOME or XDG_DATA_HOME)";
        return false;
    }
    // The program's data folder becomes <data home>/dedevev-demo/Dataline/.
    ::setenv("XDG_DATA_HOME", (data_home + "/dedevev-demo").c_str(), 1);
    EnableDemoVoice(data_home + "/dedevev-demo/Dataline");

    if (const char* dir = std::getenv("DEDEVEV_DEVICE_DIR"); dir != nullptr && *dir != '\0') {
        // The caller's folder: used as it is and left in place.
        device_folder_ = TrimSlashes(dir);
        return sim::PrepareDeviceFolder(device_folder_, error);
    }
    // A folder of this copy alone, so the probe finds exactly this card and no card another
    // program announced. Each level is checked: nobody else may swap it under us.
    const std::string base = RuntimeFolder() + "/dedevev";
    const std::string root = base + "/simulate-" + std::to_string(::getpid());
    const std::string devices = root + "/devices";
    if (!sim::PrepareDeviceFolder(base, error))
        return false;
    RemoveAbandonedFolders(base);
    std::error_code ec;
    fs::remove_all(root, ec);  // a leftover of an earlier copy with the same pid
    if (!sim::PrepareDeviceFolder(root, error) || !sim::PrepareDeviceFolder(devices, error))
        return false;
    private_root_ = root;
    device_folder_ = devices;
    ::setenv("DEDEVEV_DEVICE_DIR", devices.c_str(), 1);
    return true;
}

bool Simulation::Start(std::string* error) {
    if (device_folder_.empty()) {
        *error = "the simulated-device folder is not prepared";
        return false;
    }
    sim::SimOptions options;
    options.kind = kind_;
    options.device_dir = device_folder_;
    card_ = std::make_unique<sim::CardSimulator>(options);
    if (!card_->Start(error)) {
        card_.reset();
        return false;
    }
    // A few contacts on the card, so that its phonebook pages have something to show.
    for (const char* entry : {"ME 0215550100 Kantor Pusat", "ME 081377788899 Rudi Hartono",
                              "SM 081234567890 Ayu Lestari", "SM 081398765432 Budi Santoso",
                              "SM 188 Layanan Pelanggan"})
        card_->Control(std::string("pb-add ") + entry);
    // And a few messages in the UIM inbox for the messages page.
    for (const char* message : {"081234567890 Halo, rapat jadi jam 3 sore di ruang 2.",
                                "188 Sisa kuota internet Anda 2.5 GB, berlaku s/d 31-12.",
                                "081398765432 Paketnya sudah sampai, terima kasih!"})
        card_->Control(std::string("sms ") + message);
    if (pin_locked_) {
        card_->Control(std::string("pin ") + kDemoPin);
        card_->Control(std::string("puk ") + kDemoPuk);
        card_->Control("card pin");
    }
    return true;
}

void Simulation::Stop() {
    if (card_) {
        card_->Stop();
        card_.reset();
    }
    if (!private_root_.empty()) {
        std::error_code ec;
        fs::remove_all(private_root_, ec);
        private_root_.clear();
    }
}

std::string Simulation::ControlPath() const {
    return card_ ? card_->ControlPath() : std::string();
}

}  // namespace dedevev::app

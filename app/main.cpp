// DEDEVev: connection manager for USB data-card modems.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/AppShell.h"
#include "app/Simulate.h"
#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/SoundPlayer.h"
#include "core/Startup.h"
#include "core/TextCodec.h"
#include "core/views/QtModemManagerGate.h"
#include "device/DeviceHolder.h"
#include "device/at/features/ModemAgent.h"
#include "device/audio/ISoundCard.h"
#include "device/probe/HardwareProbe.h"
#include "resources/TextTable.h"
#include "resources/views/QtSkin.h"
#include "resources/views/QtSoundCard.h"
#include "resources/views/QtSoundOutput.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the windows the normal way, so the exit sequence still saves
// the settings and releases the device.
void RouteTerminationSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signal_pipe[0], &byte, 1);
        QApplication::closeAllWindows();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget))
                dialog->reject();
        }
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// The modem library's traffic log goes to the data folder; ports the probe cannot find by
// itself come from the optional [Ports] section of Set.dat (not on the simulated card, which
// must be the one card the program finds).
void ConfigureDevices(bool simulated) {
    using dedevev::NativePath;
    using dedevev::Utf16ToUtf8;
    dedevev::at::SetLogFolder(NativePath(dedevev::DataFolder()));
    if (simulated)
        return;
    const dedevev::TextTable settings(NativePath(dedevev::DataFolder() + u"Set.dat"));
    const std::string at = Utf16ToUtf8(settings.Value(u"Ports", u"AT"));
    if (!at.empty()) {
        dedevev::probe::SetFixedHardwarePorts(dedevev::Devices().Hardware(), at,
                                              Utf16ToUtf8(settings.Value(u"Ports", u"Data")),
                                              Utf16ToUtf8(settings.Value(u"Ports", u"Voice")));
    }
}

// The program's sounds go through Qt Multimedia while the application object lives; the player
// is back to silence before Qt goes down.
class SoundOutputInstall {
public:
    SoundOutputInstall() { dedevev::SoundPlayer::Instance().SetOutput(&output_); }
    ~SoundOutputInstall() {
        dedevev::SoundPlayer::Instance().StopSound();
        dedevev::SoundPlayer::Instance().SetOutput(nullptr);
    }
    SoundOutputInstall(const SoundOutputInstall&) = delete;
    SoundOutputInstall& operator=(const SoundOutputInstall&) = delete;

private:
    dedevev::QtSoundOutput output_;
};

// Call audio uses Qt Multimedia's default devices while the application object lives; the
// voice library gets no sound card once Qt is going down.
class SoundCardInstall {
public:
    SoundCardInstall() {
        dedevev::audio::SetDefaultSoundCardFactory(
            [] { return std::make_unique<dedevev::QtSoundCard>(); });
    }
    ~SoundCardInstall() { dedevev::audio::SetDefaultSoundCardFactory(nullptr); }
    SoundCardInstall(const SoundCardInstall&) = delete;
    SoundCardInstall& operator=(const SoundCardInstall&) = delete;
};

// ModemManager is asked to let go of the card while the application object lives; the card is
// given back before Qt goes down.
class ModemManagerGateInstall {
public:
    ModemManagerGateInstall() { dedevev::SetModemManagerGate(&gate_); }
    ~ModemManagerGateInstall() {
        dedevev::SetModemManagerGate(nullptr);
        gate_.Release();
    }
    ModemManagerGateInstall(const ModemManagerGateInstall&) = delete;
    ModemManagerGateInstall& operator=(const ModemManagerGateInstall&) = delete;

private:
    dedevev::QtModemManagerGate gate_;
};

}  // namespace

int main(int argc, char** argv) {
    const dedevev::app::CommandLine line = dedevev::app::ParseCommandLine(argc, argv);
    if (line.help) {
        std::fputs(dedevev::app::UsageText(), stdout);
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "dedevev: %s\n%s", line.error.c_str(), dedevev::app::UsageText());
        return 2;
    }

    // The simulated card and its folders come first: the environment is changed before any
    // thread runs, and the card is up before the device layer first looks for one.
    dedevev::app::Simulation simulation(line.kind, line.pin_locked);
    if (line.simulate) {
        std::string error;
        if (!simulation.Prepare(&error) || !simulation.Start(&error)) {
            std::fprintf(stderr, "dedevev: cannot start the simulated card: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "dedevev: simulated card, control socket %s\n",
                     simulation.ControlPath().c_str());
    }

    QApplication app(argc, argv);
    if (const auto unknown = dedevev::app::UnknownOptions(argc, argv); !unknown.empty()) {
        std::fprintf(stderr, "dedevev: unknown option %s\n%s", unknown.front().c_str(),
                     dedevev::app::UsageText());
        return 2;
    }
    QApplication::setApplicationName("DEDEVev");
    QApplication::setApplicationVersion(DEDEVEV_VERSION);
    QApplication::setQuitOnLastWindowClosed(false);
    dedevev::InstallQtBitmapLoader();
    RouteTerminationSignals(app);
    ConfigureDevices(line.simulate);

    bool started = false;
    {
        const SoundOutputInstall sound;
        const SoundCardInstall sound_card;
        const ModemManagerGateInstall modem_manager;
        dedevev::AppShell shell;
        dedevev::CDEDEVev application(&shell);
        started = application.InitInstance();
        application.ExitInstance();
    }
    // Only now, with the main window closed and the modem released, does the card go.
    simulation.Stop();
    return started ? 0 : 1;
}

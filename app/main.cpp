// DEDEVev: connection manager for USB data-card modems.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <csignal>

#include "app/AppShell.h"
#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/Startup.h"
#include "core/TextCodec.h"
#include "core/TextTable.h"
#include "device/DeviceHolder.h"
#include "device/at/ModemAgent.h"
#include "device/probe/HardwareProbe.h"
#include "resources/views/QtSkin.h"

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
// itself come from the optional [Ports] section of Set.dat.
void ConfigureDevices() {
    using dedevev::NativePath;
    using dedevev::Utf16ToUtf8;
    dedevev::at::SetLogFolder(NativePath(dedevev::DataFolder()));
    const dedevev::TextTable settings(NativePath(dedevev::DataFolder() + u"Set.dat"));
    const std::string at = Utf16ToUtf8(settings.Value(u"Ports", u"AT"));
    if (!at.empty()) {
        dedevev::probe::SetFixedHardwarePorts(dedevev::Devices().Hardware(), at,
                                              Utf16ToUtf8(settings.Value(u"Ports", u"Data")),
                                              Utf16ToUtf8(settings.Value(u"Ports", u"Voice")));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("DEDEVev");
    QApplication::setQuitOnLastWindowClosed(false);
    dedevev::InstallQtBitmapLoader();
    RouteTerminationSignals(app);
    ConfigureDevices();

    dedevev::AppShell shell;
    dedevev::CDEDEVev application(&shell);
    const bool started = application.InitInstance();
    application.ExitInstance();
    return started ? 0 : 1;
}

#include "app/MainWindowWiring.h"
#include "app/ModulePages.h"

#include <QDesktopServices>
#include <QFont>
#include <QSystemTrayIcon>
#include <QUrl>

#include <chrono>
#include <memory>

#include "core/AppSettings.h"
#include "core/InitThread.h"
#include "core/StatusThread.h"
#include "device/DeviceHolder.h"
#include "mainwindow/views/DlgAbout.h"
#include "mainwindow/views/DlgDeviceLost.h"
#include "mainwindow/views/ModuleWindow.h"
#include "mainwindow/views/Unattended.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"
#include "settings/views/DlgUnlock.h"

namespace dedevev {

namespace {

bool RunInitialisation(IMessageTarget* owner, QWidget* parent, std::u16string* error) {
    CThreadInitApp job(owner);
    const QFont font = LocalFont("Normal");
    CDlgProgress progress(&job, &font, parent, "InitBK");
    progress.exec();
    job.Wait(std::chrono::hours(24 * 365));
    if (!job.Succeeded() && error != nullptr)
        *error = job.ErrorText();
    return job.Succeeded();
}

}  // namespace

MainWindowEnvironment DefaultMainWindowEnvironment() {
    MainWindowEnvironment env;
    env.run_init = RunInitialisation;
    env.make_status_thread = [](IMessageTarget* target) {
        return std::make_unique<CThreadUpdateStatus>(target);
    };
    env.agent = [] { return Devices().ModemAgent(); };
    env.hardware = [] { return Devices().Hardware(); };
    env.request_password = RequestApplicationPassword;
    env.show_device_lost = ShowDeviceLost;
    env.show_about = ShowAboutBox;
    env.run_module = RunModulePage;
    env.make_module = MakeModulePage;
    env.open_url = [](const QString& address) {
        if (UnattendedDialogs()) {
            LogUnattended({"open", address});
            return;
        }
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
    };
    env.tray_available = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    env.voice_enabled = CurrentSettings().options.enable_voice;
    return env;
}

}  // namespace dedevev

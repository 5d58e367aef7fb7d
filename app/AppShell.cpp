#include "app/AppShell.h"

#include <QFile>
#include <QTimer>

#include "app/MainWindowWiring.h"
#include "core/MessageBox.h"
#include "mainwindow/views/MainDlg.h"
#include "resources/views/DlgMessageBox.h"
#include "resources/views/QtSkin.h"
#include "settings/views/PinDialogs.h"

namespace dedevev {

namespace {

unsigned FlagsOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kInformation:
            return kMbIconInformation;
        case MessageIcon::kExclamation:
            return kMbIconExclamation;
        case MessageIcon::kStop:
            return kMbIconError;
        case MessageIcon::kQuestion:
            return kMbIconQuestion;
    }
    return kMbIconInformation;
}

}  // namespace

AppShell::AppShell() {
    log_path_ = qEnvironmentVariable("DEDEVEV_MESSAGE_LOG");
    InstallSkinnedMessageBox();
    InstallPinDialogs();
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("DEDEVEV_EXIT_AFTER_MS", &ok);
    if (ok && ms >= 0)
        exit_after_ms_ = ms;
}

void AppShell::Log(const QString& line) {
    QFile file(log_path_);
    if (file.open(QIODevice::Append | QIODevice::Text)) {
        file.write(line.toUtf8());
        file.write("\n");
    }
}

void AppShell::ShowMessage(const std::u16string& text, const std::u16string& caption,
                           MessageIcon icon) {
    // The skinned box (or, with DEDEVEV_MESSAGE_LOG set, its unattended log).
    dedevev::ShowMessage(text, caption, kMbOk | FlagsOf(icon));
}

void AppShell::RunMainWindow() {
    CMainDlg window(DefaultMainWindowEnvironment());
    QObject::connect(&window, &CMainDlg::opened, &window, [this, &window] {
        if (!log_path_.isEmpty())
            Log("window\tshown");
        // An unattended run ends the way a person's click on Exit would, once there is a
        // window to click on.
        if (exit_after_ms_ >= 0) {
            QTimer::singleShot(exit_after_ms_, &window,
                               [&window] { window.OnCommand(cmd::kClose); });
        }
    });
    window.exec();
    if (!log_path_.isEmpty())
        Log("window\tclosed");
}

}  // namespace dedevev

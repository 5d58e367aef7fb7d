#include "app/ModulePages.h"

#include <QPointer>

#include "connection/views/DlgRecord.h"
#include "connection/views/DlgSetNet.h"
#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/ModuleWindow.h"
#include "settings/views/DlgSet.h"

namespace dedevev {

namespace {

// The settings with their network page. The connection counts as up while the dial-up
// session runs or the main window still shows it connected.
CModulePage* MakeSettings(QWidget* parent) {
    NetPageEnvironment env = DefaultNetPageEnvironment();
    QPointer<CMainDlg> main = qobject_cast<CMainDlg*>(parent);
    env.connection_up = [main, running = env.connection_up] {
        return running() || (main != nullptr && main->Connected());
    };
    auto* settings = new CDlgSet(parent);
    settings->AddPage(CDlgSet::kNetPage, "BtnNet", new CDlgSetNet(std::move(env)));
    return settings;
}

}  // namespace

CModulePage* MakeModulePage(int command, QWidget* parent) {
    switch (command) {
        case cmd::kLog:
            return new CDlgRecord(DefaultRecordEnvironment(), parent);
        case cmd::kSettings:
            return MakeSettings(parent);
        default:
            return nullptr;
    }
}

}  // namespace dedevev

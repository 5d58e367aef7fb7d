#include "app/ModulePages.h"

#include "connection/Connection.h"
#include "connection/views/DlgLink.h"
#include "connection/views/DlgNet.h"
#include "device/DeviceHolder.h"
#include "device/IModemAgent.h"
#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/ModuleWindow.h"
#include "resources/views/QtSkin.h"

namespace dedevev {

namespace {

IDeviceControl* CurrentDeviceControl() {
    IModemAgent* agent = Devices().ModemAgent();
    return agent != nullptr ? agent->GetDeviceControl() : nullptr;
}

}  // namespace

CModulePage* MakeModulePage(int command, QWidget* parent) {
    auto* main = qobject_cast<CMainDlg*>(parent);
    switch (command) {
        case cmd::kLink: {
            LinkPageEnvironment env;
            env.device_control = CurrentDeviceControl;
            if (main != nullptr)
                env.open_url = [main](const QString& address) {
                    main->OpenAddress(FromQString(address));
                };
            return new CDlgLink(std::move(env), parent);
        }
        case cmd::kNet:
            return new CDlgNet(main != nullptr ? main->MessageTarget() : nullptr,
                               DefaultConnectionEnvironment(), parent);
        default:
            return nullptr;
    }
}

}  // namespace dedevev

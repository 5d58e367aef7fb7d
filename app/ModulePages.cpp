#include "app/ModulePages.h"

#include <QPointer>

#include "connection/Connection.h"
#include "connection/views/DlgLink.h"
#include "connection/views/DlgNet.h"
#include "connection/views/DlgRecord.h"
#include "connection/views/DlgSetNet.h"
#include "core/ExportRegistry.h"
#include "device/DeviceHolder.h"
#include "device/ICardService.h"
#include "device/IModemAgent.h"
#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/ModuleWindow.h"
#include "phonebook/views/DlgPB.h"
#include "resources/views/DlgProgress.h"
#include "resources/views/QtSkin.h"
#include "settings/views/DlgFactoryDataReset.h"
#include "settings/views/DlgPin.h"
#include "settings/views/DlgSet.h"
#include "settings/views/DlgSetLanguage.h"
#include "settings/views/DlgSetUssd.h"
#include "settings/views/DlgSetWorkMode.h"
#include "sms/views/DlgSMS.h"
#include "voice/views/DlgVoice.h"

namespace dedevev {

namespace {

IDeviceControl* CurrentDeviceControl() {
    IModemAgent* agent = Devices().ModemAgent();
    return agent != nullptr ? agent->GetDeviceControl() : nullptr;
}

// Whether the card has a PIN to manage. Asked off the window thread (see ProbePage).
bool CardHasPinCheck() {
    IModemAgent* agent = Devices().ModemAgent();
    ICardService* card = agent != nullptr ? agent->GetCardService() : nullptr;
    if (card == nullptr)
        return false;
    int status = 256;
    const bool enabled = card->IsPinCheckEnabled(&status);
    return status == 1 && enabled;
}

// The settings: network and language always, PIN when the card checks one, work mode and
// factory reset when the card has work modes. The connection counts as up while the dial-up
// session runs or the main window still shows it connected.
CModulePage* MakeSettings(QWidget* parent) {
    NetPageEnvironment env = DefaultNetPageEnvironment();
    QPointer<CMainDlg> main = qobject_cast<CMainDlg*>(parent);
    env.connection_up = [main, running = env.connection_up] {
        return running() || (main != nullptr && main->Connected());
    };
    auto* settings = new CDlgSet(parent);
    const std::function<bool()> connection_up = env.connection_up;
    settings->AddPage(CDlgSet::kNetPage, "BtnNet", new CDlgSetNet(std::move(env)));
    settings->AddPage(CDlgSet::kLanguagePage, "BtnLanguage", new CDlgSetLanguage);
    QPointer<CDlgSet> dialog = settings;
    settings->ProbePage(CardHasPinCheck, [dialog] {
        if (dialog != nullptr)
            dialog->AddPage(CDlgSet::kPinPage, "BtnPin", new CDlgPin);
    });
    if (main != nullptr && main->WorkModeKnown()) {
        WorkModePageEnvironment mode;
        mode.device = CurrentDeviceControl;
        mode.connection_up = connection_up;
        mode.disconnect = [] {
            IConnectionExport* connection = Exports().ConnectionExport();
            if (connection->IsRunning())
                connection->ToggleConnection();
        };
        mode.run_job = ProgressRunnerOver(settings);
        settings->AddPage(CDlgSet::kWorkModePage, "BtnWorkMode",
                          new CDlgSetWorkMode(std::move(mode)));
        ResetPageEnvironment reset;
        reset.device = CurrentDeviceControl;
        reset.mark_reset_running = [main] {
            if (main != nullptr)
                main->SetFactoryResetRunning();
        };
        reset.run_job = ProgressRunnerOver(settings);
        settings->AddPage(CDlgSet::kResetPage, "BtnReset",
                          new CDlgFactoryDataReset(std::move(reset)));
    }
    return settings;
}

// The history view owns the connection history; the network page's session files every
// finished session there.
CModulePage* MakeHistory(QWidget* parent) {
    auto* history = new CDlgRecord(DefaultRecordEnvironment(), parent);
    if (parent != nullptr) {
        if (auto* net = parent->findChild<CDlgNet*>(QString(), Qt::FindDirectChildrenOnly))
            net->Connection().SetRecorder(history->Store());
    }
    return history;
}

// What brings `page` on screen when it is not: the main window's `command`, run once the
// click that asked has been handled (the page runs in a modal loop of its own).
std::function<void()> OpenPageLater(CMainDlg* main, CModulePage* page, int command) {
    QPointer<CMainDlg> window = main;
    QPointer<CModulePage> shown = page;
    return [window, shown, command] {
        if (window == nullptr || shown == nullptr || shown->isVisible())
            return;
        // Asked again before the first request ran (a second ring, another message), the
        // page is on screen by then: opening it once more would wrap it twice.
        QMetaObject::invokeMethod(
            window,
            [window, shown, command] {
                if (window != nullptr && shown != nullptr && !shown->isVisible())
                    window->OnCommand(command);
            },
            Qt::QueuedConnection);
    };
}

// The messages page; a click on its pop-up opens it when it is not on screen.
CModulePage* MakeMessages(CMainDlg* main, QWidget* parent) {
    MessageViewEnvironment env = DefaultMessageViewEnvironment();
    auto* page = new CDlgSMS(std::move(env), parent);
    if (main != nullptr)
        page->SetShowPage(OpenPageLater(main, page, cmd::kSms));
    return page;
}

// The voice page, made with the main window so that a call rings without the page open; the
// incoming-call notice and its click bring it on screen.
CModulePage* MakeVoice(CMainDlg* main, QWidget* parent) {
    auto* page = new CDlgVoice(DefaultVoiceViewEnvironment(), parent);
    if (main != nullptr)
        page->SetShowPage(OpenPageLater(main, page, cmd::kVoice));
    return page;
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
        case cmd::kLog:
            return MakeHistory(parent);
        case cmd::kSettings:
            return MakeSettings(parent);
        case cmd::kPhonebook:
            return new CDlgPB(DefaultPhonebookViewEnvironment(), parent);
        case cmd::kSms:
            return MakeMessages(main, parent);
        case cmd::kVoice:
            return MakeVoice(main, parent);
        case cmd::kUssd:
            return new CDlgSetUssd(DefaultUssdPageEnvironment(), parent);
        default:
            return nullptr;
    }
}

}  // namespace dedevev

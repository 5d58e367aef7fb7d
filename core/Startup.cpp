#include "core/Startup.h"

#include <locale>
#include <mutex>
#include <system_error>
#include <vector>

#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "core/ModemManagerGate.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "device/DeviceHolder.h"
#include "phonebook/PhonebookRegistry.h"
#include "sms/SMSBoxRegistry.h"
#include "voice/CallHistory.h"
#include "voice/CallManager.h"

namespace dedevev {

namespace {

std::mutex g_hooks_mutex;
std::vector<std::function<void()>>& ExitHooks() {
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

bool StoredFileExists(const std::u16string& path) {
    return FileExists(ResolvePathNoCase(NativePath(path)));
}

std::u16string ShownPath(const std::u16string& path) {
    return Utf8ToUtf16(NativePath(path));
}

// The title every message box carries; before any language file is read the product
// name stands in for it.
std::u16string MessageCaption() {
    return LocalTextOr("Title", "DlgMessageBox", u"DEDEVev");
}

}  // namespace

CDEDEVev::CDEDEVev(IAppShell* shell) : shell_(shell), lock_(kInstanceLockName) {}

CDEDEVev::~CDEDEVev() = default;

void CDEDEVev::AddExitHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(g_hooks_mutex);
    ExitHooks().push_back(std::move(hook));
}

bool CDEDEVev::CheckLanguage() {
    AppSettings& settings = CurrentSettings();
    std::u16string path = settings.LanguageFilePath();
    if (!StoredFileExists(path)) {
        shell_->ShowMessage(u"Warning: localizing file missing.\r\n" + ShownPath(path) +
                                u"\r\nDefault language will be used.",
                            MessageCaption(), MessageIcon::kExclamation);
        settings.options.local = DefaultSettings().options.local;
        path = settings.LanguageFilePath();
        if (!StoredFileExists(path)) {
            shell_->ShowMessage(u"Fatal error: localizing file lost.\r\n" + ShownPath(path) +
                                    u"\r\nThis application has to quit." +
                                    u"\r\nReinstallation will resolve this issue.",
                                MessageCaption(), MessageIcon::kStop);
            return false;
        }
    }
    CGlobalService::Instance().SwitchLanguage(ResolvePathNoCase(NativePath(path)));
    shell_->OnLanguageReady();
    return true;
}

bool CDEDEVev::CheckSkin() {
    AppSettings& settings = CurrentSettings();
    std::u16string path = settings.SkinFilePath();
    if (!StoredFileExists(path)) {
        settings.options.skin = DefaultSettings().options.skin;
        path = settings.SkinFilePath();
        if (!StoredFileExists(path)) {
            shell_->ShowMessage(LocalText(u"NoSkinFile", u""), MessageCaption(),
                                MessageIcon::kExclamation);
            return false;
        }
    }
    CGlobalService::Instance().SwitchSkin(ResolvePathNoCase(NativePath(path)));
    return true;
}

bool CDEDEVev::InitInstance() {
    // The user's locale for the standard streams; an unusable LANG leaves the C locale.
    try {
        std::locale::global(std::locale(""));
    } catch (const std::exception&) {
    }

    AppSettings& settings = CurrentSettings();
    settings.LoadSettings(DataFolder() + u"Set.dat");

    if (!CheckLanguage())
        return false;
    if (!CheckSkin())
        return false;

    switch (lock_.TryAcquire(10)) {
        case InstanceLock::Result::kTaken:
            break;
        case InstanceLock::Result::kHeldElsewhere:
            shell_->ShowMessage(LocalText(u"InstanceRunning", u""), LocalText(u"DEDEVev", u""),
                                MessageIcon::kInformation);
            return false;
        case InstanceLock::Result::kUnusable:
            // Saying "already running" here would send the person looking for a copy that
            // does not exist: name the folder and what the system said instead.
            shell_->ShowMessage(LocalText(u"InstanceLockFailed", u"") + u"\r\n" +
                                    Utf8ToUtf16(lock_.Folder()) + u"\r\n" +
                                    Utf8ToUtf16(std::generic_category().message(lock_.Error())),
                                LocalText(u"DEDEVev", u""), MessageIcon::kStop);
            return false;
    }

    if (IHardwareInfo* hardware = Devices().Hardware())
        hardware->ProbeStart();

    shell_->RunMainWindow();
    return true;
}

int CDEDEVev::ExitInstance() {
    // A copy that never got the instance lock leaves the running copy's files alone.
    if (!lock_.Owned())
        return 0;
    CurrentSettings().SaveSettings();
    // The contacts, the PC message boxes and the call histories are written now; the contacts'
    // mappings let go of the card's phonebooks while the modem object is still there.
    PhonebookRegistry::ShutdownInstance();
    // The call manager lets go of the card's voice events and drops a waiting call while the
    // modem object is still there, and files what was still up before the lists are written.
    CCallManager::ShutdownInstance();
    SMSBoxRegistry::ShutdownInstance();
    CallHistories::ShutdownInstance();
    if (Devices().ModemAgent() != nullptr) {
        std::vector<std::function<void()>> hooks;
        {
            std::lock_guard<std::mutex> lock(g_hooks_mutex);
            hooks = ExitHooks();
        }
        for (auto& hook : hooks)
            hook();
        Devices().ReleaseModemAgent();
    }
    // With the port closed, ModemManager may have the card back.
    ReleaseModemManagerHold();
    lock_.Release();
    return 0;
}

}  // namespace dedevev

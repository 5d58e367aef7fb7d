#include "core/InitThread.h"

#include <cctype>
#include <exception>
#include <optional>

#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/MessageBox.h"
#include "core/ModemManagerGate.h"
#include "core/PortRelease.h"
#include "core/TextCodec.h"
#include "core/WindowMessage.h"
#include "device/DeviceHolder.h"
#include "device/at/features/ModemAgent.h"
#include "device/base/Clock.h"
#include "resources/Localizer.h"
#include "settings/PinEntry.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

constexpr int kBaudRate = 115200;
constexpr int kAliveTries = 10;
constexpr int kCardTries = 20;
constexpr milliseconds kRetryPause{1000};
constexpr int kSteps = 4;

std::u16string Text(const char* key) {
    return LocalText(std::string_view(key));
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Ok(int status) {
    return status == kStatusOk;
}

// The IMSI's network code (its first six characters), with one more try when the first
// read fails or is short; empty when neither gave one.
std::string ReadHomeNetwork(const std::function<std::string(int*)>& read_imsi) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int status = kStatusUntouched;
        const std::string imsi = read_imsi(&status);
        if (Ok(status) && imsi.size() >= 6)
            return imsi.substr(0, 6);
    }
    return {};
}

// A port the person may not open: which port, its group and how to get into it, in the
// person's language ("%1" the device, "%2" the group, "%3" the command, "%4" the user, "%5" the
// owner, "%6" the mode).
std::u16string PortDenialText(const at::PortDenial& denial) {
    const std::string args[] = {denial.path, denial.group, denial.AddToGroupCommand(),
                                denial.user, denial.owner, denial.ModeText()};
    const std::u16string pattern = Text(denial.group_would_help ? "PortNoGroup" : "PortNoAccess");
    std::u16string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
        if (pattern[i] == u'%' && next >= u'1' && next <= u'6') {
            text += Utf8ToUtf16(args[next - u'1']);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace

InitEnvironment DefaultInitEnvironment() {
    InitEnvironment env;
    env.hardware = Devices().Hardware();
    env.reset_agent = [] { return Devices().ResetModemAgent(); };
    env.release_agent = [] { Devices().ReleaseModemAgent(); };
    env.free_port = [](const std::string& at_port) {
        PortReleaseOptions options;
        options.at_port = at_port;
        options.program_name = Utf16ToUtf8(Customization().CompetingProgramName());
        return FreePortFromCompetitor(options);
    };
    env.modem_manager = ModemManagerGate();
    env.message = [](const std::u16string& text, unsigned flags) {
        return ShowMessage(text, u"", flags);
    };
    env.pin_entry = EnterPinAtStart;
    env.settings = &CurrentSettings();
    env.defaults = &DefaultSettings();
    env.profiles = []() -> const NetProfileList& { return Profiles(); };
    env.auto_account_choice = Customization().AutoAccountChoice();
    env.enable_log = CurrentSettings().options.enable_log;
    return env;
}

AccountChoice ChooseDialAccount(bool card_ready, const std::function<std::string(int*)>& read_imsi,
                                const NetProfileList& profiles, AppSettings& settings,
                                const AppSettings& defaults) {
    const std::string home = card_ready ? ReadHomeNetwork(read_imsi) : std::string();
    if (home.empty()) {
        settings.dial = defaults.dial;
        return AccountChoice::kDefaults;
    }
    int index = profiles.FindByMccMnc(Utf8ToUtf16(home));
    // Cards of this network code share the accounts of 460030.
    if (index < 0 && home == "460110")
        index = profiles.FindByMccMnc(u"460030");
    if (index < 0)
        return AccountChoice::kUnchanged;
    const NetProfile& profile = profiles.At(static_cast<std::size_t>(index));
    DialSetting& dial = settings.dial;
    dial.name = profile.name;
    dial.mcc_mnc = profile.mcc_mnc;
    dial.number = profile.phone;
    dial.user = profile.user;
    dial.pass = profile.password;
    dial.apn = profile.apn;
    dial.dns_main = profile.dns_primary;
    dial.dns_minor = profile.dns_secondary;
    dial.ip_address = profile.ip;
    settings.SaveSettings();
    return AccountChoice::kProfile;
}

CThreadInitApp::CThreadInitApp(IMessageTarget* owner)
    : CThreadInitApp(owner, DefaultInitEnvironment()) {}

CThreadInitApp::CThreadInitApp(IMessageTarget* owner, InitEnvironment environment)
    : owner_(owner), env_(std::move(environment)) {
    clock_ = env_.clock != nullptr ? env_.clock : &ProcessClock();
}

CThreadInitApp::~CThreadInitApp() {
    Join();
}

void CThreadInitApp::DoJob() {
    try {
        ReportText(Text("DetectHW"));
        ReportStep(1, kSteps);
        DetectHardware();
        TakeFromModemManager();
        FreePort();
        ReportText(Text("InitComm"));
        ReportStep(2, kSteps);
        SetUpCommunication();
        ReportStep(3, kSteps);
        CheckPin();
        SetUpMessageStore();
        WaitForCard();
        ChooseAccount();
        if (owner_ != nullptr)
            owner_->Send(WindowMessage{kMsgInitDone, 0, 0, {}, {}});
        ReportStep(4, kSteps);
        succeeded_ = true;
    } catch (const CInitError& error) {
        error_text_ = error.GetText();
    } catch (const std::exception& error) {
        // Anything unforeseen still ends the job as a failure, never the process.
        error_text_ = Utf8ToUtf16(error.what());
    }
}

void CThreadInitApp::DetectHardware() {
    IHardwareInfo* hardware = env_.hardware;
    if (hardware == nullptr || !hardware->IsDevicePresent())
        throw CInitError(Text("NoDevice"));
    hardware->Refresh();
    int code = 0;
    if (!hardware->CheckDriver(&code))
        throw CInitError(Utf8ToUtf16(std::to_string(code) + ": ") + Text("DriverError"));
}

void CThreadInitApp::FreePort() {
    if (env_.free_port)
        env_.free_port(env_.hardware->GetAtPort());
}

void CThreadInitApp::TakeFromModemManager() {
    if (env_.modem_manager == nullptr)
        return;
    IHardwareInfo& hardware = *env_.hardware;
    CardIdentity card;
    card.ports = {hardware.GetAtPort(), hardware.GetPort0(), hardware.GetPort1(),
                  hardware.GetVoicePort()};
    card.usb_path = hardware.GetUsbDevicePath();
    const auto ask = [this](const std::u16string& text, unsigned flags) {
        return env_.message ? env_.message(text, flags) : kMsgSecond;
    };
    const ModemHold hold = env_.modem_manager->Hold(card, [&ask] {
        return ask(Text("MMAskTake"), kMbYesNo | kMbIconQuestion | kMbDefButton2) == kMsgFirst;
    });
    switch (hold.result) {
        case ModemHoldResult::kDeclined:
            // The card stays with NetworkManager: the program goes on without it.
            throw CInitError(Text("MMDeclined"));
        case ModemHoldResult::kRefused:
            // Opening may still work (ModemManager does not always lock its ports); when it
            // does not, the port error follows this explanation.
            ask(ModemManagerRefusalText(hold), kMbOk | kMbIconExclamation);
            break;
        case ModemHoldResult::kNoModemManager:
        case ModemHoldResult::kNotManaged:
        case ModemHoldResult::kHeld:
            break;
    }
}

IModemAgent* CThreadInitApp::OpenAgent() {
    IModemAgent* agent = env_.reset_agent ? env_.reset_agent() : nullptr;
    if (agent == nullptr)
        return nullptr;
    int status = kStatusUntouched;
    if (!agent->Open(env_.hardware->GetAtPort(), kBaudRate, &status)) {
        const std::optional<at::PortDenial> denial = at::LastModemDenial(agent);
        // An object that cannot reach the card is no object at all.
        if (env_.release_agent)
            env_.release_agent();
        if (denial)
            throw CInitError(PortDenialText(*denial));
        return nullptr;
    }
    // The data port, so that a data hang-up ends the data call there and spares voice calls.
    at::SetModemDataPort(agent, env_.hardware->GetPort0());
    return agent;
}

bool CThreadInitApp::WaitAlive(IModemAgent* agent) {
    IDeviceControl* control = agent->GetDeviceControl();
    for (int attempt = 0; attempt < kAliveTries; ++attempt) {
        int status = kStatusUntouched;
        control->CheckAlive(&status);
        if (Ok(status))
            return true;
        if (attempt + 1 < kAliveTries)
            clock_->SleepFor(kRetryPause, nullptr);
    }
    return false;
}

void CThreadInitApp::SetUpCommunication() {
    if (env_.release_agent)
        env_.release_agent();
    agent_ = OpenAgent();
    if (agent_ == nullptr)
        throw CInitError(Text("ATPortDeny"));
    agent_->EnableLog(env_.enable_log);
    if (!WaitAlive(agent_)) {
        // One more round after a reset of the card.
        if (env_.release_agent)
            env_.release_agent();
        agent_ = nullptr;
        env_.hardware->ResetDevice();
        if (!env_.hardware->Refresh())
            throw CInitError(Text("NoResponse"));
        agent_ = OpenAgent();
        if (agent_ == nullptr)
            throw CInitError(Text("NoResponse"));
        agent_->EnableLog(env_.enable_log);
        if (!WaitAlive(agent_))
            throw CInitError(Text("NoResponse"));
    }
    IDeviceControl* control = agent_->GetDeviceControl();
    int status = kStatusUntouched;
    control->ConfigureA(0, &status);
    status = kStatusUntouched;
    control->ConfigureB(1, &status);
}

void CThreadInitApp::CheckPin() {
    ICardService* card = agent_->GetCardService();
    int status = kStatusUntouched;
    if (card->IsPinCheckEnabled(&status) && env_.pin_entry) {
        // A failed entry leaves its text; initialisation goes on either way.
        env_.pin_entry(*card, &error_text_);
    }
}

void CThreadInitApp::SetUpMessageStore() {
    ISmsControl* sms = agent_->GetSmsControl();
    int status = kStatusUntouched;
    sms->SetMessageFormat(0, &status);
    status = kStatusUntouched;
    sms->SetNewMessageIndication(2, 1, 0, 2, 1, &status);
    status = kStatusUntouched;
    sms->SetStorage("SM", "MT", "SM", &status);
    status = kStatusUntouched;
    agent_->GetDeviceControl()->SetCharacterSet("UCS2", &status);
    if (env_.message_store_setup)
        env_.message_store_setup(*sms);
}

void CThreadInitApp::WaitForCard() {
    IDeviceControl* control = agent_->GetDeviceControl();
    for (int attempt = 0; attempt < kCardTries; ++attempt) {
        int status = kStatusUntouched;
        card_status_ = Upper(control->GetCardStatus(&status));
        if (card_status_ == "READY" || card_status_ == "SIM PIN" || card_status_ == "SIM PUK")
            return;
        if (attempt + 1 < kCardTries)
            clock_->SleepFor(kRetryPause, nullptr);
    }
}

void CThreadInitApp::ChooseAccount() {
    if (!env_.auto_account_choice || env_.settings == nullptr || env_.defaults == nullptr ||
        !env_.profiles)
        return;
    IDeviceControl* control = agent_->GetDeviceControl();
    account_ = ChooseDialAccount(
        card_status_ == "READY", [control](int* status) { return control->GetImsi(status); },
        env_.profiles(), *env_.settings, *env_.defaults);
}

}  // namespace dedevev

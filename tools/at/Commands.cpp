// The card commands of dedevev-at, on an open modem object.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

#include "device/DeviceStatus.h"
#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"
#include "device/probe/HardwareProbe.h"
#include "tools/at/AtTool.h"

namespace dedevev::attool {

namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

bool Ok(int status) {
    return status == kStatusOk;
}

const char* SystemName(int mode) {
    switch (mode) {
        case kSystemModeNone:
            return "none";
        case kSystemModeAmps:
            return "AMPS";
        case kSystemModeCdma:
            return "CDMA";
        case kSystemModeGsm:
            return "GSM";
        case kSystemModeHdr:
            return "HDR";
        case kSystemModeWcdma:
            return "WCDMA";
        case kSystemModeLte:
            return "LTE";
        default:
            return "unknown";
    }
}

const char* ServiceStateName(int state) {
    switch (state) {
        case kServiceNone:
            return "no service";
        case kServiceRestricted:
            return "restricted";
        case kServiceAvailable:
            return "in service";
        case kServiceRestrictedRegional:
            return "restricted regional";
        case kServiceLowPower:
            return "low power";
        default:
            return "unknown";
    }
}

const char* CardTypeName(int type) {
    switch (type) {
        case kCardTypeUsim:
            return "USIM";
        case kCardTypeUim:
            return "UIM";
        default:
            return "none";
    }
}

// USSD replies arrive on the library's thread; the command waits for them here.
class UssdReplies final : public IUssdEventHandler {
public:
    void OnUssdReply(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_.push_back(text);
        cv_.notify_all();
    }
    bool Next(std::chrono::seconds timeout, std::string* text) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return !replies_.empty(); })) {
            return false;
        }
        *text = replies_.front();
        replies_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> replies_;
};

int Info(IModemAgent* agent, Output& out) {
    IDeviceControl* dc = agent->GetDeviceControl();
    using Getter = std::string (IDeviceControl::*)(int*);
    const std::pair<const char*, Getter> fields[] = {
        {"manufacturer", &IDeviceControl::GetManufacturer},
        {"model", &IDeviceControl::GetModel},
        {"firmware", &IDeviceControl::GetFirmwareVersion},
        {"hardware-id", &IDeviceControl::GetHardwareId},
        {"imsi", &IDeviceControl::GetImsi},
        {"operator", &IDeviceControl::GetOperatorName},
    };
    int printed = 0;
    for (const auto& [key, getter] : fields) {
        int status = kStatusUntouched;
        const std::string value = (dc->*getter)(&status);
        if (Ok(status)) {
            out.Field(key, value);
            ++printed;
        }
    }
    return printed > 0 ? kExitOk : out.Fail(kExitTimeout, "the card answers no query");
}

int Signal(IModemAgent* agent, Output& out) {
    int status = kStatusUntouched;
    const int level = agent->GetDeviceControl()->GetSignalLevel(&status);
    if (!Ok(status)) {
        return out.Fail(kExitTimeout, "the card did not tell its signal level");
    }
    out.Field("signal", std::to_string(level));
    // 27.007 +CSQ: 0 is -113 dBm or less, 31 is -51 dBm or more, 2 dB a step.
    out.Field("rssi-dbm", level >= 0 && level <= 31 ? std::to_string(-113 + 2 * level)
                                                    : std::string("unknown"));
    return kExitOk;
}

int Service(IModemAgent* agent, Output& out) {
    int status = kStatusUntouched;
    const ServiceInfo info = agent->GetDeviceControl()->GetServiceInfo(&status);
    if (!Ok(status)) {
        return out.Fail(kExitTimeout, "the card did not tell its service");
    }
    out.Field("service-status", std::to_string(info.service_status));
    out.Field("system-mode", std::to_string(info.system_mode));
    out.Field("system", SystemName(info.system_mode));
    out.Field("service-state", std::to_string(info.service_state));
    out.Field("service", ServiceStateName(info.service_state));
    out.Field("roaming", YesNo(info.roaming != 0));
    out.Field("domain", std::to_string(info.domain));
    out.Field("card-type", std::to_string(info.card_type));
    out.Field("card", CardTypeName(info.card_type));
    out.Field("sms-restricted", YesNo(info.sms_restricted != 0));
    return kExitOk;
}

int Card(IModemAgent* agent, Output& out) {
    ICardService* cs = agent->GetCardService();
    int status = kStatusUntouched;
    const std::string state = agent->GetDeviceControl()->GetCardStatus(&status);
    if (!Ok(status)) {
        return out.Fail(kExitTimeout, "the card did not tell its state");
    }
    out.Field("status", state);
    status = kStatusUntouched;
    const bool check = cs->IsPinCheckEnabled(&status);
    if (Ok(status)) {
        out.Field("pin-check", YesNo(check));
    }
    status = kStatusUntouched;
    const bool pin = cs->IsPinRequired(&status);
    if (Ok(status)) {
        out.Field("pin-required", YesNo(pin));
    }
    status = kStatusUntouched;
    const bool puk = cs->IsPukRequired(&status);
    if (Ok(status)) {
        out.Field("puk-required", YesNo(puk));
    }
    status = kStatusUntouched;
    const int pin_left = cs->GetRemainingAttempts(&status);
    if (Ok(status)) {
        out.Field("pin-attempts", std::to_string(pin_left));
    }
    status = kStatusUntouched;
    const int puk_left = cs->GetRemainingPukAttempts(&status);
    if (Ok(status)) {
        out.Field("puk-attempts", std::to_string(puk_left));
    }
    status = kStatusUntouched;
    const int lock = cs->GetPinLockState(&status);
    if (Ok(status)) {
        out.Field("pin-lock", lock == kPinLockOn ? "on" : "off");
    }
    return kExitOk;
}

// After a refused PIN or PUK: how many attempts are left, when the card says.
void PrintAttemptsLeft(ICardService* cs, Output& out) {
    int status = kStatusUntouched;
    const int pin_left = cs->GetRemainingAttempts(&status);
    if (Ok(status)) {
        out.Field("pin-attempts", std::to_string(pin_left));
    }
    status = kStatusUntouched;
    const int puk_left = cs->GetRemainingPukAttempts(&status);
    if (Ok(status)) {
        out.Field("puk-attempts", std::to_string(puk_left));
    }
}

int PinCommand(const Invocation& inv, IModemAgent* agent, Output& out) {
    ICardService* cs = agent->GetCardService();
    const std::vector<std::string>& a = inv.args;
    int status = kStatusUntouched;
    if (inv.command == "pin") {
        cs->VerifyPin(a[0], &status);
        if (Ok(status)) {
            out.Field("pin", "accepted");
            return kExitOk;
        }
        PrintAttemptsLeft(cs, out);
        return out.Fail(kExitRefused, "the card refused the PIN");
    }
    if (inv.command == "puk") {
        cs->UnlockWithPuk(a[0], a[1], &status);
        if (Ok(status)) {
            out.Field("puk", "accepted");
            return kExitOk;
        }
        PrintAttemptsLeft(cs, out);
        return out.Fail(kExitRefused, "the card refused the PUK");
    }
    if (inv.command == "pinlock") {
        const bool on = a[0] == "on";
        cs->SetPinLock(a[1], on, &status);
        if (Ok(status)) {
            out.Field("pin-lock", on ? "on" : "off");
            return kExitOk;
        }
        PrintAttemptsLeft(cs, out);
        return out.Fail(kExitRefused, "the card refused to change the PIN lock");
    }
    cs->ChangePin(a[0], a[1], &status);
    if (Ok(status)) {
        out.Field("pin", "changed");
        return kExitOk;
    }
    PrintAttemptsLeft(cs, out);
    return out.Fail(kExitRefused, "the card refused to change the PIN");
}

int Ussd(const Invocation& inv, IModemAgent* agent, Output& out) {
    ICardService* cs = agent->GetCardService();
    UssdReplies replies;
    cs->SetUssdListener(&replies);
    const auto timeout = std::chrono::seconds(inv.timeout_seconds);
    int result = kExitOk;
    std::string text = inv.args[0];
    for (std::size_t step = 0; step <= inv.replies.size(); ++step) {
        int status = kStatusUntouched;
        cs->SendUssd(text, &status);
        if (status != kStatusUntouched && status != kStatusOk) {
            // 257 also comes back for a code the network refuses: name both causes.
            result = out.Fail(kExitRefused,
                              step == 0 ? "USSD request refused (the card has no USSD, or the "
                                          "network refused " +
                                              text + ")"
                                        : "the USSD answer " + text +
                                              " was refused (the session may have ended)");
            break;
        }
        std::string reply;
        if (!replies.Next(timeout, &reply)) {
            result = out.Fail(kExitTimeout,
                              "no USSD reply within " + std::to_string(inv.timeout_seconds) + " s");
            break;
        }
        out.Field("reply", reply);
        if (step < inv.replies.size()) {
            text = inv.replies[step];
        }
    }
    cs->SetUssdListener(nullptr);
    return result;
}

int Networks(IModemAgent* agent, Output& out) {
    int status = kStatusUntouched;
    const std::vector<std::string> networks = agent->GetDeviceControl()->SearchNetworks(&status);
    if (!Ok(status)) {
        return out.Fail(kExitTimeout, "the network search failed");
    }
    for (const std::string& network : networks) {
        out.Field("network", network);
    }
    return kExitOk;
}

int Select(const Invocation& inv, IModemAgent* agent, Output& out) {
    IDeviceControl* dc = agent->GetDeviceControl();
    const std::string name = inv.args[0] == "auto" ? std::string() : inv.args[0];
    int status = kStatusUntouched;
    dc->SelectNetwork(name, &status);
    if (!Ok(status)) {
        return out.Fail(kExitRefused, "the card could not register on " + inv.args[0]);
    }
    out.Field("selected", name.empty() ? "auto" : name);
    status = kStatusUntouched;
    const std::string op = dc->GetOperatorName(&status);
    if (Ok(status)) {
        out.Field("operator", op);
    }
    return kExitOk;
}

int WorkMode(IModemAgent* agent, Output& out) {
    IDeviceControl* dc = agent->GetDeviceControl();
    int status = kStatusUntouched;
    const std::uint8_t mode = dc->GetWorkMode(&status);
    if (!Ok(status)) {
        return out.Fail(kExitRefused, "this card has no work modes");
    }
    out.Field("work-mode", mode == kWorkModeWifi ? "wifi" : "dongle");
    if (mode == kWorkModeWifi) {
        status = kStatusUntouched;
        const std::string ssid = dc->GetWifiSsid(&status);
        if (Ok(status)) {
            out.Field("wifi-ssid", ssid);
        }
    }
    return kExitOk;
}

}  // namespace

int PrintPorts(IHardwareInfo* hardware, Output& out) {
    if (hardware == nullptr) {
        return out.Fail(kExitNoCard, "no hardware probe in this build");
    }
    const bool present = hardware->Refresh();
    auto* probe = dynamic_cast<probe::HardwareProbe*>(hardware);
    const probe::FoundCard found = probe != nullptr ? probe->Found() : probe::FoundCard{};
    int code = 0;
    const bool usable = hardware->CheckDriver(&code) && present;
    out.Field("source", probe::SourceName(found.source));
    out.Field("name", found.name);
    if (found.source == probe::Source::kUsb) {
        char id[16];
        std::snprintf(id, sizeof id, "%04x:%04x", found.vendor_id, found.product_id);
        out.Field("usb-id", id);
        out.Field("driver", found.driver);
    }
    out.Field("at", hardware->GetAtPort());
    out.Field("data", hardware->GetPort0());
    out.Field("voice", hardware->GetVoicePort());
    if (!found.diag.empty()) {
        out.Field("diagnostic", found.diag);
    }
    if (found.source == probe::Source::kSimulated) {
        out.Field("control", found.control);
        out.Field("announcement", found.origin);
    }
    const std::string text = probe != nullptr ? probe->DriverText() : std::string();
    out.Field("check", usable ? "ok" : std::to_string(code) + " " + text);
    if (!present) {
        return out.Fail(kExitNoCard, "no card found");
    }
    return usable ? kExitOk : out.Fail(kExitNoCard, text);
}

int RunCommand(const Invocation& inv, IModemAgent* agent, Output& out) {
    const std::string& c = inv.command;
    if (c == "info") {
        return Info(agent, out);
    }
    if (c == "signal") {
        return Signal(agent, out);
    }
    if (c == "service") {
        return Service(agent, out);
    }
    if (c == "card") {
        return Card(agent, out);
    }
    if (c == "pin" || c == "puk" || c == "pinlock" || c == "changepin") {
        return PinCommand(inv, agent, out);
    }
    if (c == "ussd") {
        return Ussd(inv, agent, out);
    }
    if (c == "networks") {
        return Networks(agent, out);
    }
    if (c == "select") {
        return Select(inv, agent, out);
    }
    if (c == "workmode") {
        return WorkMode(agent, out);
    }
    if (c == "sms") {
        return SmsCommand(inv, agent, out);
    }
    if (c == "call") {
        return CallCommand(inv, agent, out);
    }
    if (c == "pb") {
        return PhonebookCommand(inv, agent, out);
    }
    return out.Fail(kExitUsage, "unknown command " + c);
}

}  // namespace dedevev::attool

#include "core/StatusThread.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <cctype>
#include <set>

#include "core/ExportInterfaces.h"
#include "core/ExportRegistry.h"
#include "core/WindowMessage.h"
#include "device/DeviceHolder.h"
#include "device/base/Clock.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSleepSlice{200};
constexpr int kSleepSlices = 10;
constexpr std::uint64_t kSystemModeUnknown = 255;

std::atomic<bool> g_sms_storage_set{false};

// The last Wi-Fi name posted, shared by every status thread of the process.
std::mutex g_last_mutex;
std::string g_last_wifi_name;

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool SmsStorageSet() {
    return g_sms_storage_set.load();
}

void ResetSmsStorageSetForTesting() {
    g_sms_storage_set.store(false);
    std::lock_guard<std::mutex> lock(g_last_mutex);
    g_last_wifi_name.clear();
}

std::uint32_t ParseDottedQuad(const std::string& text) {
    std::uint32_t value = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return 0;
            ++pos;
        }
        std::size_t digits = 0;
        unsigned octet = 0;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
               digits < 3) {
            octet = octet * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || octet > 255)
            return 0;
        value = (value << 8) | octet;
    }
    return pos == text.size() ? value : 0;
}

std::uint32_t PppAddressFromAdapters() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return 0;
    std::set<std::string> ppp_links;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            if (link->sll_hatype == ARPHRD_PPP)
                ppp_links.insert(entry->ifa_name);
        }
    }
    std::uint32_t address = 0;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const std::string name = entry->ifa_name;
        if (ppp_links.count(name) == 0 && name.rfind("ppp", 0) != 0)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr)
            address = ParseDottedQuad(text);
        break;
    }
    ::freeifaddrs(list);
    return address;
}

StatusEnvironment DefaultStatusEnvironment() {
    StatusEnvironment env;
    env.agent = [] { return Devices().ModemAgent(); };
    env.sms_export = [] { return Exports().SmsExport(); };
    env.ppp_address = PppAddressFromAdapters;
    return env;
}

CThreadUpdateStatus::CThreadUpdateStatus(IMessageTarget* target)
    : CThreadUpdateStatus(target, DefaultStatusEnvironment()) {}

CThreadUpdateStatus::CThreadUpdateStatus(IMessageTarget* target, StatusEnvironment environment)
    : target_(target), env_(std::move(environment)) {
    clock_ = env_.clock != nullptr ? env_.clock : &ProcessClock();
}

CThreadUpdateStatus::~CThreadUpdateStatus() {
    RequestStop();
    Join();
}

void CThreadUpdateStatus::RequestStop() {
    stop_requested_.store(true);
    stop_event_.Set();
}

void CThreadUpdateStatus::ClearStop() {
    stop_requested_.store(false);
    stop_event_.Clear();
}

void CThreadUpdateStatus::RecheckCard() {
    card_ready_.store(false);
    pin_required_.store(false);
}

void CThreadUpdateStatus::Post(unsigned number, std::uint64_t wparam, std::int64_t lparam,
                               std::string text) {
    if (target_ != nullptr)
        target_->Post(WindowMessage{number, wparam, lparam, std::move(text), {}});
}

void CThreadUpdateStatus::Run() {
    IModemAgent* agent = env_.agent ? env_.agent() : nullptr;
    if (agent == nullptr)
        return;
    while (!stop_requested_.load()) {
        PollOnce(*agent);
        for (int slice = 0; slice < kSleepSlices && !stop_requested_.load(); ++slice)
            clock_->SleepFor(kSleepSlice, &stop_event_);
    }
}

void CThreadUpdateStatus::PollOnce(IModemAgent& agent) {
    IDeviceControl& control = *agent.GetDeviceControl();
    int status = kStatusUntouched;
    const int level = control.GetSignalLevel(&status);
    if (status == kStatusOk)
        Post(kMsgSignal, static_cast<std::uint64_t>(level), 0);

    PollCard(control);

    if (card_ready_.load() && !g_sms_storage_set.load()) {
        status = kStatusUntouched;
        agent.GetSmsControl()->SetStorage("SM", "SM", "SM", &status);
        g_sms_storage_set.store(status == kStatusOk);
    }

    status = kStatusUntouched;
    const ServiceInfo service = control.GetServiceInfo(&status);
    if (status == kStatusOk) {
        Post(kMsgService, static_cast<std::uint64_t>(service.system_mode), service.service_state);
    } else {
        Post(kMsgService, kSystemModeUnknown, 0);
    }

    status = kStatusUntouched;
    const std::uint8_t indicator = control.GetIndicator(&status);
    if (status == kStatusOk)
        Post(kMsgIndicator, indicator, 0);

    if (poll_wifi_.load())
        PollWifi(control);
    PollHomeNetwork(control);
    PollMessages();

    const std::uint32_t address = env_.ppp_address ? env_.ppp_address() : 0;
    Post(kMsgAddress, address, 0);
}

void CThreadUpdateStatus::PollCard(IDeviceControl& control) {
    if (!card_ready_.load() && !pin_required_.load()) {
        int status = kStatusUntouched;
        const std::string card = Upper(control.GetCardStatus(&status));
        int service_status = kStatusUntouched;
        const ServiceInfo service = control.GetServiceInfo(&service_status);
        const bool ready = card == "READY";
        const bool pin = card == "SIM PIN" || card == "SIM PUK";
        card_ready_.store(ready);
        pin_required_.store(pin);
        const std::uint64_t card_type =
            service_status == kStatusOk ? static_cast<std::uint16_t>(service.card_type) : 0;
        if (!stop_requested_.load())
            Post(kMsgCardState, (static_cast<std::uint64_t>(ready ? 1 : 0) << 16) | card_type,
                 pin ? 1 : 0);
    }
}

void CThreadUpdateStatus::PollWifi(IDeviceControl& control) {
    int status = kStatusUntouched;
    const std::uint8_t mode = control.GetWorkMode(&status);
    if (status == kStatusOk && mode == kWorkModeWifi) {
        status = kStatusUntouched;
        std::string name = control.GetWifiSsid(&status);
        if (status != kStatusOk || name.empty())
            return;
        {
            std::lock_guard<std::mutex> lock(g_last_mutex);
            g_last_wifi_name = name;
        }
        Post(kMsgWifi, 0, 0, std::move(name));
        return;
    }
    std::string last;
    {
        std::lock_guard<std::mutex> lock(g_last_mutex);
        last = g_last_wifi_name;
    }
    Post(kMsgWifi, 0, 1, std::move(last));
}

void CThreadUpdateStatus::PollHomeNetwork(IDeviceControl& control) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int status = kStatusUntouched;
        const std::string imsi = control.GetImsi(&status);
        if (status == kStatusOk && imsi.size() >= 6) {
            Post(kMsgHomeNetwork, 0, 0, imsi.substr(0, 6));
            return;
        }
    }
}

void CThreadUpdateStatus::PollMessages() {
    ISMSExport* messages = env_.sms_export ? env_.sms_export() : nullptr;
    if (messages == nullptr) {
        Post(kMsgMessageState, 0, 0);
        return;
    }
    const int unread = messages->GetUnreadCount();
    messages->GetBox4UnreadCount();
    const bool full = messages->IsCardFull();
    Post(kMsgMessageState, unread != 0 ? 1 : 0, full ? 1 : 0);
}

}  // namespace dedevev

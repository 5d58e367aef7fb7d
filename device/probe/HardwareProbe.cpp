#include "device/probe/HardwareProbe.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "device/DeviceHolder.h"
#include "device/DeviceStatus.h"
#include "device/base/Clock.h"
#include "device/probe/AtProbe.h"
#include "device/probe/DeviceWatch.h"
#include "device/probe/SimulatedCards.h"
#include "device/probe/UsbModem.h"
#include "device/probe/UsbScan.h"

namespace dedevev::probe {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// Sort key of a USB result: a modem with a command port first, then a modem without, then
// a modem that cannot work yet (storage mode, missing driver).
int Rank(const UsbModem& modem) {
    switch (modem.verdict) {
        case UsbVerdict::kModem:
            return modem.at.empty() ? 1 : 0;
        case UsbVerdict::kStorageMode:
        case UsbVerdict::kDriverMissing:
            return 2;
        case UsbVerdict::kNotModem:
            break;
    }
    return 3;
}

std::string AskKey(const UsbDevice& device) {
    std::string key = device.path + "|" + device.Id();
    for (const UsbInterface& itf : device.interfaces) {
        for (const std::string& tty : itf.ttys) {
            key += "|" + tty;
        }
    }
    return key;
}

// Identity of what is there, for the watch: changes when a card comes, goes or changes.
std::string Identity(const FoundCard& card) {
    if (!card.present) {
        return {};
    }
    return std::string(SourceName(card.source)) + "|" + card.origin + "|" + card.at + "|" +
           card.data + "|" + card.voice + "|" + std::to_string(static_cast<int>(card.usb_verdict));
}

bool WriteAttribute(const std::string& path, const char* value) {
    std::ofstream out(path);
    out << value;
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

const char* SourceName(Source source) {
    switch (source) {
        case Source::kFixed:
            return "fixed";
        case Source::kSimulated:
            return "simulated";
        case Source::kUsb:
            return "usb";
        case Source::kNone:
            break;
    }
    return "none";
}

HardwareProbe::HardwareProbe(CDeviceStatus* owner, ProbeOptions options)
    : owner_(owner), options_(std::move(options)) {
    if (options_.device_folder.empty()) {
        options_.device_folder = DefaultDeviceFolder();
    }
    if (options_.clock == nullptr) {
        options_.clock = &ProcessClock();
    }
    if (!options_.answers_at) {
        options_.answers_at = [clock = options_.clock](const std::string& path) {
            return AnswersAt(path, std::chrono::milliseconds(400), clock);
        };
    }
}

HardwareProbe::~HardwareProbe() {
    StopWatch();
}

std::string HardwareProbe::DevPath(const std::string& tty) const {
    return tty.empty() ? std::string() : options_.dev_root + "/" + tty;
}

std::string HardwareProbe::GetPort0() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.data;
}

std::string HardwareProbe::GetPort1() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.data;
}

std::string HardwareProbe::GetDiagnosticPort() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.diag;
}

std::string HardwareProbe::GetAtPort() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.at;
}

std::string HardwareProbe::GetVoicePort() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.voice;
}

std::string HardwareProbe::GetUsbDevicePath() {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.source == Source::kUsb ? current_.origin : std::string();
}

void HardwareProbe::SetFixedPorts(const std::string& at, const std::string& data,
                                  const std::string& voice) {
    std::lock_guard<std::mutex> lock(mutex_);
    fixed_at_ = at;
    fixed_data_ = data.empty() ? at : data;
    fixed_voice_ = voice;
    current_ = FoundCard{};
    last_identity_.clear();
}

FoundCard HardwareProbe::Found() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

std::string HardwareProbe::DriverText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return driver_text_;
}

FoundCard HardwareProbe::Scan(bool may_ask_at) {
    FoundCard card;
    std::string at, data, voice;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        at = fixed_at_;
        data = fixed_data_;
        voice = fixed_voice_;
    }
    if (!at.empty()) {
        card.source = Source::kFixed;
        card.name = "fixed ports";
        card.at = at;
        card.data = data;
        card.voice = voice;
        card.present = Exists(at);
        return card;
    }
    if (std::optional<Announcement> sim = FindSimulatedCard(options_.device_folder)) {
        card.source = Source::kSimulated;
        card.present = true;
        card.name = sim->name;
        card.at = sim->at;
        card.data = sim->data.empty() ? sim->at : sim->data;
        card.voice = sim->voice;
        card.control = sim->control;
        card.origin = sim->file;
        return card;
    }
    return ScanUsb(may_ask_at);
}

FoundCard HardwareProbe::ScanUsb(bool may_ask_at) {
    const std::vector<UsbDevice> devices = ScanUsbDevices(options_.sysfs_root);
    const UsbDevice* best_device = nullptr;
    UsbModem best;
    for (const UsbDevice& device : devices) {
        UsbModem modem = ClassifyUsbDevice(device);
        if (modem.verdict == UsbVerdict::kNotModem) {
            continue;
        }
        if (modem.at.empty() && !modem.candidates.empty()) {
            const std::string key = AskKey(device);
            std::vector<std::string> answered;
            bool known = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (auto it = asked_.find(key); it != asked_.end()) {
                    answered = it->second;
                    known = true;
                }
            }
            if (!known && may_ask_at) {
                std::lock_guard<std::mutex> ask(ask_mutex_);
                for (const std::string& tty : modem.candidates) {
                    if (options_.answers_at(DevPath(tty))) {
                        answered.push_back(tty);
                        if (!NeedsEveryAnswer(modem)) {
                            break;
                        }
                    }
                }
                // Only answers are remembered: a modem still starting up is asked again.
                if (!answered.empty()) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    asked_[key] = answered;
                }
            }
            SettleFromAnswers(device, answered, &modem);
        }
        SettlePorts(device, &modem);
        if (best_device == nullptr || Rank(modem) < Rank(best)) {
            best_device = &device;
            best = std::move(modem);
        }
    }
    FoundCard card;
    if (best_device == nullptr) {
        return card;
    }
    card.source = Source::kUsb;
    card.present = true;
    card.name = best.name;
    card.at = DevPath(best.at);
    card.data = DevPath(best.data);
    card.voice = DevPath(best.voice);
    card.diag = DevPath(best.diag);
    card.origin = best_device->path;
    card.vendor_id = best_device->vendor_id;
    card.product_id = best_device->product_id;
    card.driver = best.driver;
    card.usb_verdict = best.verdict;
    return card;
}

bool HardwareProbe::StillThere(const FoundCard& card) const {
    switch (card.source) {
        case Source::kFixed:
            return Exists(card.at);
        case Source::kSimulated: {
            std::ifstream in(card.origin);
            if (!in) {
                return false;
            }
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            std::optional<Announcement> again = ParseAnnouncement(text);
            return again && again->at == card.at && IsLive(*again);
        }
        case Source::kUsb: {
            // The same port of the hub may now hold another device, or the same stick in
            // another mode (usb_modeswitch re-enumerates it with a new product id).
            char id[16];
            std::snprintf(id, sizeof id, "%04x%04x", card.vendor_id, card.product_id);
            if (ReadAttribute(card.origin + "/idVendor") +
                    ReadAttribute(card.origin + "/idProduct") !=
                id) {
                return false;
            }
            struct stat st {};
            if (card.at.empty()) {
                return true;
            }
            const std::string tty = card.at.substr(card.at.rfind('/') + 1);
            return ::stat((options_.sysfs_root + "/class/tty/" + tty).c_str(), &st) == 0;
        }
        case Source::kNone:
            break;
    }
    return false;
}

bool HardwareProbe::IsDevicePresent() {
    FoundCard card;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (resetting_) {
            return true;  // it is expected back; the reset decides
        }
        card = current_;
    }
    if (card.present && StillThere(card)) {
        return true;
    }
    card = Scan(false);
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = card;
    return card.present;
}

bool HardwareProbe::Refresh() {
    FoundCard card = Scan(true);
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = card;
    return card.present;
}

bool HardwareProbe::CheckDriver(int* code) {
    FoundCard card = Found();
    if (!card.present) {
        card = Scan(false);
        std::lock_guard<std::mutex> lock(mutex_);
        current_ = card;
    }
    int result = kDriverOk;
    std::string text = "ok";
    const std::string id = [&] {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%04x:%04x", card.vendor_id, card.product_id);
        return std::string(buffer);
    }();
    struct stat st {};
    if (card.source == Source::kNone) {
        result = kDriverNoDevice;
        text = "no card found";
    } else if (card.usb_verdict == UsbVerdict::kStorageMode) {
        result = kDriverStorageMode;
        text = "modem " + id + " is still in storage mode; usb_modeswitch has not switched it";
    } else if (card.usb_verdict == UsbVerdict::kDriverMissing) {
        result = kDriverMissing;
        text = "driver " + card.driver + " not loaded for " + id;
    } else if (card.at.empty()) {
        result = kDriverNoAtPort;
        text = "no port of " + card.name + " (" + id + ") answers AT";
    } else if (::stat(card.at.c_str(), &st) != 0) {
        result = kDriverPortMissing;
        text = "port " + card.at + " does not exist";
    } else if (::access(card.at.c_str(), R_OK | W_OK) != 0) {
        result = kDriverNoAccess;
        text = "no permission to use " + card.at;
        if (const group* g = ::getgrgid(st.st_gid); g != nullptr && st.st_gid != 0) {
            text += std::string(" (is the user in group ") + g->gr_name + "?)";
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        driver_text_ = text;
    }
    SetStatus(code, result);
    return result == kDriverOk;
}

void HardwareProbe::ResetDevice() {
    const FoundCard card = Found();
    if (card.source == Source::kUsb && !card.origin.empty()) {
        const std::string authorized = card.origin + "/authorized";
        if (::access(authorized.c_str(), W_OK) == 0) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                resetting_ = true;
            }
            // De-authorising unbinds every interface; authorising again makes the kernel
            // enumerate the modem afresh, as if it had been pulled and plugged in.
            IClock& clock = *options_.clock;
            WriteAttribute(authorized, "0");
            clock.SleepFor(std::chrono::milliseconds(500), nullptr);
            WriteAttribute(authorized, "1");
            const IClock::TimePoint deadline = clock.Deadline(options_.reset_wait);
            while (clock.Now() < deadline) {
                const FoundCard again = Scan(false);
                if (again.present && again.origin == card.origin && !again.at.empty() &&
                    Exists(again.at)) {
                    break;
                }
                clock.SleepFor(std::chrono::milliseconds(200), nullptr);
            }
            std::lock_guard<std::mutex> lock(mutex_);
            resetting_ = false;
        }
    }
    // Simulated cards and fixed ports have nothing to reset: look again.
    const FoundCard again = Scan(false);
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = again;
}

void HardwareProbe::ProbeStart() {
    const FoundCard card = Scan(false);
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = card;
    last_identity_ = Identity(card);
    if (watch_) {
        return;
    }
    DeviceWatch::Options watch_options;
    watch_options.device_folder = options_.device_folder;
    watch_options.use_netlink = options_.use_netlink;
    watch_options.poll_interval = options_.poll_interval;
    watch_options.settle = options_.settle;
    watch_options.clock = options_.clock;
    watch_ = std::make_unique<DeviceWatch>(watch_options, [this] { return WatchCheck(); });
    // The thread's first check waits for this lock, so it sees the identity set above.
    watch_->Start();
}

bool HardwareProbe::WatchCheck() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (resetting_) {
            return true;  // look again after the reset
        }
    }
    const FoundCard card = Scan(false);
    const std::string identity = Identity(card);
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        changed = identity != last_identity_;
        last_identity_ = identity;
    }
    if (changed && owner_ != nullptr) {
        owner_->NotifyDeviceChanged();
    }
    // A simulated card's process may die without removing its file: keep looking.
    return card.source == Source::kSimulated;
}

void HardwareProbe::StopWatch() {
    std::unique_ptr<DeviceWatch> watch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watch = std::move(watch_);
    }
    if (watch) {
        watch->Stop();
    }
}

bool HardwareProbe::WatchRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return watch_ && watch_->Running();
}

std::uint64_t HardwareProbe::WatchChecks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return watch_ ? watch_->Checks() : 0;
}

bool SetFixedHardwarePorts(IHardwareInfo* hardware, const std::string& at, const std::string& data,
                           const std::string& voice) {
    auto* probe = dynamic_cast<HardwareProbe*>(hardware);
    if (probe == nullptr) {
        return false;
    }
    probe->SetFixedPorts(at, data, voice);
    return true;
}

}  // namespace dedevev::probe

#pragma once
// The hardware query of this program: finds the card and its ports, in this order,
//   1. fixed ports the application read from its settings (SetFixedPorts),
//   2. a simulated card announced in the simulated-device folder,
//   3. a USB modem found through sysfs (see UsbScan, UsbModem and ModemTable),
// tells whether its drivers are in place, re-enumerates it, and watches for it to go away
// or come back, telling the owner through CDeviceStatus::NotifyDeviceChanged.
//
// IsDevicePresent and the watch never open a tty. Refresh may ask candidate ttys of a known
// maker's modem "AT" when its layout is not in the table; answers are remembered per device.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/IHardwareInfo.h"
#include "device/probe/UsbModem.h"

namespace dedevev {

class CDeviceStatus;
class IClock;

namespace probe {

class DeviceWatch;

// Where a card was found.
enum class Source { kNone, kFixed, kSimulated, kUsb };
const char* SourceName(Source source);  // "none", "fixed", "simulated", "usb"

// Codes of CheckDriver.
constexpr int kDriverOk = 0;
constexpr int kDriverNoDevice = 1;     // no card at all
constexpr int kDriverStorageMode = 2;  // a modem still in storage mode (usb_modeswitch)
constexpr int kDriverMissing = 3;      // a modem whose serial driver is not bound
constexpr int kDriverNoAtPort = 4;     // a modem none of whose ports answers AT
constexpr int kDriverNoAccess = 5;     // the AT port may not be opened by this user
constexpr int kDriverPortMissing = 6;  // the AT port named does not exist

// What was found, for the ports, the driver check and diagnostics.
struct FoundCard {
    Source source = Source::kNone;
    bool present = false;
    std::string name;
    std::string at;  // device paths ("/dev/ttyUSB2", "/dev/pts/4")
    std::string data;
    std::string voice;
    std::string diag;
    std::string control;  // simulated card: its control socket
    std::string origin;   // announcement file, USB device sysfs path, or empty
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::string driver;  // USB: serial driver bound (or the one missing)
    UsbVerdict usb_verdict = UsbVerdict::kNotModem;  // of a USB card
};

struct ProbeOptions {
    std::string sysfs_root = "/sys";
    std::string device_folder;  // empty: DefaultDeviceFolder()
    std::string dev_root = "/dev";
    // Asks one tty "AT"; null: AnswersAt. Tests count the ttys asked.
    std::function<bool(const std::string& path)> answers_at;
    bool use_netlink = true;
    std::chrono::milliseconds poll_interval{2000};
    std::chrono::milliseconds settle{200};
    // How long ResetDevice waits for a re-authorised USB modem's ports to come back.
    std::chrono::milliseconds reset_wait{10000};
    IClock* clock = nullptr;  // every wait and time-out of the probe; null: the process clock
};

class HardwareProbe final : public IHardwareInfo {
public:
    // `owner` (may be null) hears of device changes once ProbeStart has run.
    explicit HardwareProbe(CDeviceStatus* owner, ProbeOptions options = {});
    ~HardwareProbe() override;
    HardwareProbe(const HardwareProbe&) = delete;
    HardwareProbe& operator=(const HardwareProbe&) = delete;

    // Ports of the card found by the last look; empty when there is none.
    std::string GetPort0() override;  // the data port
    std::string GetPort1() override;  // the data port too: the dial-up drives the modem over it
    std::string GetDiagnosticPort() override;  // Qualcomm diagnostics, when known
    std::string GetAtPort() override;
    std::string GetVoicePort() override;
    // USB: de-authorises and re-authorises the device through sysfs (when this user may)
    // and waits up to `reset_wait` for its ports; then, for every source, looks again.
    // While it runs, IsDevicePresent says true and the watch tells nothing.
    void ResetDevice() override;
    // Checks that the card of the last look is still there (without opening anything);
    // when it is not, looks again without asking any tty.
    bool IsDevicePresent() override;
    // kDriver* codes; the text is DriverText().
    bool CheckDriver(int* code) override;
    // Looks (without asking any tty) and starts the watch; a second call only looks.
    void ProbeStart() override;
    // Looks again, asking the candidate ttys of a known maker's modem "AT" when needed.
    bool Refresh() override;
    std::string GetUsbDevicePath() override;

    // Ports the application's settings name for hardware the probe does not know; they win
    // over every other source while `at` is not empty. `data` defaults to `at`.
    void SetFixedPorts(const std::string& at, const std::string& data, const std::string& voice);
    // What was found by the last look (IsDevicePresent, Refresh, ProbeStart).
    FoundCard Found() const;
    // The text of the last CheckDriver ("ok", "driver option not loaded for 12d1:1506").
    std::string DriverText() const;
    // Stops the watch (the destructor does it too).
    void StopWatch();
    bool WatchRunning() const;
    // How many checks the watch has run (0 without a watch).
    std::uint64_t WatchChecks() const;

private:
    FoundCard Scan(bool may_ask_at);
    FoundCard ScanUsb(bool may_ask_at);
    bool StillThere(const FoundCard& card) const;
    bool WatchCheck();
    std::string DevPath(const std::string& tty) const;

    CDeviceStatus* owner_;
    ProbeOptions options_;
    mutable std::mutex mutex_;  // guards everything below
    FoundCard current_;
    std::string fixed_at_, fixed_data_, fixed_voice_;
    // The ttys that answered "AT", by device path, ids and tty list.
    std::map<std::string, std::vector<std::string>> asked_;
    std::string driver_text_;
    std::string last_identity_;
    bool resetting_ = false;
    std::mutex ask_mutex_;  // one "AT" question at a time
    std::unique_ptr<DeviceWatch> watch_;
};

// Hands the fixed ports of the settings to `hardware` when it is this probe; false when it
// is another implementation (then nothing happens).
bool SetFixedHardwarePorts(IHardwareInfo* hardware, const std::string& at, const std::string& data,
                           const std::string& voice);

}  // namespace probe
}  // namespace dedevev

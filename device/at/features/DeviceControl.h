#pragma once
// IDeviceControl over AT commands (docs/at-commands.md lists each operation's commands and
// fallbacks).

#include <mutex>
#include <string>
#include <vector>

#include "device/IDeviceControl.h"
#include "device/at/features/PreferredSystem.h"
#include "device/at/parsers/AtParsers.h"

namespace dedevev::at {

class ModemContext;

class DeviceControl final : public IDeviceControl {
public:
    explicit DeviceControl(ModemContext& context);
    DeviceControl(const DeviceControl&) = delete;
    DeviceControl& operator=(const DeviceControl&) = delete;
    ~DeviceControl() = default;

    void ConfigureA(int mode, int* status) override;
    int GetSignalLevel(int* status) override;
    void CheckAlive(int* status) override;
    std::string GetImsi(int* status) override;
    std::string GetManufacturer(int* status) override;
    std::string GetModel(int* status) override;
    std::uint8_t GetIndicator(int* status) override;
    std::string GetCardStatus(int* status) override;
    std::string GetFirmwareVersion(int* status) override;
    void ConfigureB(int mode, int* status) override;
    void SetApn(const std::string& apn, int* status) override;
    std::string GetApn(int* status) override;
    void SetCharacterSet(const std::string& charset, int* status) override;
    void SetNetworkMode(int mode, int* status) override;
    void HangUpData(int* status) override;
    std::vector<std::string> SearchNetworks(int* status) override;
    void SelectNetwork(const std::string& name, int* status) override;
    int GetNetworkMode(int* status) override;
    ServiceInfo GetServiceInfo(int* status) override;
    std::string GetHardwareId(int* status) override;
    std::string GetOperatorName(int* status) override;
    std::uint8_t GetWorkMode(int* status) override;
    void SetWorkMode(std::uint8_t mode, int* status) override;
    std::string GetWifiSsid(int* status) override;
    void RestoreFactorySettings(int* status) override;

    // Forgets the last network list (a new port was opened).
    void Reset();
    // The system mode of the card's own service record (^DDSRV, ^SYSINFOEX, ^SYSINFO) while it
    // is in service; nullopt without such a record.
    std::optional<int> OwnSystemMode();

private:
    // The text of the first answer line of an identification command, without its prefix.
    std::string Identification(const std::string& command, const std::string& prefix, int* status);
    bool RunOk(const std::string& command, int* status);
    // The data call ended through the AT port, where ATH ends every call: only when the card
    // is idle (nothing to end) or lists no voice call.
    void HangUpDataOnAtPort(int* status);
    std::optional<ServiceInfo> ServiceByRegistration();
    // The first service record the card has of its own; `no_fallback` set when the card did
    // not answer, or gave a bad answer to a command it has (a fallback would do no better).
    std::optional<ServiceInfo> OwnServiceRecord(bool* no_fallback);
    // Switches on a radio the card reports off (AT+CFUN? 0 or 4).
    void SwitchRadioOn();
    // Whether the card turned out to have no work modes (its answers are then not asked for).
    bool LacksWorkModes();
    // The factory reset of cards without ^DDRESET (AT&F, AT&W), and the set-up made again.
    void RestoreStandardSettings(int* status);

    ModemContext& context_;
    PreferredSystem preferred_{context_};
    std::mutex hang_up_mutex_;  // one HangUpData at a time on the data port
    std::mutex networks_mutex_;
    std::vector<NetworkEntry> last_networks_;
};

}  // namespace dedevev::at

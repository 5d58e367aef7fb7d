#pragma once
// Card-wide control: identity, signal, service, network choice, data call, work mode.

#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceStatus.h"

namespace dedevev {

// Radio systems reported in ServiceInfo::system_mode.
constexpr int kSystemModeNone = 0;
constexpr int kSystemModeAmps = 1;
constexpr int kSystemModeCdma = 2;
constexpr int kSystemModeGsm = 3;
constexpr int kSystemModeHdr = 4;
constexpr int kSystemModeWcdma = 5;
constexpr int kSystemModeLte = 9;

// Values of ServiceInfo::service_state.
constexpr int kServiceNone = 0;
constexpr int kServiceRestricted = 1;
constexpr int kServiceAvailable = 2;
constexpr int kServiceRestrictedRegional = 3;
constexpr int kServiceLowPower = 4;

// Values of ServiceInfo::card_type.
constexpr int kCardTypeNone = 0;
constexpr int kCardTypeUsim = 1;  // a USIM (GSM/UMTS card)
constexpr int kCardTypeUim = 2;   // an R-UIM (CDMA card)

// The service record: seven words, numbered from 0.
struct ServiceInfo {
    int service_status = 0;  // word 0: the card's raw service status
    int system_mode = 0;     // word 1: kSystemMode*
    int sms_restricted = 0;  // word 2: not 0 when messages cannot be sent in this system mode
    int roaming = 0;         // word 3: 1 when roaming
    int domain = 0;          // word 4: service domain (circuit, packet, both)
    int card_type = 0;       // word 5: kCardType*
    int service_state = 0;   // word 6: kService*

    friend bool operator==(const ServiceInfo&, const ServiceInfo&) = default;
};

// Values of the work mode byte.
constexpr std::uint8_t kWorkModeDongle = 0;
constexpr std::uint8_t kWorkModeWifi = 1;

// Every operation fails (status not kStatusOk) when the card does not answer or rejects the
// command; results are then 0, false or empty.
class IDeviceControl {
public:
    // 0: first part of the card set-up after opening (mode 0 in this program).
    virtual void ConfigureA(int mode, int* status) = 0;
    // 1: signal level on the 0..31 scale; 99 means not known.
    virtual int GetSignalLevel(int* status) = 0;
    // 2: succeeds when the card answers at all.
    virtual void CheckAlive(int* status) = 0;
    // 3: the subscriber identity (IMSI) of the card.
    virtual std::string GetImsi(int* status) = 0;
    // 4, 5: identification, not used by the program.
    virtual std::string GetManufacturer(int* status) {
        (void)status;
        return {};
    }
    virtual std::string GetModel(int* status) {
        (void)status;
        return {};
    }
    // 6: the card's indicator byte (its meaning is the library's).
    virtual std::uint8_t GetIndicator(int* status) = 0;
    // 7: the card's PIN state: "READY", "SIM PIN", "SIM PUK" or another text.
    virtual std::string GetCardStatus(int* status) = 0;
    // 8, 9, 10: further identification, not used by the program.
    virtual std::string GetFirmwareVersion(int* status) {
        (void)status;
        return {};
    }
    virtual std::string GetSerialNumber(int* status) {
        (void)status;
        return {};
    }
    virtual void Reserved10() {}
    // 11: second part of the card set-up (mode 1 in this program).
    virtual void ConfigureB(int mode, int* status) = 0;
    // 12: the access point name of the packet data context.
    virtual void SetApn(const std::string& apn, int* status) = 0;
    // 13: the access point name now set, not used by the program.
    virtual std::string GetApn(int* status) {
        (void)status;
        return {};
    }
    // 14: the character set of texts exchanged with the card ("UCS2").
    virtual void SetCharacterSet(const std::string& charset, int* status) = 0;
    // 15: the preferred radio system (1 GPRS, 2 UMTS, 4 automatic, 6 LTE, 10 CDMA, 11 EV-DO).
    virtual void SetNetworkMode(int mode, int* status) = 0;
    // 16: ends a data call that the card still holds; the voice calls go on (a failure rather
    // than a voice call cut).
    virtual void HangUpData(int* status) = 0;
    // 17: searches the networks; one text per network:
    // state,"long name","short name","number",system.
    virtual std::vector<std::string> SearchNetworks(int* status) = 0;
    // 18: registers on the network of that name by hand.
    virtual void SelectNetwork(const std::string& name, int* status) = 0;
    // 19: the preferred radio system now set, not used by the program.
    virtual int GetNetworkMode(int* status) {
        (void)status;
        return 0;
    }
    // 20: the service record (all words 0 on failure).
    virtual ServiceInfo GetServiceInfo(int* status) = 0;
    // 21, 22: not used by the program.
    virtual void Reserved21() {}
    virtual void Reserved22() {}
    // 23: the hardware identity of the card.
    virtual std::string GetHardwareId(int* status) = 0;
    // 24: the name of the network operator.
    virtual std::string GetOperatorName(int* status) = 0;
    // 25: not used by the program.
    virtual void Reserved25() {}
    // 26: the work mode (kWorkModeDongle, kWorkModeWifi); fails on cards without work modes.
    virtual std::uint8_t GetWorkMode(int* status) = 0;
    // 27: changes the work mode.
    virtual void SetWorkMode(std::uint8_t mode, int* status) = 0;
    // 28: the Wi-Fi network name in Wi-Fi mode.
    virtual std::string GetWifiSsid(int* status) = 0;
    // 29: resets the card to its factory settings.
    virtual void RestoreFactorySettings(int* status) = 0;

protected:
    ~IDeviceControl() = default;
};

}  // namespace dedevev

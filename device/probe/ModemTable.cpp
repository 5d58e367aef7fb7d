#include "device/probe/ModemTable.h"

#include <algorithm>
#include <iterator>

namespace dedevev::probe {

namespace {

// Makers of USB modems. Their ttys may be probed with "AT" when the model's layout is not
// in the table below. Vendor-specific serial interfaces are bound by `option` unless noted.
constexpr ModemVendor kVendors[] = {
    {0x05c6, "Qualcomm", "option"},  // reference designs, Gobi (qcserial) and rebadges
    {0x0af0, "Option", "hso"},       {0x0b3c, "Olivetti", "option"},
    {0x0bdb, "Ericsson", "cdc_acm"}, {0x1199, "Sierra Wireless", "sierra"},
    {0x12d1, "Huawei", "option"},    {0x1410, "Novatel", "option"},
    {0x1546, "u-blox", "cdc_acm"},   {0x19d2, "ZTE", "option"},
    {0x1bbb, "Alcatel", "option"},   {0x1bc7, "Telit", "option"},
    {0x1c9e, "Longcheer", "option"}, {0x1e0e, "SIMCom", "option"},
    {0x1e2d, "Cinterion", "option"}, {0x2c7c, "Quectel", "option"},
    {0x2cb7, "Fibocom", "option"},
};

// Port layouts of models whose interface numbers are fixed by their firmware. Sources:
// the makers' Windows driver files as collected by ModemManager's port-type rules, and
// the voice-port notes of open telephony gateways for the Huawei voice sticks.
//
//   vendor:product  model                       modem  AT  voice diag gps
//   12d1:1001       Huawei E1550/E169/E620        0     2    1    -    -
//   12d1:1003       Huawei E220/E270              0     1    -    -    -
//   12d1:140c       Huawei E17xx                  0     3    2    -    -
//   12d1:1436       Huawei E1750/E173             0     4    3    -    -
//   19d2:0001       ZTE MF622                     0     2    -    -    -
//   19d2:0002       ONDA MT503HS (ZTE)            2     4    -    -    -
//   19d2:0031       ZTE MF626/MF636               3     1    -    -    -
//   19d2:0063       ZTE K3565-Z                   3     1    -    -    -
//   19d2:0117       ZTE MF667/MF190               2     1    -    -    -
//   19d2:2002       ZTE K3765-Z                   3     1    -    -    -
//   1410:1400       Novatel U740                  0     1    -    -    -
//   1bbb:0000       Alcatel X200                  3     1    -    -    -
//   1bbb:00b7       Archos G9 (Alcatel)           4     ?    2    -    1   (AT among 0, 3)
//   1bc7:1003       Telit UC864-E                 0     2    -    -    -
//   1bc7:1004       Telit UC864-G                 0     3    -    -    2
//   1c9e:6061       Alcatel X020 (Longcheer)      0     2    -    -    -
//   1c9e:9603       Longcheer U6300               2     ?    -    -    -   (AT among 0, 1)
//   1e0e:9001       SIMCom SIM7600                3     2    4    0    1
//   1e0e:9200       SCT UM300 (SIMCom)            3     1    -    -    -
//   2c7c:0121       Quectel EC21                  3     2    -    0    1
//   2c7c:0125       Quectel EC25                  3     2    -    0    1
//   2c7c:0195       Quectel EG95                  3     2    -    0    1
//   2c7c:0296       Quectel BG96                  3     2    -    0    1
//   2c7c:0306       Quectel EP06/EG06             3     2    -    0    1
//   05c6:9215       Quectel EC20 (Qualcomm id)    3     2    -    0    1
//
// Models not listed fall back to the interface class codes (ClassRole) and, for the
// vendors above, to asking the candidate ports "AT".
constexpr PortLayout kLayouts[] = {
    {0x05c6, 0x9215, "Quectel EC20", 3, 2, -1, 0, 1},
    {0x12d1, 0x1001, "Huawei E1550", 0, 2, 1, -1, -1},
    {0x12d1, 0x1003, "Huawei E220", 0, 1, -1, -1, -1},
    {0x12d1, 0x140c, "Huawei E17xx", 0, 3, 2, -1, -1},
    {0x12d1, 0x1436, "Huawei E1750", 0, 4, 3, -1, -1},
    {0x1410, 0x1400, "Novatel U740", 0, 1, -1, -1, -1},
    {0x19d2, 0x0001, "ZTE MF622", 0, 2, -1, -1, -1},
    {0x19d2, 0x0002, "ONDA MT503HS", 2, 4, -1, -1, -1},
    {0x19d2, 0x0031, "ZTE MF626", 3, 1, -1, -1, -1},
    {0x19d2, 0x0063, "ZTE K3565-Z", 3, 1, -1, -1, -1},
    {0x19d2, 0x0117, "ZTE MF667", 2, 1, -1, -1, -1},
    {0x19d2, 0x2002, "ZTE K3765-Z", 3, 1, -1, -1, -1},
    {0x1bbb, 0x0000, "Alcatel X200", 3, 1, -1, -1, -1},
    {0x1bbb, 0x00b7, "Archos G9", 4, -1, 2, -1, 1},
    {0x1bc7, 0x1003, "Telit UC864-E", 0, 2, -1, -1, -1},
    {0x1bc7, 0x1004, "Telit UC864-G", 0, 3, -1, -1, 2},
    {0x1c9e, 0x6061, "Alcatel X020", 0, 2, -1, -1, -1},
    {0x1c9e, 0x9603, "Longcheer U6300", 2, -1, -1, -1, -1},
    {0x1e0e, 0x9001, "SIMCom SIM7600", 3, 2, 4, 0, 1},
    {0x1e0e, 0x9200, "SCT UM300", 3, 1, -1, -1, -1},
    {0x2c7c, 0x0121, "Quectel EC21", 3, 2, -1, 0, 1},
    {0x2c7c, 0x0125, "Quectel EC25", 3, 2, -1, 0, 1},
    {0x2c7c, 0x0195, "Quectel EG95", 3, 2, -1, 0, 1},
    {0x2c7c, 0x0296, "Quectel BG96", 3, 2, -1, 0, 1},
    {0x2c7c, 0x0306, "Quectel EP06", 3, 2, -1, 0, 1},
};

// Devices that are never modems. A product id of 0xffff stands for every product of the
// vendor. Many of them declare CDC ACM with the AT protocol, or use vendor-specific
// serial interfaces, so neither the class codes nor an answer to "AT" may decide.
struct DeviceId {
    std::uint16_t vendor_id;
    std::uint16_t product_id;
};
constexpr std::uint16_t kAnyProduct = 0xffff;
constexpr DeviceId kNeverModems[] = {
    {0x0403, kAnyProduct},  // FTDI USB-serial adapters
    {0x0483, 0x5740},       // STM32 virtual COM port
    {0x0525, 0xa4a7},       // Linux USB serial gadget (CDC ACM)
    {0x067b, kAnyProduct},  // Prolific USB-serial adapters
    {0x03eb, kAnyProduct},  // Atmel boards and boot loaders
    {0x0e8d, 0x3329},       // MediaTek GPS receivers
    {0x10c4, kAnyProduct},  // Silicon Labs CP210x adapters
    {0x1546, 0x01a5},       // u-blox 5 GPS
    {0x1546, 0x01a6},       // u-blox 6 GPS
    {0x1546, 0x01a7},       // u-blox 7 GPS
    {0x1546, 0x01a8},       // u-blox 8 GPS
    {0x1546, 0x01a9},       // u-blox 9 GPS
    {0x16c0, kAnyProduct},  // Teensy and other V-USB boards
    {0x1a86, kAnyProduct},  // WCH CH340/CH341 adapters
    {0x1b4f, kAnyProduct},  // SparkFun boards
    {0x1d50, kAnyProduct},  // OpenMoko community ids (hobby hardware)
    {0x1ffb, kAnyProduct},  // Pololu boards
    {0x239a, kAnyProduct},  // Adafruit boards
    {0x2341, kAnyProduct},  // Arduino
    {0x2a03, kAnyProduct},  // Arduino (arduino.org)
    {0x2e8a, kAnyProduct},  // Raspberry Pi Pico
    {0x303a, kAnyProduct},  // Espressif ESP32 boards
    {0x091e, kAnyProduct},  // Garmin GPS
};

// Storage-mode identities of modem sticks (what usb_modeswitch switches from).
constexpr DeviceId kStorageModes[] = {
    {0x05c6, 0x1000},  // Qualcomm-based sticks (many brands)
    {0x12d1, 0x1446},  // Huawei E1550/E1750 and friends
    {0x12d1, 0x14fe},  // Huawei E352/E353
    {0x12d1, 0x1f01},  // Huawei E3131/E3372/E353
    {0x1410, 0x5010},  // Novatel
    {0x1199, 0x0fff},  // Sierra Wireless
    {0x19d2, 0x0026},  // ZTE MF626/MF636 storage
    {0x19d2, 0x2000},  // ZTE MF6xx storage
    {0x1bbb, 0xf000},  // Alcatel X060s
    {0x1c9e, 0xf000},  // Longcheer
    {0x1e0e, 0xf000},  // SIMCom
};

bool Matches(const DeviceId& id, std::uint16_t vendor_id, std::uint16_t product_id) {
    return id.vendor_id == vendor_id &&
           (id.product_id == kAnyProduct || id.product_id == product_id);
}

}  // namespace

const ModemVendor* FindModemVendor(std::uint16_t vendor_id) {
    auto it = std::find_if(std::begin(kVendors), std::end(kVendors),
                           [&](const ModemVendor& v) { return v.vendor_id == vendor_id; });
    return it == std::end(kVendors) ? nullptr : &*it;
}

const PortLayout* FindPortLayout(std::uint16_t vendor_id, std::uint16_t product_id) {
    auto it = std::find_if(std::begin(kLayouts), std::end(kLayouts), [&](const PortLayout& l) {
        return l.vendor_id == vendor_id && l.product_id == product_id;
    });
    return it == std::end(kLayouts) ? nullptr : &*it;
}

bool IsNeverModem(std::uint16_t vendor_id, std::uint16_t product_id) {
    return std::any_of(std::begin(kNeverModems), std::end(kNeverModems),
                       [&](const DeviceId& id) { return Matches(id, vendor_id, product_id); });
}

bool IsStorageModeModem(std::uint16_t vendor_id, std::uint16_t product_id) {
    return std::any_of(std::begin(kStorageModes), std::end(kStorageModes),
                       [&](const DeviceId& id) { return Matches(id, vendor_id, product_id); });
}

PortRole ClassRole(std::uint16_t vendor_id, int cls, int subclass, int protocol) {
    // CDC ACM (communications class, abstract control model) with one of the AT
    // protocols: V.250, PCCA-101 and its annex, GSM 07.07, 3GPP 27.007, TIA CDMA.
    if (cls == 0x02 && subclass == 0x02 && protocol >= 0x01 && protocol <= 0x06) {
        return PortRole::kAcm;
    }
    if (vendor_id == 0x12d1 && cls == 0xff && (subclass == 0x01 || subclass == 0x02)) {
        switch (protocol) {
            case 0x01:
                return PortRole::kModem;
            case 0x02:
                return PortRole::kAt;
            case 0x05:
            case 0x14:
                return PortRole::kGps;
            default:
                break;
        }
    }
    return PortRole::kUnknown;
}

bool IsSerialCapableClass(int cls, int subclass) {
    return cls == 0xff || (cls == 0x02 && subclass == 0x02);
}

const char* RoleName(PortRole role) {
    switch (role) {
        case PortRole::kModem:
            return "modem";
        case PortRole::kAt:
            return "at";
        case PortRole::kAcm:
            return "acm";
        case PortRole::kVoice:
            return "voice";
        case PortRole::kDiag:
            return "diag";
        case PortRole::kGps:
            return "gps";
        case PortRole::kUnknown:
            break;
    }
    return "unknown";
}

}  // namespace dedevev::probe

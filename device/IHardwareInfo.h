#pragma once
// The hardware query: is a card there, which ports does it have.

#include <string>

namespace dedevev {

class CDeviceStatus;
class IHardwareInfo;

// Makes the hardware query for `owner`, which it may tell of device changes. May return null;
// the caller owns the result.
IHardwareInfo* GetHardware(CDeviceStatus* owner);

// Port texts are device paths ("/dev/ttyUSB2") in UTF-8; empty when there is no such port.
// The object belongs to whoever asked GetHardware for it (the device holder).
class IHardwareInfo {
public:
    // 0: the port the dial-up runs over.
    virtual std::string GetPort0() = 0;
    // 1: the port handed to the dial-up library as its control port.
    virtual std::string GetPort1() = 0;
    // 2: not used by the program.
    virtual std::string GetDiagnosticPort() { return {}; }
    // 3: the AT command port the modem object opens.
    virtual std::string GetAtPort() = 0;
    // 4: the PCM voice port; empty on cards without one.
    virtual std::string GetVoicePort() = 0;
    // 5: not used by the program.
    virtual void Reserved5() {}
    // 6: power-cycles or re-enumerates the card.
    virtual void ResetDevice() = 0;
    // 7, 8: not used by the program.
    virtual void Reserved7() {}
    virtual void Reserved8() {}
    // 9: whether a card is plugged in.
    virtual bool IsDevicePresent() = 0;
    // 10: whether the card's drivers are in place; on false `code` (may be null) says why.
    virtual bool CheckDriver(int* code) = 0;
    // 11: starts looking for cards (called once at start-up).
    virtual void ProbeStart() = 0;
    // 12: not used by the program.
    virtual void Reserved12() {}
    // 13: looks for the card again; true when one is found.
    virtual bool Refresh() = 0;
    // The sysfs path of the card's USB device; empty when the card is not a USB device found
    // through sysfs.
    virtual std::string GetUsbDevicePath() { return {}; }

    virtual ~IHardwareInfo() = default;
};

}  // namespace dedevev

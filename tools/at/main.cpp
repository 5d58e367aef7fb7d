// dedevev-at: the modem library's operations from the command line.

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "core/ModemManagerGate.h"
#include "device/DeviceHolder.h"
#include "device/IHardwareInfo.h"
#include "device/IModemAgent.h"
#include "device/at/features/ModemAgent.h"
#include "device/probe/HardwareProbe.h"
#include "tools/at/AtTool.h"
#ifdef DEDEVEV_AT_DBUS
#include "tools/at/ModemManagerHold.h"
#endif

using namespace dedevev;
using namespace dedevev::attool;

namespace {

struct AgentDeleter {
    void operator()(IModemAgent* agent) const { ReleaseModemAgent(agent); }
};

// The AT port: --port, else the first card the probe finds.
int FindPort(Output& out, std::string* port, CardIdentity* card) {
    CDeviceStatus status;
    std::unique_ptr<IHardwareInfo> hardware(GetHardware(&status));
    if (!hardware || !hardware->Refresh()) {
        return out.Fail(kExitNoCard, "no card found");
    }
    int code = 0;
    if (!hardware->CheckDriver(&code)) {
        auto* probe = dynamic_cast<probe::HardwareProbe*>(hardware.get());
        return out.Fail(kExitNoCard, "the card cannot be used: " + std::to_string(code) + " " +
                                         (probe != nullptr ? probe->DriverText() : ""));
    }
    *port = hardware->GetAtPort();
    card->ports = {hardware->GetAtPort(), hardware->GetPort0(), hardware->GetVoicePort()};
    card->usb_path = hardware->GetUsbDevicePath();
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    Output out(std::cout, std::cerr);
    Invocation inv;
    std::string error;
    if (!ParseArguments(std::vector<std::string>(argv + 1, argv + argc), &inv, &error)) {
        std::cerr << Usage();
        return out.Fail(kExitUsage, error);
    }
    if (inv.help) {
        std::cout << Usage();
        return kExitOk;
    }
    if (!CheckCommand(inv, &error)) {
        return out.Fail(kExitUsage, error);
    }

    if (inv.command == "ports") {
        if (!inv.port.empty()) {
            out.Field("source", "command line");
            out.Field("at", inv.port);
            return kExitOk;
        }
        CDeviceStatus status;
        std::unique_ptr<IHardwareInfo> hardware(GetHardware(&status));
        return PrintPorts(hardware.get(), out);
    }

    std::string port = inv.port;
    CardIdentity card{{port}, {}};
    if (port.empty()) {
        if (const int code = FindPort(out, &port, &card); code != kExitOk) {
            return code;
        }
    }
#ifdef DEDEVEV_AT_DBUS
    // ModemManager lets go of the card while the tool uses it (until `hold` goes).
    attool::ModemManagerHold hold;
    if (const int code = hold.Take(card, out); code != kExitOk) {
        return code;
    }
#endif
    std::unique_ptr<IModemAgent, AgentDeleter> agent(CreateModemAgent());
    if (!agent) {
        return out.Fail(kExitPort, "the modem library could not be started");
    }
    int status = kStatusUntouched;
    if (!agent->Open(port, 115200, &status)) {
        const std::string holders = PortHolders(port);
        if (!holders.empty()) {
            return out.Fail(kExitPort, "port " + port + " is busy: held by " + holders);
        }
        if (const auto denial = at::LastModemDenial(agent.get())) {
            return out.Fail(kExitPort, at::DescribeDenial(*denial));
        }
        return out.Fail(kExitPort, "cannot open port " + port);
    }
    // The card may still be starting: give it a few seconds, as the program does.
    bool alive = false;
    for (int attempt = 0; attempt < 3 && !alive; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        status = kStatusUntouched;
        agent->GetDeviceControl()->CheckAlive(&status);
        alive = status == kStatusOk;
    }
    if (!alive) {
        return out.Fail(kExitTimeout, "the card on " + port + " does not answer");
    }
    status = kStatusUntouched;
    agent->GetDeviceControl()->ConfigureA(0, &status);
    return RunCommand(inv, agent.get(), out);
}

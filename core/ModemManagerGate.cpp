#include "core/ModemManagerGate.h"

#include <atomic>
#include <cstdio>

#include "core/TextCodec.h"
#include "resources/Localizer.h"

namespace dedevev {
namespace {

std::atomic<IModemManagerGate*> g_gate{nullptr};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

IModemManagerGate* SetModemManagerGate(IModemManagerGate* gate) {
    return g_gate.exchange(gate);
}

IModemManagerGate* ModemManagerGate() {
    return g_gate.load();
}

void ReleaseModemManagerHold() {
    if (IModemManagerGate* gate = g_gate.load())
        gate->Release();
}

bool CardHasPort(const CardIdentity& card, const std::string& port) {
    const std::string name = BaseName(port);
    if (name.empty())
        return false;
    for (const std::string& own : card.ports) {
        if (!own.empty() && BaseName(own) == name)
            return true;
    }
    return false;
}

std::string ModemManagerIgnoreRule(const ModemHold& hold) {
    // The rule names the device by its USB ids, so it keeps working when the tty names move.
    const std::string vendor = hold.vendor != 0 ? Hex4(hold.vendor) : "xxxx";
    const std::string product = hold.product != 0 ? Hex4(hold.product) : "xxxx";
    return "ACTION==\"add|change|move|bind\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"" + vendor +
           "\", ATTRS{idProduct}==\"" + product + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
}

std::u16string ModemManagerRefusalText(const ModemHold& hold) {
    std::u16string text = LocalText(std::string_view("MMRefused"));
    const std::string reason = hold.reason.empty() ? "no reason given" : hold.reason;
    text = ReplaceAll(text, u"%2", Utf8ToUtf16(ModemManagerIgnoreRule(hold)));
    return ReplaceAll(text, u"%1", Utf8ToUtf16(reason));
}

}  // namespace dedevev

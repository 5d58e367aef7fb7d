#include "device/probe/UsbModem.h"

#include <algorithm>

#include "device/probe/ModemTable.h"

namespace dedevev::probe {

namespace {

struct Port {
    std::string tty;
    int interface = -1;
    PortRole role = PortRole::kUnknown;
};

PortRole LayoutRole(const PortLayout& layout, int number) {
    if (number < 0) {
        return PortRole::kUnknown;
    }
    if (number == layout.modem) {
        return PortRole::kModem;
    }
    if (number == layout.at) {
        return PortRole::kAt;
    }
    if (number == layout.voice) {
        return PortRole::kVoice;
    }
    if (number == layout.diag) {
        return PortRole::kDiag;
    }
    if (number == layout.gps) {
        return PortRole::kGps;
    }
    return PortRole::kUnknown;
}

std::string FirstWithRole(const std::vector<Port>& ports, PortRole role) {
    for (const Port& port : ports) {
        if (port.role == role) {
            return port.tty;
        }
    }
    return {};
}

bool NeverAsked(PortRole role) {
    return role == PortRole::kDiag || role == PortRole::kGps || role == PortRole::kVoice;
}

std::string DisplayName(const UsbDevice& device, const PortLayout* layout,
                        const ModemVendor* vendor) {
    if (layout != nullptr) {
        return layout->model;
    }
    std::string name = device.manufacturer;
    if (!device.product.empty()) {
        name += (name.empty() ? "" : " ") + device.product;
    }
    if (name.empty()) {
        name = std::string(vendor != nullptr ? vendor->name : "USB modem") + " " + device.Id();
    }
    return name;
}

}  // namespace

UsbModem ClassifyUsbDevice(const UsbDevice& device) {
    UsbModem modem;
    if (IsNeverModem(device.vendor_id, device.product_id)) {
        return modem;
    }
    const ModemVendor* vendor = FindModemVendor(device.vendor_id);
    const PortLayout* layout = FindPortLayout(device.vendor_id, device.product_id);
    modem.name = DisplayName(device, layout, vendor);

    if (device.TtyCount() == 0) {
        if (IsStorageModeModem(device.vendor_id, device.product_id)) {
            modem.verdict = UsbVerdict::kStorageMode;
            return modem;
        }
        // A known maker's device, or any device declaring CDC ACM with an AT protocol,
        // whose serial-capable interfaces have no driver bound: the tty driver is missing.
        for (const UsbInterface& itf : device.interfaces) {
            const bool acm =
                ClassRole(device.vendor_id, itf.cls, itf.subclass, itf.protocol) == PortRole::kAcm;
            if (itf.driver.empty() &&
                (acm || (vendor != nullptr && IsSerialCapableClass(itf.cls, itf.subclass)))) {
                modem.verdict = UsbVerdict::kDriverMissing;
                modem.driver = acm || vendor == nullptr ? "cdc_acm" : vendor->serial_driver;
                return modem;
            }
        }
        return modem;
    }

    std::vector<Port> ports;
    bool declares_modem = false;
    for (const UsbInterface& itf : device.interfaces) {
        const PortRole class_role =
            ClassRole(device.vendor_id, itf.cls, itf.subclass, itf.protocol);
        declares_modem = declares_modem || class_role == PortRole::kAcm;
        for (const std::string& tty : itf.ttys) {
            PortRole role = layout != nullptr ? LayoutRole(*layout, itf.number) : class_role;
            ports.push_back({tty, itf.number, role});
        }
    }
    if (vendor == nullptr && !declares_modem) {
        return modem;  // an unknown serial device: not ours to open
    }
    modem.verdict = UsbVerdict::kModem;
    modem.at = FirstWithRole(ports, PortRole::kAt);
    modem.data = FirstWithRole(ports, PortRole::kModem);
    modem.voice = FirstWithRole(ports, PortRole::kVoice);
    modem.diag = FirstWithRole(ports, PortRole::kDiag);

    // CDC ACM functions all speak AT: the first carries the data, the second (when there
    // is one) the commands, so that a dial-up and the status polling can run together.
    std::vector<std::string> acm;
    for (const Port& port : ports) {
        if (port.role == PortRole::kAcm) {
            acm.push_back(port.tty);
        }
    }
    if (!acm.empty()) {
        if (modem.data.empty()) {
            modem.data = acm[0];
        }
        if (modem.at.empty()) {
            modem.at = acm.size() > 1 && acm[1] != modem.data ? acm[1] : acm[0];
        }
    }

    if (modem.at.empty() && vendor != nullptr) {
        // Ask the ports of unknown role first, then interface 0 (by convention the modem
        // port of most sticks), the data port last: it answers AT as well, but is wanted
        // for the dial-up.
        for (const Port& port : ports) {
            if (!NeverAsked(port.role) && port.tty != modem.data && port.interface != 0) {
                modem.candidates.push_back(port.tty);
            }
        }
        for (const Port& port : ports) {
            if (!NeverAsked(port.role) && port.tty != modem.data && port.interface == 0) {
                modem.candidates.push_back(port.tty);
            }
        }
        if (!modem.data.empty()) {
            modem.candidates.push_back(modem.data);
        }
    }

    const std::string& reference = modem.at.empty() ? ports.front().tty : modem.at;
    if (const UsbInterface* itf = device.InterfaceOfTty(reference)) {
        modem.driver = itf->driver;
    }
    return modem;
}

void SettleFromAnswers(const UsbDevice& device, const std::vector<std::string>& answered,
                       UsbModem* modem) {
    if (answered.empty()) {
        return;
    }
    modem->at = answered.front();
    if (!modem->data.empty()) {
        return;
    }
    // The data port speaks AT too: the answering port on interface 0, else another one.
    for (const UsbInterface& itf : device.interfaces) {
        for (const std::string& tty : itf.ttys) {
            if (itf.number == 0 && tty != modem->at &&
                std::find(answered.begin(), answered.end(), tty) != answered.end()) {
                modem->data = tty;
                return;
            }
        }
    }
    modem->data = answered.size() > 1 ? answered[1] : modem->at;
}

void SettlePorts(const UsbDevice& device, UsbModem* modem) {
    if (!modem->data.empty() || modem->at.empty()) {
        return;  // known (a single-port modem shares it with the commands), or no modem yet
    }
    auto usable = [&](const std::string& tty) {
        return !tty.empty() && tty != modem->at && tty != modem->voice && tty != modem->diag;
    };
    for (const UsbInterface& itf : device.interfaces) {
        if (itf.number == 0 && !itf.ttys.empty() && usable(itf.ttys.front())) {
            modem->data = itf.ttys.front();
            return;
        }
    }
    const PortLayout* layout = FindPortLayout(device.vendor_id, device.product_id);
    for (const UsbInterface& itf : device.interfaces) {
        const PortRole role =
            layout != nullptr ? LayoutRole(*layout, itf.number)
                              : ClassRole(device.vendor_id, itf.cls, itf.subclass, itf.protocol);
        for (const std::string& tty : itf.ttys) {
            if (usable(tty) && role != PortRole::kGps) {
                modem->data = tty;
                return;
            }
        }
    }
    modem->data = modem->at;
}

}  // namespace dedevev::probe

#include "device/probe/UsbScan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace dedevev::probe {

namespace fs = std::filesystem;

namespace {

int ReadHex(const fs::path& path) {
    const std::string text = ReadAttribute(path.string());
    if (text.empty()) {
        return -1;
    }
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(text, &used, 16);
        return used == text.size() && value <= 0xffff ? static_cast<int>(value) : -1;
    } catch (...) {
        return -1;
    }
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string LinkTargetName(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// `path` lies inside `root` (both canonical).
bool Inside(const fs::path& root, const fs::path& path) {
    auto r = root.begin();
    auto p = path.begin();
    for (; r != root.end(); ++r, ++p) {
        if (p == path.end() || *r != *p) {
            return false;
        }
    }
    return true;
}

UsbInterface ReadInterface(const fs::path& dir) {
    UsbInterface itf;
    itf.number = ReadHex(dir / "bInterfaceNumber");
    itf.cls = ReadHex(dir / "bInterfaceClass");
    itf.subclass = ReadHex(dir / "bInterfaceSubClass");
    itf.protocol = ReadHex(dir / "bInterfaceProtocol");
    itf.driver = LinkTargetName(dir / "driver");
    std::error_code ec;
    // usb-serial ports: <interface>/ttyUSB0; CDC ACM: <interface>/tty/ttyACM0.
    for (const fs::path& parent : {dir, dir / "tty"}) {
        for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (IsUsbTtyName(name)) {
                itf.ttys.push_back(name);
            }
        }
        ec.clear();
    }
    std::sort(itf.ttys.begin(), itf.ttys.end());
    return itf;
}

void ReadDevice(const fs::path& dir, UsbDevice* device) {
    device->path = dir.string();
    device->bus_id = dir.filename().string();
    device->vendor_id = static_cast<std::uint16_t>(std::max(0, ReadHex(dir / "idVendor")));
    device->product_id = static_cast<std::uint16_t>(std::max(0, ReadHex(dir / "idProduct")));
    device->manufacturer = ReadAttribute((dir / "manufacturer").string());
    device->product = ReadAttribute((dir / "product").string());
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Interfaces are named "<bus id>:<configuration>.<interface>".
        if (name.rfind(device->bus_id + ":", 0) == 0 && IsFile(it->path() / "bInterfaceNumber")) {
            device->interfaces.push_back(ReadInterface(it->path()));
        }
    }
    std::sort(device->interfaces.begin(), device->interfaces.end(),
              [](const UsbInterface& a, const UsbInterface& b) { return a.number < b.number; });
}

// The USB device directory of a tty, or empty when the tty is not on a USB interface.
fs::path UsbDeviceOfTty(const fs::path& root, const std::string& tty) {
    std::error_code ec;
    fs::path dir = fs::canonical(root / "class" / "tty" / tty / "device", ec);
    if (ec) {
        return {};
    }
    // ttyUSB: device = <interface>/ttyUSBn; ttyACM: device = <interface>.
    for (int depth = 0; depth < 3 && Inside(root, dir); ++depth, dir = dir.parent_path()) {
        if (IsFile(dir / "bInterfaceNumber")) {
            const fs::path device = dir.parent_path();
            return IsFile(device / "idVendor") && Inside(root, device) ? device : fs::path();
        }
    }
    return {};
}

}  // namespace

std::string ReadAttribute(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return {};
    }
    std::string text;
    char buffer[512];
    in.read(buffer, sizeof buffer);
    text.assign(buffer, static_cast<std::size_t>(in.gcount()));
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsUsbTtyName(const std::string& name) {
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        const std::string p(prefix);
        if (name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
            std::all_of(name.begin() + static_cast<long>(p.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            return true;
        }
    }
    return false;
}

const UsbInterface* UsbDevice::InterfaceOfTty(const std::string& tty) const {
    for (const UsbInterface& itf : interfaces) {
        if (std::find(itf.ttys.begin(), itf.ttys.end(), tty) != itf.ttys.end()) {
            return &itf;
        }
    }
    return nullptr;
}

std::size_t UsbDevice::TtyCount() const {
    std::size_t count = 0;
    for (const UsbInterface& itf : interfaces) {
        count += itf.ttys.size();
    }
    return count;
}

std::string UsbDevice::Id() const {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor_id, product_id);
    return text;
}

std::vector<UsbDevice> ScanUsbDevices(const std::string& sysfs_root) {
    std::error_code ec;
    const fs::path root = fs::canonical(sysfs_root, ec);
    if (ec) {
        return {};
    }
    std::map<std::string, fs::path> found;  // canonical path -> path

    // The ttys first: that is where modems show themselves.
    for (fs::directory_iterator it(root / "class" / "tty", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsUsbTtyName(name)) {
            continue;  // ttyS*, consoles, ptys: never ours to touch
        }
        const fs::path device = UsbDeviceOfTty(root, name);
        if (!device.empty()) {
            found.emplace(device.string(), device);
        }
    }
    ec.clear();
    // Then every USB device, for modems whose serial ports did not appear.
    for (fs::directory_iterator it(root / "bus" / "usb" / "devices", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') != std::string::npos || name.rfind("usb", 0) == 0) {
            continue;  // interfaces and root hubs
        }
        std::error_code ec2;
        const fs::path device = fs::canonical(it->path(), ec2);
        if (!ec2 && Inside(root, device) && IsFile(device / "idVendor")) {
            found.emplace(device.string(), device);
        }
    }

    std::vector<UsbDevice> devices;
    for (const auto& [key, path] : found) {
        UsbDevice device;
        ReadDevice(path, &device);
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const UsbDevice& a, const UsbDevice& b) { return a.bus_id < b.bus_id; });
    return devices;
}

}  // namespace dedevev::probe

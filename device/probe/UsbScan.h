#pragma once
// Reads the USB serial devices from sysfs: every ttyUSB* and ttyACM* is resolved to its USB
// interface and USB device, and the ttys of one device are grouped. USB devices without a
// tty are listed as well (with their interfaces), so that a modem whose serial driver is
// missing, or that still sits in storage mode, can be named. Nothing here opens a tty.
//
// The sysfs root is a parameter: tests build a tree of directories, files and symlinks in
// the same shape as the kernel's.

#include <cstdint>
#include <string>
#include <vector>

namespace dedevev::probe {

struct UsbInterface {
    int number = -1;
    int cls = -1;  // bInterfaceClass, -1 when unreadable
    int subclass = -1;
    int protocol = -1;
    std::string driver;             // the bound kernel driver ("option", "cdc_acm"), or empty
    std::vector<std::string> ttys;  // tty names below it ("ttyUSB2")
};

struct UsbDevice {
    std::string path;    // the device's sysfs directory, symlinks resolved
    std::string bus_id;  // its directory name, e.g. "1-2" or "3-1.4"
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::string manufacturer;  // the device's own strings, may be empty
    std::string product;
    std::vector<UsbInterface> interfaces;  // by interface number

    // The interface that holds `tty`, or null.
    const UsbInterface* InterfaceOfTty(const std::string& tty) const;
    // Number of ttys on all interfaces.
    std::size_t TtyCount() const;
    // "12d1:1001"
    std::string Id() const;
};

// Every USB device that has a ttyUSB/ttyACM, or that is listed under bus/usb/devices, sorted
// by bus id. Serial ports that are not USB (ttyS*, platform UARTs) are never looked at.
std::vector<UsbDevice> ScanUsbDevices(const std::string& sysfs_root);

// True for tty names the probe looks at: ttyUSB<n> and ttyACM<n>.
bool IsUsbTtyName(const std::string& name);

// Reads a sysfs attribute, trimmed of surrounding white space; empty when unreadable.
std::string ReadAttribute(const std::string& path);

}  // namespace dedevev::probe

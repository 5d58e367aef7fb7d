#pragma once
// A sysfs tree in a temporary folder, in the kernel's shape:
//   devices/pci0000:00/0000:00:14.0/usb1/<bus id>/{idVendor,idProduct,product,authorized}
//   .../<bus id>/<bus id>:1.<n>/{bInterfaceNumber,bInterfaceClass,...,driver -> ...}
//   .../<bus id>:1.<n>/ttyUSB0/tty/ttyUSB0            (usb-serial port)
//   .../<bus id>:1.<n>/tty/ttyACM0                    (CDC ACM)
//   class/tty/<tty> -> the tty's directory, whose `device` links to the port or interface
//   bus/usb/devices/<bus id> -> the device directory
// plus a fake /dev folder holding a plain file per tty.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace dedevev::test {

class FakeSysfs {
public:
    explicit FakeSysfs(const std::string& root)
        : root_(root + "sys"),
          dev_(root + "dev"),
          usb_(root_ / "devices/pci0000:00/0000:00:14.0/usb1") {
        std::filesystem::create_directories(usb_);
        std::filesystem::create_directories(root_ / "class/tty");
        std::filesystem::create_directories(root_ / "bus/usb/devices");
        std::filesystem::create_directories(root_ / "bus/usb/drivers");
        std::filesystem::create_directories(dev_);
        std::filesystem::create_directories(root_ / "devices/platform/serial8250/tty");
    }

    std::string Root() const { return root_.string(); }
    std::string Dev() const { return dev_.string(); }
    std::string DevicePath(const std::string& bus_id) const { return (usb_ / bus_id).string(); }

    void AddDevice(const std::string& bus_id, std::uint16_t vid, std::uint16_t pid,
                   const std::string& product = "") {
        const auto dir = usb_ / bus_id;
        std::filesystem::create_directories(dir);
        Write(dir / "idVendor", Hex4(vid));
        Write(dir / "idProduct", Hex4(pid));
        if (!product.empty()) {
            Write(dir / "product", product);
        }
        Write(dir / "authorized", "1");
        std::filesystem::create_directory_symlink(dir, root_ / "bus/usb/devices" / bus_id);
    }

    // An interface; an empty `driver` leaves it unbound.
    void AddInterface(const std::string& bus_id, int number, int cls, int sub, int proto,
                      const std::string& driver) {
        const auto dir = Interface(bus_id, number);
        std::filesystem::create_directories(dir);
        Write(dir / "bInterfaceNumber", Hex2(number));
        Write(dir / "bInterfaceClass", Hex2(cls));
        Write(dir / "bInterfaceSubClass", Hex2(sub));
        Write(dir / "bInterfaceProtocol", Hex2(proto));
        if (!driver.empty()) {
            std::filesystem::create_directories(root_ / "bus/usb/drivers" / driver);
            std::filesystem::create_directory_symlink(root_ / "bus/usb/drivers" / driver,
                                                      dir / "driver");
        }
    }

    // A usb-serial tty (ttyUSB*) on an interface.
    void AddSerialTty(const std::string& bus_id, int number, const std::string& tty) {
        const auto port = Interface(bus_id, number) / tty;
        std::filesystem::create_directories(port / "tty" / tty);
        Write(port / "port_number", "0");
        std::filesystem::create_directory_symlink(port, port / "tty" / tty / "device");
        std::filesystem::create_directory_symlink(port / "tty" / tty, root_ / "class/tty" / tty);
        Write(dev_ / tty, "");
    }

    // A CDC ACM tty (ttyACM*) on an interface.
    void AddAcmTty(const std::string& bus_id, int number, const std::string& tty) {
        const auto itf = Interface(bus_id, number);
        std::filesystem::create_directories(itf / "tty" / tty);
        std::filesystem::create_directory_symlink(itf, itf / "tty" / tty / "device");
        std::filesystem::create_directory_symlink(itf / "tty" / tty, root_ / "class/tty" / tty);
        Write(dev_ / tty, "");
    }

    // An on-board UART (ttyS*): its device is a platform device, not USB.
    void AddPlatformTty(const std::string& tty) {
        const auto dir = root_ / "devices/platform/serial8250/tty" / tty;
        std::filesystem::create_directories(dir);
        std::filesystem::create_directory_symlink(root_ / "devices/platform/serial8250",
                                                  dir / "device");
        std::filesystem::create_directory_symlink(dir, root_ / "class/tty" / tty);
        Write(dev_ / tty, "");
    }

    void RemoveTty(const std::string& tty) {
        std::filesystem::remove(root_ / "class/tty" / tty);
        std::filesystem::remove(dev_ / tty);
    }

    void RemoveDevice(const std::string& bus_id) {
        std::filesystem::remove_all(usb_ / bus_id);
        std::filesystem::remove(root_ / "bus/usb/devices" / bus_id);
        for (const auto& entry : std::filesystem::directory_iterator(root_ / "class/tty")) {
            std::error_code ec;
            if (!std::filesystem::exists(entry.path(), ec)) {
                std::filesystem::remove(entry.path());  // a dangling link
            }
        }
    }

    // A Huawei E1550-like modem: interfaces 0 (modem), 1 (voice), 2 (PC UI), vendor class.
    void AddHuaweiE1550(const std::string& bus_id, int first_tty) {
        AddDevice(bus_id, 0x12d1, 0x1001, "HUAWEI Mobile");
        for (int i = 0; i < 3; ++i) {
            AddInterface(bus_id, i, 0xff, 0xff, 0xff, "option");
            AddSerialTty(bus_id, i, "ttyUSB" + std::to_string(first_tty + i));
        }
    }

private:
    std::filesystem::path Interface(const std::string& bus_id, int number) const {
        return usb_ / bus_id / (bus_id + ":1." + std::to_string(number));
    }
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text << (text.empty() ? "" : "\n");
    }
    static std::string Hex4(unsigned value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%04x", value & 0xffff);
        return buffer;
    }
    static std::string Hex2(int value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02x", value & 0xff);
        return buffer;
    }

    std::filesystem::path root_;
    std::filesystem::path dev_;
    std::filesystem::path usb_;
};

}  // namespace dedevev::test

// USB modems found in a fake sysfs tree: which device is a modem, which tty is which port,
// which ttys are asked "AT" (and which never are), and what the driver check says.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "device/probe/HardwareProbe.h"
#include "device/probe/ModemTable.h"
#include "device/probe/UsbScan.h"
#include "tests/device/probe/ProbeTestSupport.h"

namespace dedevev::probe {
namespace {

using test::FakeSysfs;
using test::ProbeWorld;

struct UsbCase {
    const char* label;
    std::function<void(FakeSysfs&)> build;
    std::set<std::string> answering;  // ttys that answer "AT"
    bool present;
    std::string at, data, voice;  // tty names, empty = none
    std::vector<std::string> asked;
    int driver_code;
    std::string driver_text;  // expected part of the text; empty = not checked
};

void PrintTo(const UsbCase& c, std::ostream* os) {
    *os << c.label;
}

void Arduino(FakeSysfs& s) {
    // An Uno declares CDC ACM with the V.250 AT protocol, exactly like a modem.
    s.AddDevice("1-1", 0x2341, 0x0043, "Arduino Uno");
    s.AddInterface("1-1", 0, 0x02, 0x02, 0x01, "cdc_acm");
    s.AddInterface("1-1", 1, 0x0a, 0x00, 0x00, "cdc_acm");
    s.AddAcmTty("1-1", 0, "ttyACM0");
}

void ZteUnknownModel(FakeSysfs& s) {
    s.AddDevice("1-4", 0x19d2, 0x1234, "ZTE WCDMA Technologies MSM");
    for (int i = 0; i < 3; ++i) {
        s.AddInterface("1-4", i, 0xff, 0xff, 0xff, "option");
        s.AddSerialTty("1-4", i, "ttyUSB" + std::to_string(i));
    }
}

const UsbCase kCases[] = {
    {"HuaweiE1550ByLayoutBesideUart",
     [](FakeSysfs& s) {
         s.AddPlatformTty("ttyS0");
         s.AddHuaweiE1550("1-2", 0);
     },
     {},
     true,
     "ttyUSB2",
     "ttyUSB0",
     "ttyUSB1",
     {},
     kDriverOk,
     "ok"},
    {"HuaweiByInterfaceProtocol",
     [](FakeSysfs& s) {
         s.AddDevice("1-2", 0x12d1, 0x1506, "HUAWEI Mobile");
         s.AddInterface("1-2", 0, 0xff, 0x02, 0x01, "option");
         s.AddSerialTty("1-2", 0, "ttyUSB0");
         s.AddInterface("1-2", 1, 0xff, 0x02, 0x03, "option");
         s.AddSerialTty("1-2", 1, "ttyUSB1");
         s.AddInterface("1-2", 2, 0xff, 0x02, 0x02, "option");
         s.AddSerialTty("1-2", 2, "ttyUSB2");
         s.AddInterface("1-2", 3, 0xff, 0x02, 0x16, "qmi_wwan");
     },
     {},
     true,
     "ttyUSB2",
     "ttyUSB0",
     "",
     {},
     kDriverOk,
     ""},
    {"ZteMf626WithStorageInterface",
     [](FakeSysfs& s) {
         s.AddDevice("2-1", 0x19d2, 0x0031, "ZTE WCDMA Technologies MSM");
         s.AddInterface("2-1", 0, 0xff, 0xff, 0xff, "option");
         s.AddSerialTty("2-1", 0, "ttyUSB0");
         s.AddInterface("2-1", 1, 0xff, 0xff, 0xff, "option");
         s.AddSerialTty("2-1", 1, "ttyUSB1");
         s.AddInterface("2-1", 2, 0x08, 0x06, 0x50, "usb-storage");
         s.AddInterface("2-1", 3, 0xff, 0xff, 0xff, "option");
         s.AddSerialTty("2-1", 3, "ttyUSB2");
     },
     {},
     true,
     "ttyUSB1",
     "ttyUSB2",
     "",
     {},
     kDriverOk,
     ""},
    {"ZteUnknownModelAskedAtWithInterfaceZeroLast",
     ZteUnknownModel,
     {"ttyUSB0", "ttyUSB2"},
     true,
     "ttyUSB2",
     "ttyUSB0",
     "",
     {"ttyUSB1", "ttyUSB2", "ttyUSB0"},
     kDriverOk,
     ""},
    {"KnownMakerNoPortAnswers",
     ZteUnknownModel,
     {},
     true,
     "",
     "",
     "",
     {"ttyUSB1", "ttyUSB2", "ttyUSB0"},
     kDriverNoAtPort,
     "answers AT"},
    {"LayoutWithUnknownCommandPortStopsAtFirstAnswer",
     [](FakeSysfs& s) {
         s.AddDevice("1-3", 0x1bbb, 0x00b7, "");
         for (int i = 0; i < 5; ++i) {
             s.AddInterface("1-3", i, 0xff, 0xff, 0xff, "option");
             s.AddSerialTty("1-3", i, "ttyUSB" + std::to_string(i));
         }
     },
     // 1 is GPS and 2 voice: never asked; 4 is the modem port and asked last.
     {"ttyUSB0", "ttyUSB3", "ttyUSB4"},
     true,
     "ttyUSB3",
     "ttyUSB4",
     "ttyUSB2",
     {"ttyUSB3"},
     kDriverOk,
     ""},
    {"Sim7600WithVoiceAndDiagnostics",
     [](FakeSysfs& s) {
         s.AddDevice("1-5", 0x1e0e, 0x9001, "SimTech");
         for (int i = 0; i < 5; ++i) {
             s.AddInterface("1-5", i, 0xff, 0xff, 0xff, "option");
             s.AddSerialTty("1-5", i, "ttyUSB" + std::to_string(i));
         }
         s.AddInterface("1-5", 5, 0xff, 0xff, 0xff, "qmi_wwan");
     },
     {},
     true,
     "ttyUSB2",
     "ttyUSB3",
     "ttyUSB4",
     {},
     kDriverOk,
     ""},
    {"CdcAcmModemOfUnknownMaker",
     [](FakeSysfs& s) {
         s.AddDevice("3-1", 0x0421, 0x0600, "Nokia phone");
         s.AddInterface("3-1", 0, 0x02, 0x02, 0x01, "cdc_acm");
         s.AddAcmTty("3-1", 0, "ttyACM0");
         s.AddInterface("3-1", 1, 0x0a, 0x00, 0x00, "cdc_acm");
         s.AddInterface("3-1", 2, 0x02, 0x02, 0x01, "cdc_acm");
         s.AddAcmTty("3-1", 2, "ttyACM1");
         s.AddInterface("3-1", 3, 0x0a, 0x00, 0x00, "cdc_acm");
     },
     {},
     true,
     "ttyACM1",
     "ttyACM0",
     "",
     {},
     kDriverOk,
     ""},
    {"ArduinoIsNeverAModem", Arduino, {"ttyACM0"}, false, "", "", "", {}, kDriverNoDevice, ""},
    {"UnknownSerialAdaptersAreNeverOpened",
     [](FakeSysfs& s) {
         s.AddDevice("1-6", 0x0403, 0x6001, "FT232R");
         s.AddInterface("1-6", 0, 0xff, 0xff, 0xff, "ftdi_sio");
         s.AddSerialTty("1-6", 0, "ttyUSB0");
         s.AddDevice("1-7", 0x4242, 0x0001, "Vendor gadget");
         s.AddInterface("1-7", 0, 0xff, 0x00, 0x00, "usb_serial_generic");
         s.AddSerialTty("1-7", 0, "ttyUSB1");
         s.AddDevice("1-8", 0x1546, 0x01a7, "u-blox 7 GPS");
         s.AddInterface("1-8", 0, 0x02, 0x02, 0x01, "cdc_acm");
         s.AddAcmTty("1-8", 0, "ttyACM0");
         s.AddDevice("1-9", 0x16d0, 0x0abc, "ACM without AT protocol");
         s.AddInterface("1-9", 0, 0x02, 0x02, 0x00, "cdc_acm");
         s.AddAcmTty("1-9", 0, "ttyACM1");
         s.AddPlatformTty("ttyS0");
         s.AddPlatformTty("ttyS1");
     },
     {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM1", "ttyS0"},
     false,
     "",
     "",
     "",
     {},
     kDriverNoDevice,
     "no card"},
    {"ModemBesideArduinoIsFoundAndArduinoLeftAlone",
     [](FakeSysfs& s) {
         Arduino(s);
         s.AddHuaweiE1550("1-2", 0);
     },
     {},
     true,
     "ttyUSB2",
     "ttyUSB0",
     "ttyUSB1",
     {},
     kDriverOk,
     ""},
    {"StorageModeStick",
     [](FakeSysfs& s) {
         s.AddDevice("1-2", 0x12d1, 0x1446, "HUAWEI Mobile");
         s.AddInterface("1-2", 0, 0x08, 0x06, 0x50, "usb-storage");
     },
     {},
     true,
     "",
     "",
     "",
     {},
     kDriverStorageMode,
     "12d1:1446 is still in storage mode"},
    {"SerialDriverNotBound",
     [](FakeSysfs& s) {
         s.AddDevice("1-2", 0x12d1, 0x1506, "HUAWEI Mobile");
         s.AddInterface("1-2", 0, 0xff, 0x02, 0x01, "");
         s.AddInterface("1-2", 1, 0xff, 0x02, 0x02, "");
     },
     {},
     true,
     "",
     "",
     "",
     {},
     kDriverMissing,
     "driver option not loaded for 12d1:1506"},
    {"AcmDriverNotBound",
     [](FakeSysfs& s) {
         s.AddDevice("1-2", 0x1546, 0x1141, "u-blox TOBY");
         s.AddInterface("1-2", 0, 0x02, 0x02, 0x01, "");
         s.AddInterface("1-2", 1, 0x0a, 0x00, 0x00, "");
     },
     {},
     true,
     "",
     "",
     "",
     {},
     kDriverMissing,
     "driver cdc_acm not loaded for 1546:1141"},
    {"NetworkOnlyStickIsNoCard",
     [](FakeSysfs& s) {
         s.AddDevice("1-2", 0x12d1, 0x14db, "HUAWEI HiLink");
         s.AddInterface("1-2", 0, 0x02, 0x06, 0x00, "cdc_ether");
         s.AddInterface("1-2", 1, 0x0a, 0x00, 0x00, "cdc_ether");
     },
     {},
     false,
     "",
     "",
     "",
     {},
     kDriverNoDevice,
     ""},
};

class UsbModemProbe : public ::testing::TestWithParam<UsbCase> {};

TEST_P(UsbModemProbe, FindsPortsAsksOnlyModemsAndChecksDrivers) {
    const UsbCase& c = GetParam();
    ProbeWorld world(c.answering);
    c.build(world.sys);
    HardwareProbe probe(nullptr, world.Options());

    EXPECT_EQ(probe.Refresh(), c.present);
    EXPECT_EQ(probe.IsDevicePresent(), c.present);
    auto dev = [&](const std::string& tty) { return tty.empty() ? tty : world.Dev(tty); };
    EXPECT_EQ(probe.GetAtPort(), dev(c.at));
    EXPECT_EQ(probe.GetPort0(), dev(c.data));
    EXPECT_EQ(probe.GetPort1(), dev(c.data));
    EXPECT_EQ(probe.GetVoicePort(), dev(c.voice));
    EXPECT_EQ(world.asker.Asked(), c.asked);

    int code = -1;
    EXPECT_EQ(probe.CheckDriver(&code), c.driver_code == kDriverOk);
    EXPECT_EQ(code, c.driver_code) << probe.DriverText();
    if (!c.driver_text.empty()) {
        EXPECT_NE(probe.DriverText().find(c.driver_text), std::string::npos) << probe.DriverText();
    }
    // A second look asks nothing new: answers are remembered, silence is not.
    const std::size_t asked_before = world.asker.Asked().size();
    probe.Refresh();
    if (!c.at.empty()) {
        EXPECT_EQ(world.asker.Asked().size(), asked_before);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UsbModemProbe, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(UsbScan, GroupsTheTtysOfOneDeviceAndSkipsPlatformUarts) {
    ProbeWorld world;
    world.sys.AddPlatformTty("ttyS0");
    world.sys.AddHuaweiE1550("1-2", 3);
    world.sys.AddDevice("1-3", 0x2c7c, 0x0125, "EC25");
    world.sys.AddInterface("1-3", 0, 0xff, 0xff, 0xff, "option");
    world.sys.AddSerialTty("1-3", 0, "ttyUSB0");

    const std::vector<UsbDevice> devices = ScanUsbDevices(world.sys.Root());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].bus_id, "1-2");
    EXPECT_EQ(devices[0].Id(), "12d1:1001");
    EXPECT_EQ(devices[0].product, "HUAWEI Mobile");
    ASSERT_EQ(devices[0].interfaces.size(), 3u);
    EXPECT_EQ(devices[0].TtyCount(), 3u);
    const UsbInterface* pcui = devices[0].InterfaceOfTty("ttyUSB5");
    ASSERT_NE(pcui, nullptr);
    EXPECT_EQ(pcui->number, 2);
    EXPECT_EQ(pcui->driver, "option");
    EXPECT_EQ(devices[1].Id(), "2c7c:0125");
    EXPECT_EQ(devices[1].TtyCount(), 1u);
}

TEST(UsbScan, MissingTreeAndOddNamesYieldNothing) {
    EXPECT_TRUE(ScanUsbDevices("/nonexistent/sysfs").empty());
    for (const char* name : {"ttyS0", "ttyUSB", "ttyACMx", "ttyUSB1a", "tty0", "ttyAMA0"}) {
        EXPECT_FALSE(IsUsbTtyName(name)) << name;
    }
    for (const char* name : {"ttyUSB0", "ttyACM12"}) {
        EXPECT_TRUE(IsUsbTtyName(name)) << name;
    }
}

TEST(ModemTable, ClassCodesAndVetoes) {
    EXPECT_EQ(ClassRole(0x1234, 0x02, 0x02, 0x01), PortRole::kAcm);
    EXPECT_EQ(ClassRole(0x1234, 0x02, 0x02, 0x06), PortRole::kAcm);
    EXPECT_EQ(ClassRole(0x1234, 0x02, 0x02, 0x00), PortRole::kUnknown);
    EXPECT_EQ(ClassRole(0x1234, 0x02, 0x02, 0xff), PortRole::kUnknown);
    EXPECT_EQ(ClassRole(0x12d1, 0xff, 0x01, 0x01), PortRole::kModem);
    EXPECT_EQ(ClassRole(0x12d1, 0xff, 0x02, 0x02), PortRole::kAt);
    EXPECT_EQ(ClassRole(0x19d2, 0xff, 0x02, 0x02), PortRole::kUnknown);  // Huawei's codes only
    EXPECT_TRUE(IsNeverModem(0x2341, 0x0043));
    EXPECT_TRUE(IsNeverModem(0x1546, 0x01a8));
    EXPECT_FALSE(IsNeverModem(0x1546, 0x1141));
    EXPECT_TRUE(IsStorageModeModem(0x12d1, 0x1f01));
    EXPECT_FALSE(IsStorageModeModem(0x12d1, 0x1001));
    ASSERT_NE(FindModemVendor(0x2c7c), nullptr);
    EXPECT_EQ(FindModemVendor(0x2341), nullptr);
}

}  // namespace
}  // namespace dedevev::probe

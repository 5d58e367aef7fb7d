// The device watch: a card announced or pulled, a USB modem plugged or unplugged, a card
// whose process died, the kernel's uevents that matter, a prompt stop, and the USB reset.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "device/DeviceHolder.h"
#include "device/probe/DeviceWatch.h"
#include "device/probe/HardwareProbe.h"
#include "support/Eventually.h"
#include "tests/device/probe/ProbeTestSupport.h"

namespace dedevev::probe {
namespace {

using namespace std::chrono_literals;
using test::Announce;
using test::ProbeWorld;
using test::Pty;

// Counts NotifyDeviceChanged calls and waits for them.
class ChangeCounter {
public:
    explicit ChangeCounter(CDeviceStatus& status) {
        status.SetDeviceChangedHandler([this] {
            std::lock_guard<std::mutex> lock(mutex_);
            ++count_;
            cv_.notify_all();
        });
    }
    // Waits until at least `n` changes were told; false after a long time-out.
    bool WaitFor(int n) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, 20s, [&] { return count_ >= n; });
    }
    int Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int count_ = 0;
};

TEST(DeviceWatch, AnnouncementFileComingAndGoingIsTold) {
    ProbeWorld world;
    CDeviceStatus status;
    ChangeCounter changes(status);
    ProbeOptions options = world.Options();
    options.poll_interval = 1h;  // only inotify can wake the watch in time
    HardwareProbe probe(&status, options);
    probe.ProbeStart();
    ASSERT_TRUE(probe.WatchRunning());
    EXPECT_FALSE(probe.IsDevicePresent());

    Pty at, data;
    // Written the way a card does it: a temporary name, then renamed into place.
    Announce(world.folder + "/card.tmp", "Sim", at.Path(), data.Path(), "");
    std::filesystem::rename(world.folder + "/card.tmp", world.folder + "/card");
    ASSERT_TRUE(changes.WaitFor(1));
    EXPECT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), at.Path());

    std::filesystem::remove(world.folder + "/card");
    ASSERT_TRUE(changes.WaitFor(2));
    EXPECT_FALSE(probe.IsDevicePresent());
    EXPECT_EQ(changes.Count(), 2);
}

TEST(DeviceWatch, FolderCreatedLaterIsWatched) {
    ProbeWorld world;
    std::filesystem::remove(world.folder);
    CDeviceStatus status;
    ChangeCounter changes(status);
    HardwareProbe probe(&status, world.Options());
    probe.ProbeStart();

    std::filesystem::create_directories(world.folder);
    Pty at;
    Announce(world.folder + "/card", "Sim", at.Path(), at.Path(), "");
    ASSERT_TRUE(changes.WaitFor(1));
    EXPECT_TRUE(probe.IsDevicePresent());
}

TEST(DeviceWatch, DeadCardProcessIsNoticedWithoutAFolderEvent) {
    ProbeWorld world;
    auto at = std::make_unique<Pty>();
    Announce(world.folder + "/card", "Sim", at->Path(), at->Path(), "");
    CDeviceStatus status;
    ChangeCounter changes(status);
    HardwareProbe probe(&status, world.Options());
    probe.ProbeStart();
    ASSERT_TRUE(probe.IsDevicePresent());

    at.reset();  // the ports vanish, the file stays
    ASSERT_TRUE(changes.WaitFor(1));
    EXPECT_FALSE(probe.IsDevicePresent());
}

TEST(DeviceWatch, UsbModemPluggedAndUnpluggedIsToldByPolling) {
    ProbeWorld world;
    CDeviceStatus status;
    ChangeCounter changes(status);
    HardwareProbe probe(&status, world.Options());  // no netlink: sysfs is polled
    probe.ProbeStart();
    EXPECT_FALSE(probe.IsDevicePresent());

    world.sys.AddHuaweiE1550("1-2", 0);
    ASSERT_TRUE(changes.WaitFor(1));
    EXPECT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), world.Dev("ttyUSB2"));

    world.sys.RemoveDevice("1-2");
    ASSERT_TRUE(changes.WaitFor(2));
    EXPECT_FALSE(probe.IsDevicePresent());

    // An unrelated serial device coming is no change of the card: the watch has looked twice
    // since (the first look may have begun before it came).
    world.sys.AddDevice("1-1", 0x2341, 0x0043, "Arduino Uno");
    world.sys.AddInterface("1-1", 0, 0x02, 0x02, 0x01, "cdc_acm");
    world.sys.AddAcmTty("1-1", 0, "ttyACM0");
    const std::uint64_t checks = probe.WatchChecks();
    ASSERT_TRUE(dedevev::test::Eventually([&] { return probe.WatchChecks() >= checks + 2; }));
    EXPECT_EQ(changes.Count(), 2);
    EXPECT_TRUE(world.asker.Asked().empty());
}

TEST(DeviceWatch, StopsPromptlyWhileWaitingForEvents) {
    ProbeWorld world;
    CDeviceStatus status;
    ProbeOptions options = world.Options();
    options.poll_interval = 1h;
    options.use_netlink = true;  // when the kernel lets us, the watch waits on it too
    auto probe = std::make_unique<HardwareProbe>(&status, options);
    probe->ProbeStart();
    probe->ProbeStart();  // a second start makes no second watch
    ASSERT_TRUE(probe->WatchRunning());
    // Its first look done, the watch waits for events.
    ASSERT_TRUE(dedevev::test::Eventually([&] { return probe->WatchChecks() >= 1; }));
    auto done = std::async(std::launch::async, [&] { probe.reset(); });
    EXPECT_EQ(done.wait_for(10s), std::future_status::ready) << "the watch did not stop";
}

struct UeventCase {
    const char* label;
    std::string message;  // NUL-separated fields
    bool relevant;
};

void PrintTo(const UeventCase& c, std::ostream* os) {
    *os << c.label;
}

std::string Uevent(std::initializer_list<std::string> fields) {
    std::string message;
    for (const std::string& field : fields) {
        message += field;
        message.push_back('\0');
    }
    return message;
}

class Uevents : public ::testing::TestWithParam<UeventCase> {};

TEST_P(Uevents, OnlyUsbTtysAndUsbDevicesMatter) {
    const UeventCase& c = GetParam();
    EXPECT_EQ(IsRelevantUevent(c.message.data(), c.message.size()), c.relevant);
}

constexpr char kUnterminated[] = "add@/x\0ACTION=add\0SUBSYSTEM=tty\0DEVNAME=ttyUSB9";
const std::string kTtyPath =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/ttyUSB2/tty/ttyUSB2";
INSTANTIATE_TEST_SUITE_P(
    Cases, Uevents,
    ::testing::Values(
        UeventCase{"TtyUsbAdded",
                   Uevent({"add@" + kTtyPath, "ACTION=add", "DEVPATH=" + kTtyPath, "SUBSYSTEM=tty",
                           "DEVNAME=ttyUSB2", "SEQNUM=1"}),
                   true},
        UeventCase{"TtyAcmRemovedWithFullDevName",
                   Uevent({"remove@/x", "ACTION=remove", "SUBSYSTEM=tty", "DEVNAME=/dev/ttyACM0"}),
                   true},
        UeventCase{"UsbDeviceUnbound",
                   Uevent({"unbind@/x", "ACTION=unbind", "SUBSYSTEM=usb", "DEVTYPE=usb_device"}),
                   true},
        UeventCase{"UsbInterfaceBound",
                   Uevent({"bind@/x", "ACTION=bind", "SUBSYSTEM=usb", "DEVTYPE=usb_interface"}),
                   true},
        UeventCase{"PlatformUart",
                   Uevent({"add@/x", "ACTION=add", "SUBSYSTEM=tty", "DEVNAME=ttyS0"}), false},
        UeventCase{"PseudoTerminal",
                   Uevent({"add@/x", "ACTION=add", "SUBSYSTEM=tty", "DEVNAME=pts/3"}), false},
        UeventCase{"TtyChangeOnly",
                   Uevent({"change@/x", "ACTION=change", "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"}),
                   false},
        UeventCase{"UsbEndpoint",
                   Uevent({"add@/x", "ACTION=add", "SUBSYSTEM=usb", "DEVTYPE=usb_endpoint"}),
                   false},
        UeventCase{"NetworkInterface",
                   Uevent({"add@/x", "ACTION=add", "SUBSYSTEM=net", "INTERFACE=wwan0"}), false},
        UeventCase{"UnterminatedLastField", std::string(kUnterminated, sizeof kUnterminated - 1),
                   true},
        UeventCase{"Empty", std::string(), false}),
    [](const auto& info) { return std::string(info.param.label); });

// Reads what is written to a FIFO until `expected` bytes came (or the hang net ran out).
std::string CollectFifo(const std::string& path, std::size_t expected) {
    std::string got;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return got;
    }
    dedevev::test::Eventually([&] {
        char buffer[16];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got.size() >= expected;
    });
    ::close(fd);
    return got;
}

TEST(HardwareReset, UsbModemIsDeauthorisedThenAuthorisedAndFoundAgain) {
    ProbeWorld world;
    world.sys.AddHuaweiE1550("1-2", 0);
    const std::string authorized = world.sys.DevicePath("1-2") + "/authorized";
    std::filesystem::remove(authorized);
    ASSERT_EQ(::mkfifo(authorized.c_str(), 0600), 0);
    HardwareProbe probe(nullptr, world.Options());
    ASSERT_TRUE(probe.Refresh());

    auto written = std::async(std::launch::async, [&] { return CollectFifo(authorized, 2); });
    probe.ResetDevice();
    EXPECT_EQ(written.get(), "01");
    EXPECT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), world.Dev("ttyUSB2"));
}

TEST(HardwareReset, SimulatedCardIsLookedForAgain) {
    ProbeWorld world;
    Pty first;
    Announce(world.folder + "/card", "Sim", first.Path(), first.Path(), "");
    HardwareProbe probe(nullptr, world.Options());
    ASSERT_TRUE(probe.Refresh());
    Pty second;
    Announce(world.folder + "/card", "Sim", second.Path(), second.Path(), "");
    probe.ResetDevice();
    EXPECT_EQ(probe.GetAtPort(), second.Path());
}

}  // namespace
}  // namespace dedevev::probe

// Simulated cards announced in the device folder, fixed ports from the settings, and the
// order of the three sources.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "device/probe/HardwareProbe.h"
#include "device/probe/SimulatedCards.h"
#include "support/FileModes.h"
#include "tests/device/probe/ProbeTestSupport.h"

namespace dedevev::probe {
namespace {

using test::Announce;
using test::ProbeWorld;
using test::Pty;

struct ParseCase {
    const char* label;
    const char* text;
    bool valid;
    const char* name;
    const char* at;
    const char* data;
    long pid;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.label;
}

const ParseCase kParseCases[] = {
    {"AllKeys", "name=Sim GSM\nat=/dev/pts/3\ndata=/dev/pts/4\nvoice=/dev/pts/5\ncontrol=/s\n",
     true, "Sim GSM", "/dev/pts/3", "/dev/pts/4", 0},
    {"SpacesCrLfCommentsUnknownKeys",
     "# card\r\n name = Sim \r\n\r\nat= /dev/pts/3\r\nfuture=1\r\npid=42\r\n", true, "Sim",
     "/dev/pts/3", "", 42},
    {"NoAtPort", "name=Sim\ndata=/dev/pts/4\n", false, "", "", "", 0},
    {"EmptyAtPort", "name=Sim\nat=\n", false, "", "", "", 0},
    {"LineWithoutEquals", "name=Sim\nat=/dev/pts/3\ngarbage\n", false, "", "", "", 0},
    {"BadPid", "at=/dev/pts/3\npid=12x\n", false, "", "", "", 0},
    {"Empty", "", false, "", "", "", 0},
};

class AnnouncementParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(AnnouncementParse, ReadsKeysAndRejectsMalformedFiles) {
    const ParseCase& c = GetParam();
    const std::optional<Announcement> card = ParseAnnouncement(c.text);
    ASSERT_EQ(card.has_value(), c.valid);
    if (card) {
        EXPECT_EQ(card->name, c.name);
        EXPECT_EQ(card->at, c.at);
        EXPECT_EQ(card->data, c.data);
        EXPECT_EQ(card->pid, c.pid);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AnnouncementParse, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(SimulatedCards, FirstLiveWellFormedFileWins) {
    ProbeWorld world;
    Pty at, data, voice;
    ASSERT_FALSE(at.Path().empty());
    // A port that is gone. (Not a closed pty: its number may be handed to another test's pty
    // running at the same time.)
    const std::string stale_path = world.folder + "/pts-that-vanished";
    // By name: "a" malformed, "b" stale, ".c" hidden, "d" half written, "e" the card.
    std::ofstream(world.folder + "/a-card") << "at /dev/pts/1\n";
    Announce(world.folder + "/b-card", "stale", stale_path, data.Path(), voice.Path());
    Announce(world.folder + "/.c-card", "hidden", at.Path(), data.Path(), voice.Path());
    Announce(world.folder + "/d-card.tmp", "partial", at.Path(), data.Path(), voice.Path());
    Announce(world.folder + "/d.card.Xy12Ab", "partial", at.Path(), data.Path(), voice.Path());
    Announce(world.folder + "/e-card", "Simulated GSM", at.Path(), data.Path(), voice.Path(),
             "/run/sim.sock");
    Announce(world.folder + "/f-card", "second", at.Path(), data.Path(), voice.Path());

    const std::optional<Announcement> card = FindSimulatedCard(world.folder);
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->name, "Simulated GSM");
    EXPECT_EQ(card->file, world.folder + "/e-card");
    EXPECT_EQ(card->control, "/run/sim.sock");

    // A stale data or voice port makes the card stale as well; so does a dead process.
    Announcement copy = *card;
    copy.voice = stale_path;
    EXPECT_FALSE(IsLive(copy));
    copy = *card;
    copy.pid = 0x3fffffff;
    EXPECT_FALSE(IsLive(copy));
    copy.pid = ::getpid();
    EXPECT_TRUE(IsLive(copy));
    // A regular file is no port.
    copy.at = world.folder + "/a-card";
    EXPECT_FALSE(IsLive(copy));
}

TEST(SimulatedCards, AnotherUsersFileIsIgnored) {
    ProbeWorld world;
    Pty at;
    Announce(world.folder + "/card", "mine", at.Path(), at.Path(), "");
    // The file is this user's: a card for this user, nothing for any other.
    EXPECT_TRUE(FindSimulatedCard(world.folder, ::geteuid()).has_value());
    EXPECT_FALSE(FindSimulatedCard(world.folder, ::geteuid() + 1).has_value());
}

TEST(SimulatedCards, DefaultFolderFollowsTheEnvironment) {
    const char* saved_dir = std::getenv("DEDEVEV_DEVICE_DIR");
    const char* saved_runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = saved_dir ? saved_dir : "";
    const std::string runtime = saved_runtime ? saved_runtime : "";

    ::setenv("DEDEVEV_DEVICE_DIR", "/x/devices/", 1);
    EXPECT_EQ(DefaultDeviceFolder(), "/x/devices");
    ::unsetenv("DEDEVEV_DEVICE_DIR");
    ::setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(DefaultDeviceFolder(), "/run/user/7/dedevev/devices");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DefaultDeviceFolder(), "/tmp/dedevev-" + std::to_string(::getuid()) + "/devices");

    saved_dir ? ::setenv("DEDEVEV_DEVICE_DIR", dir.c_str(), 1) : ::unsetenv("DEDEVEV_DEVICE_DIR");
    saved_runtime ? ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(HardwareProbeSources, SimulatedCardComesBeforeUsbAndFixedPortsBeforeBoth) {
    ProbeWorld world;
    world.sys.AddHuaweiE1550("1-2", 0);
    Pty at, data, voice, fixed;
    Announce(world.folder + "/card", "Simulated CDMA", at.Path(), data.Path(), voice.Path(),
             "/run/ctl.sock");
    HardwareProbe probe(nullptr, world.Options());

    ASSERT_TRUE(probe.Refresh());
    FoundCard found = probe.Found();
    EXPECT_EQ(found.source, Source::kSimulated);
    EXPECT_EQ(found.name, "Simulated CDMA");
    EXPECT_EQ(found.control, "/run/ctl.sock");
    EXPECT_EQ(probe.GetAtPort(), at.Path());
    EXPECT_EQ(probe.GetPort0(), data.Path());
    EXPECT_EQ(probe.GetVoicePort(), voice.Path());
    int code = -1;
    EXPECT_TRUE(probe.CheckDriver(&code));
    EXPECT_EQ(code, kDriverOk);

    probe.SetFixedPorts(fixed.Path(), "", "");
    ASSERT_TRUE(probe.Refresh());
    EXPECT_EQ(probe.Found().source, Source::kFixed);
    EXPECT_EQ(probe.GetAtPort(), fixed.Path());
    EXPECT_EQ(probe.GetPort0(), fixed.Path());  // data defaults to the AT port
    EXPECT_EQ(probe.GetVoicePort(), "");

    // Fixed ports that do not exist are not replaced by whatever else is there.
    const std::string missing = world.Dev("ttyUSB8");  // never created
    probe.SetFixedPorts(missing, world.Dev("ttyUSB9"), "");
    EXPECT_FALSE(probe.Refresh());
    EXPECT_FALSE(probe.IsDevicePresent());
    EXPECT_FALSE(probe.CheckDriver(&code));
    EXPECT_EQ(code, kDriverPortMissing);
    EXPECT_NE(probe.DriverText().find(missing), std::string::npos);

    probe.SetFixedPorts("", "", "");
    std::filesystem::remove(world.folder + "/card");
    ASSERT_TRUE(probe.Refresh());
    EXPECT_EQ(probe.Found().source, Source::kUsb);
    EXPECT_EQ(probe.GetAtPort(), world.Dev("ttyUSB2"));
    EXPECT_EQ(probe.Found().vendor_id, 0x12d1);
    EXPECT_EQ(probe.Found().driver, "option");

    EXPECT_TRUE(SetFixedHardwarePorts(&probe, fixed.Path(), "", ""));
    EXPECT_TRUE(probe.Refresh());
    EXPECT_EQ(probe.GetAtPort(), fixed.Path());
}

TEST(HardwareProbeSources, PresenceFollowsThePulledCard) {
    ProbeWorld world;
    auto at = std::make_unique<Pty>();
    Pty data;
    // The card's AT port through a link of our own, so that "gone" cannot be undone by another
    // test's pty taking the freed number at the same time.
    const std::string at_port = world.folder + "/at-port";
    ASSERT_EQ(::symlink(at->Path().c_str(), at_port.c_str()), 0);
    Announce(world.folder + "/card", "Sim", at_port, data.Path(), "");
    HardwareProbe probe(nullptr, world.Options());
    EXPECT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), at_port);

    // The process died: the file stays, its ports are gone.
    ::unlink(at_port.c_str());
    at.reset();
    EXPECT_FALSE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), "");
    int code = -1;
    EXPECT_FALSE(probe.CheckDriver(&code));
    EXPECT_EQ(code, kDriverNoDevice);

    // A new card is plugged in.
    Pty at2;
    Announce(world.folder + "/card", "Sim", at2.Path(), data.Path(), "");
    EXPECT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.GetAtPort(), at2.Path());
}

TEST(HardwareProbeSources, SwitchedStickIsLookedForAgain) {
    ProbeWorld world;
    world.sys.AddDevice("1-2", 0x12d1, 0x1446, "HUAWEI Mobile");
    world.sys.AddInterface("1-2", 0, 0x08, 0x06, 0x50, "usb-storage");
    HardwareProbe probe(nullptr, world.Options());
    ASSERT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.Found().usb_verdict, UsbVerdict::kStorageMode);

    // usb_modeswitch turned it into a modem on the same hub port.
    world.sys.RemoveDevice("1-2");
    world.sys.AddHuaweiE1550("1-2", 0);
    ASSERT_TRUE(probe.IsDevicePresent());
    EXPECT_EQ(probe.Found().usb_verdict, UsbVerdict::kModem);
    EXPECT_EQ(probe.GetAtPort(), world.Dev("ttyUSB2"));
    int code = -1;
    EXPECT_TRUE(probe.CheckDriver(&code));
    EXPECT_EQ(code, kDriverOk);
}

TEST(HardwareProbeSources, NoPermissionOnThePortIsADriverProblem) {
    ProbeWorld world;
    world.sys.AddHuaweiE1550("1-2", 0);
    ::chmod(world.Dev("ttyUSB2").c_str(), 0);
    HardwareProbe probe(nullptr, world.Options());
    ASSERT_TRUE(probe.Refresh());
    int code = -1;
    bool usable = true;
    if (!test::RunWhereFileModesBind([&] { usable = probe.CheckDriver(&code); })) {
        GTEST_SKIP() << "this process may not drop CAP_DAC_OVERRIDE, so no port is closed to it";
    }
    EXPECT_FALSE(usable);
    EXPECT_EQ(code, kDriverNoAccess);
}

}  // namespace
}  // namespace dedevev::probe

// The running card: its ports on real ptys, the announcement, faults, pulling and inserting,
// the control socket and `dedevev-cardsim` itself.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "SimCardFixture.h"
#include "SimTestSupport.h"
#include "sim/Announcement.h"
#include "sim/CardSimulator.h"
#include "sim/ControlProtocol.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace dedevev::sim {
namespace {

using test::PtyHost;

using ::dedevev::test::Eventually;

bool Exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

class SimulatorTest : public test::CardFixture<> {
protected:
    void SetUp() override { StartCard(CardKind::kGsm); }
};

TEST_F(SimulatorTest, AnnouncesItsPorts) {
    const std::vector<std::string> files = ListAnnouncements(DeviceDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], sim->AnnouncementPath());
    const auto entries = ReadAnnouncement(files[0]);
    EXPECT_EQ(entries.at("name"), "DEDEVev CardSim GSM");
    EXPECT_EQ(entries.at("at"), sim->AtPortPath());
    EXPECT_EQ(entries.at("data"), sim->DataPortPath());
    EXPECT_EQ(entries.at("voice"), sim->VoicePortPath());
    EXPECT_EQ(entries.at("control"), sim->ControlPath());
    EXPECT_EQ(entries.at("kind"), "gsm");
    EXPECT_EQ(entries.at("pid"), std::to_string(::getpid()));
    for (const char* key : {"at", "data", "voice"}) {
        struct stat st {};
        ASSERT_EQ(::stat(entries.at(key).c_str(), &st), 0) << key;
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << key;
    }
    EXPECT_NE(sim->AtPortPath(), sim->DataPortPath());
    struct stat st {};
    ASSERT_EQ(::stat(DeviceDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(files[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    // Nothing half written is left beside it.
    int entries_in_folder = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DeviceDir())) {
        (void)entry;
        ++entries_in_folder;
    }
    EXPECT_EQ(entries_in_folder, 2);  // the announcement and the control socket
}

TEST_F(SimulatorTest, TalksAtOnThePty) {
    PtyHost host(sim->AtPortPath());
    ASSERT_TRUE(host.IsOpen());
    // Echo is on after power-up, as on real cards.
    EXPECT_EQ(host.Command("AT+CGMI"), "AT+CGMI\r\r\nDEDEVev\r\n\r\nOK\r\n");
    EXPECT_EQ(host.Command("ATE0"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(host.Command("AT+CSQ"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(host.Command("AT+CMEE=1;+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    // The data port is a port of its own, with its own echo setting.
    PtyHost data(sim->DataPortPath());
    EXPECT_EQ(data.Command("AT"), "AT\r\r\nOK\r\n");
    const std::string log = sim->Control("log");
    EXPECT_NE(log.find("\"AT+CGMI\" \"ATE0\" \"AT+CSQ\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"data: AT\""), std::string::npos) << log;
}

TEST_F(SimulatorTest, UssdAnswerArrivesAfterTheOk) {
    PtyHost host(sim->AtPortPath());
    host.Command("ATE0");
    const std::string received = host.Command("AT+CUSD=1,\"*123#\",15");
    EXPECT_EQ(received, "\r\nOK\r\n");
    const std::string more = host.ReadUntil(
        [](const std::string& text) { return text.find("12.50\",15\r\n") != std::string::npos; },
        5000);
    EXPECT_EQ(more, "\r\nOK\r\n\r\n+CUSD: 0,\"Your balance is 12.50\",15\r\n");
}

TEST_F(SimulatorTest, ImmediateUssdAnswerComesBeforeTheNextCommand) {
    PtyHost host(sim->AtPortPath());
    host.Command("ATE0");
    EXPECT_EQ(sim->Control("ussd-delay 0"), "OK");
    host.Clear();
    host.Write("AT+CUSD=1,\"*123#\",15\rAT+CGMI\r");
    EXPECT_EQ(
        host.ReadUntil(
            [](const std::string& t) { return t.find("DEDEVev\r\n\r\nOK") != std::string::npos; },
            5000),
        "\r\nOK\r\n\r\n+CUSD: 0,\"Your balance is 12.50\",15\r\n\r\nDEDEVev\r\n\r\nOK\r\n");
}

TEST_F(SimulatorTest, ControlChangesReachTheHost) {
    PtyHost host(sim->AtPortPath());
    host.Command("ATE0");
    host.Command("AT^DDSRV=1;+CREG=1");
    EXPECT_EQ(sim->Control("signal 7"), "OK");
    EXPECT_EQ(host.Command("AT+CSQ"), "\r\n+CSQ: 7,99\r\n\r\nOK\r\n");
    host.Clear();
    EXPECT_EQ(sim->Control("service 2 5 1"), "OK");
    const std::string reports = host.ReadUntil(
        [](const std::string& t) { return t.find("+CREG: 5\r\n") != std::string::npos; }, 5000);
    EXPECT_EQ(reports, "\r\n^DDSRV: 2,5,1,3,1,1,2\r\n\r\n+CREG: 5\r\n");
    EXPECT_EQ(sim->Control("operator \"New Name Net\""), "OK");
    EXPECT_EQ(host.Command("AT+COPS?"), "\r\n+COPS: 0,0,\"New Name Net\",2\r\n\r\nOK\r\n");
    host.Clear();
    EXPECT_EQ(sim->Control("ussd-notify \"Top up today\" expects-reply"), "OK");
    EXPECT_EQ(
        host.ReadUntil([](const std::string& t) { return t.find(",15\r\n") != std::string::npos; },
                       5000),
        "\r\n+CUSD: 1,\"Top up today\",15\r\n");
    host.Clear();
    EXPECT_EQ(sim->Control("workmode 1"), "OK");
    EXPECT_EQ(host.ReadUntil(
                  [](const std::string& t) { return t.find("1\r\n") != std::string::npos; }, 5000),
              "\r\n^DDMODE: 1\r\n");
    EXPECT_EQ(sim->Control("ssid \"Home Spot\""), "OK");
    EXPECT_EQ(host.Command("AT^DDSSID?"), "\r\n^DDSSID: \"Home Spot\"\r\n\r\nOK\r\n");
    // A card that asks for its PIN has limited service until the PIN is entered.
    host.Clear();
    EXPECT_EQ(sim->Control("card pin"), "OK");
    EXPECT_EQ(
        host.ReadUntil(
            [](const std::string& t) { return t.find("+CREG: 3\r\n") != std::string::npos; }, 5000),
        "\r\n^DDSRV: 1,5,0,0,0,1,1\r\n\r\n+CREG: 3\r\n");
    EXPECT_EQ(host.Command("AT+CPIN?"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(sim->Control("pin 8765"), "OK");
    host.Clear();
    host.Write("AT+CPIN=\"8765\"\r");
    EXPECT_EQ(
        host.ReadUntil(
            [](const std::string& t) { return t.find("+CREG: 5\r\n") != std::string::npos; }, 5000),
        "\r\nOK\r\n\r\n^DDSRV: 2,5,1,3,1,1,2\r\n\r\n+CREG: 5\r\n");
}

TEST_F(SimulatorTest, UnsolicitedLineInsideAnAnswer) {
    PtyHost host(sim->AtPortPath());
    host.Command("ATE0");
    EXPECT_EQ(sim->Control("urc \"+CMTI: \\\"SM\\\",3\" inside"), "OK");
    EXPECT_EQ(host.Command("AT+CPINR"),
              "\r\n+CPINR: SIM PIN,3,3\r\n\r\n+CMTI: \"SM\",3\r\n\r\n+CPINR: SIM PUK,10,10\r\n"
              "\r\nOK\r\n");
    host.Clear();
    EXPECT_EQ(sim->Control("urc RING"), "OK");
    EXPECT_EQ(
        host.ReadUntil([](const std::string& t) { return t.find("RING\r\n") != std::string::npos; },
                       5000),
        "\r\nRING\r\n");
}

TEST_F(SimulatorTest, LatencyMuteAndGarbage) {
    PtyHost host(sim->AtPortPath());
    host.Command("ATE0");
    // A slow card: nothing for a while, then the whole answer.
    EXPECT_EQ(sim->Control("latency 1500"), "OK");
    host.Clear();
    host.Write("AT+CGMI\r");
    EXPECT_EQ(host.ReadUntil(PtyHost::HasFinal, 100), "");
    EXPECT_EQ(host.ReadUntil(PtyHost::HasFinal, 10000), "\r\nDEDEVev\r\n\r\nOK\r\n");
    EXPECT_EQ(sim->Control("latency 0"), "OK");
    // A mute card takes the command and says nothing; the command does not run either.
    EXPECT_EQ(sim->Control("mute on"), "OK");
    host.Clear();
    host.Write("AT^DDMODE=1\r");
    EXPECT_EQ(host.Collect(300), "");
    EXPECT_EQ(sim->Control("mute off"), "OK");
    EXPECT_EQ(host.Command("AT^DDMODE?"), "\r\n^DDMODE: 0\r\n\r\nOK\r\n");
    EXPECT_NE(sim->Control("log").find("\"AT^DDMODE=1\""), std::string::npos);
    // Garbage: noise lines come first, the real answer is still whole.
    EXPECT_EQ(sim->Control("garbage on"), "OK");
    const std::string noisy = host.Command("AT+CGMM");
    const std::string answer = "\r\nCardSim GSM/UMTS\r\n\r\nOK\r\n";
    ASSERT_GT(noisy.size(), answer.size());
    EXPECT_EQ(noisy.substr(noisy.size() - answer.size()), answer);
    EXPECT_EQ(noisy.find("OK"), noisy.size() - 4);
    EXPECT_EQ(sim->Control("garbage off"), "OK");
    EXPECT_EQ(host.Command("AT+CGMM"), answer);
}

TEST_F(SimulatorTest, PullHangsUpAndInsertAnnouncesAgainKeepingState) {
    const std::string first_path = sim->AtPortPath();
    const std::string announcement = sim->AnnouncementPath();
    {
        PtyHost host(first_path);
        host.Command("ATE0");
        EXPECT_EQ(host.Command("AT+CGDCONT=1,\"IP\",\"kept.apn\""), "\r\nOK\r\n");
        EXPECT_EQ(host.Command("AT+CLCK=\"SC\",1,\"1234\""), "\r\nOK\r\n");
        EXPECT_EQ(sim->Control("signal 11"), "OK");
        EXPECT_EQ(sim->Control("latency 3000"), "OK");
        // Pulled in the middle of a command: the host sees the port fail at once.
        host.Clear();
        host.Write("AT+CGMI\r");
        EXPECT_EQ(sim->Control("pull"), "OK");
        bool failed = false;
        host.ReadUntil(PtyHost::HasFinal, 5000, &failed);
        EXPECT_TRUE(failed);
        pollfd p{host.Fd(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);
        EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    }
    EXPECT_FALSE(Exists(announcement));
    EXPECT_TRUE(ListAnnouncements(DeviceDir()).empty());
    EXPECT_EQ(sim->AtPortPath(), "");
    EXPECT_EQ(sim->Control("pull"), "ERR the card is not inserted");
    // The control socket stays and can be found without an announcement.
    EXPECT_EQ(FindControlSocket(DeviceDir()), sim->ControlPath());

    const std::string answer = sim->Control("insert");
    EXPECT_EQ(answer, "OK " + QuoteWord(announcement));
    EXPECT_TRUE(Exists(announcement));
    EXPECT_EQ(ReadAnnouncement(announcement).at("at"), sim->AtPortPath());
    EXPECT_EQ(sim->Control("insert"), "ERR the card is already inserted");
    EXPECT_EQ(sim->Control("latency 0"), "OK");
    PtyHost host(sim->AtPortPath());
    ASSERT_TRUE(host.IsOpen());
    // A fresh power-up: echo on again; the card asks for its PIN (the lock was switched on).
    EXPECT_EQ(host.Command("AT+CPIN?"), "AT+CPIN?\r\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    host.Command("ATE0");
    EXPECT_EQ(host.Command("AT+CPIN=\"1234\""), "\r\nOK\r\n");
    EXPECT_EQ(host.Command("AT+CGDCONT?"),
              "\r\n+CGDCONT: 1,\"IP\",\"kept.apn\",\"0.0.0.0\",0,0\r\n\r\nOK\r\n");
    EXPECT_EQ(host.Command("AT+CSQ"), "\r\n+CSQ: 11,99\r\n\r\nOK\r\n");
}

TEST_F(SimulatorTest, ControlSocketProtocol) {
    const std::string socket = sim->ControlPath();
    EXPECT_EQ(FindControlSocket(DeviceDir()), socket);
    struct Case {
        std::string command;
        std::string answer_prefix;
    };
    const Case cases[] = {
        {"signal 17", "OK"},
        {"signal 32", "ERR usage"},
        {"signal 99", "OK"},
        {"service 2 4 0", "OK"},
        {"service 7 4 0", "ERR usage"},
        {"card sleepy", "ERR usage"},
        {"pin 12", "ERR usage"},
        {"puk 1234567", "ERR usage"},
        {"mute maybe", "ERR usage"},
        {"ussd-encoding gsm7hex", "OK"},
        {"ussd-encoding base64", "ERR usage"},
        {"ussd-order before", "OK"},
        {"networks add 1 \"Extra Net\" Extra 00107 7", "OK"},
        {"networks add 5 X X 1 0", "ERR usage"},
        {"networks", "OK (2,\"DEDEVev Mobile\",\"DEDEVev\",\"001010\",2)"},
        {"urc \"two\\nlines\"", "ERR usage"},
        {"frobnicate", "ERR unknown command: frobnicate"},
        {"operator \"unterminated", "ERR unterminated quote"},
        {"", "ERR empty command"},
        {"help", "OK commands:"},
    };
    for (const Case& c : cases) {
        std::string answer;
        std::string error;
        ASSERT_TRUE(SendControl(socket, c.command, &answer, &error)) << c.command << ": " << error;
        EXPECT_EQ(answer.rfind(c.answer_prefix, 0), 0u) << c.command << " -> " << answer;
    }
    std::string answer;
    std::string error;
    ASSERT_TRUE(SendControl(socket, "state", &answer, &error)) << error;
    for (const char* part :
         {"kind=gsm", "inserted=1", "card=ready", "signal=99", "service=2,4,0,3,1,1,2",
          "ussd_encoding=gsm7hex", "ussd_order=before", "operator=\"DEDEVev Mobile\""}) {
        EXPECT_NE(answer.find(part), std::string::npos) << part << " in " << answer;
    }
    ASSERT_TRUE(SendControl(socket, "networks", &answer, &error));
    EXPECT_NE(answer.find("(1,\"Extra Net\",\"Extra\",\"00107\",7)"), std::string::npos);
    EXPECT_FALSE(SendControl(socket, "two\nlines", &answer, &error));
}

TEST(Simulator, TwoCardsInOneProcessAndStopCleansUp) {
    dedevev::test::TempDir dir;
    SimOptions options;
    options.device_dir = dir.Path() + "devices";
    options.name = "First";
    CardSimulator first(options);
    options.name = "Second";
    CardSimulator second(options);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(ListAnnouncements(options.device_dir).size(), 2u);
    EXPECT_NE(first.AnnouncementPath(), second.AnnouncementPath());
    EXPECT_NE(first.ControlPath(), second.ControlPath());
    EXPECT_EQ(second.Control("state").find("kind=cdma") != std::string::npos, true);
    const std::string control = first.ControlPath();
    first.Stop();
    EXPECT_FALSE(Exists(control));
    EXPECT_EQ(ListAnnouncements(options.device_dir).size(), 1u);
    EXPECT_EQ(first.Control("signal 3"), "OK");  // stopped: runs on the caller's thread
    second.Stop();
    EXPECT_TRUE(ListAnnouncements(options.device_dir).empty());
}

TEST(Simulator, RefusesAFolderOthersCanWrite) {
    dedevev::test::TempDir dir;
    const std::string open_folder = dir.Path() + "open";
    ASSERT_EQ(::mkdir(open_folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(open_folder.c_str(), 0777), 0);
    SimOptions options;
    options.device_dir = open_folder;
    CardSimulator sim(options);
    std::string error;
    EXPECT_FALSE(sim.Start(&error));
    EXPECT_NE(error.find("other users"), std::string::npos) << error;
    EXPECT_FALSE(sim.Running());
}

TEST(Simulator, DeviceFolderRules) {
    const char* saved_override = std::getenv("DEDEVEV_DEVICE_DIR");
    const char* saved_runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep_override = saved_override ? saved_override : "";
    const std::string keep_runtime = saved_runtime ? saved_runtime : "";
    ::setenv("DEDEVEV_DEVICE_DIR", "/x/devices/", 1);
    EXPECT_EQ(DeviceFolder(), "/x/devices");
    ::unsetenv("DEDEVEV_DEVICE_DIR");
    ::setenv("XDG_RUNTIME_DIR", "/run/user/42", 1);
    EXPECT_EQ(DeviceFolder(), "/run/user/42/dedevev/devices");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DeviceFolder(), "/tmp/dedevev-" + std::to_string(::getuid()) + "/devices");
    if (saved_override)
        ::setenv("DEDEVEV_DEVICE_DIR", keep_override.c_str(), 1);
    if (saved_runtime)
        ::setenv("XDG_RUNTIME_DIR", keep_runtime.c_str(), 1);
}

TEST(Simulator, AnnouncementValuesCannotAddKeys) {
    dedevev::test::TempDir dir;
    std::string error;
    const std::string path = dir.File("x.card");
    ASSERT_TRUE(WriteAnnouncement(
        path, {{"name", "evil\ncontrol=/tmp/other"}, {"at", "/dev/pts/9"}}, &error))
        << error;
    const auto entries = ReadAnnouncement(path);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("name"), "evil control=/tmp/other");
    EXPECT_EQ(entries.count("control"), 0u);
}

// ---- The program

std::string Program() {
    return std::string(DEDEVEV_BIN_DIR) + "/dedevev-cardsim";
}

int RunProgram(const std::string& arguments, std::string* output) {
    return test::RunCaptured(Program() + " " + arguments, output);
}

TEST(CardsimProgram, HelpAndBadOptions) {
    std::string output;
    EXPECT_EQ(RunProgram("--help", &output), 0);
    EXPECT_NE(output.find("--gsm"), std::string::npos);
    EXPECT_NE(output.find("ctl"), std::string::npos);
    EXPECT_EQ(RunProgram("--bogus", &output), 2);
}

TEST(CardsimProgram, CtlTalksToAnInProcessCard) {
    dedevev::test::TempDir dir;
    SimOptions options;
    options.device_dir = dir.Path() + "devices";
    CardSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    const std::string in = " ctl --dir " + options.device_dir + " ";
    std::string output;
    EXPECT_EQ(RunProgram(in + "signal 9", &output), 0);
    EXPECT_EQ(output, "OK\n");
    EXPECT_NE(sim.Control("state").find("signal=9"), std::string::npos);
    EXPECT_EQ(RunProgram(in + "operator 'Two Words'", &output), 0);
    EXPECT_NE(sim.Control("state").find("operator=\"Two Words\""), std::string::npos);
    EXPECT_EQ(RunProgram(in + "signal 40", &output), 1);
    EXPECT_EQ(output.rfind("ERR", 0), 0u);
    EXPECT_EQ(RunProgram(" ctl --socket " + sim.ControlPath() + " state", &output), 0);
    EXPECT_NE(output.find("kind=cdma"), std::string::npos);
    EXPECT_EQ(RunProgram(" ctl --dir " + dir.Path() + "nothing state", &output), 2);
    EXPECT_NE(output.find("no simulated card"), std::string::npos);
}

TEST(CardsimProgram, RunsInTheBackgroundUntilTerminated) {
    dedevev::test::TempDir dir;
    const std::string folder = dir.Path() + "devices";
    std::string output;
    ASSERT_EQ(RunProgram("--gsm --name 'Bench Card' --background --dir " + folder, &output), 0)
        << output;
    const std::size_t at = output.find("pid=");
    ASSERT_NE(at, std::string::npos) << output;
    const pid_t pid = std::stoi(output.substr(at + 4));
    const std::vector<std::string> files = ListAnnouncements(folder);
    ASSERT_EQ(files.size(), 1u) << output;
    const auto entries = ReadAnnouncement(files[0]);
    EXPECT_EQ(entries.at("name"), "Bench Card");
    EXPECT_EQ(entries.at("kind"), "gsm");
    {
        PtyHost host(entries.at("at"));
        ASSERT_TRUE(host.IsOpen());
        EXPECT_EQ(host.Command("AT+CGMM"), "AT+CGMM\r\r\nCardSim GSM/UMTS\r\n\r\nOK\r\n");
    }
    EXPECT_EQ(RunProgram(" ctl --dir " + folder + " pull", &output), 0);
    EXPECT_TRUE(ListAnnouncements(folder).empty());
    EXPECT_EQ(RunProgram(" ctl --dir " + folder + " insert", &output), 0) << output;
    EXPECT_EQ(ListAnnouncements(folder).size(), 1u);
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_TRUE(Eventually([&] { return ListAnnouncements(folder).empty(); }));
    EXPECT_TRUE(Eventually([&] { return !Exists(entries.at("control")); }));
}

}  // namespace
}  // namespace dedevev::sim

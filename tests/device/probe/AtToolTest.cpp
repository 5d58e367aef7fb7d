// dedevev-at run as a process: what it prints for the ports the probe finds, and how it
// fails (no card, bad command line, a port that cannot be opened).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/probe/SimulatedCards.h"
#include "support/Eventually.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "tests/device/probe/ProbeTestSupport.h"

extern char** environ;

namespace dedevev::test {
namespace {

using namespace std::chrono_literals;

struct ToolRun {
    int exit = -1;
    std::string out;
    std::string err;
};

class AtTool : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::string(DEDEVEV_BIN_DIR) + "/dedevev-at";
        if (!std::filesystem::exists(program_)) {
            GTEST_SKIP() << program_ << " is not built";
        }
        std::filesystem::create_directories(folder_);
    }

    // Runs the tool with the simulated-device folder, sysfs and device nodes of this test: a
    // modem plugged into the machine stays out of its sight.
    ToolRun Start(std::vector<std::string> args) {
        std::vector<std::string> env = {"DEDEVEV_DEVICE_DIR=" + folder_,
                                        "DEDEVEV_SYSFS_ROOT=" + sys_.Root(),
                                        "DEDEVEV_DEV_ROOT=" + sys_.Dev()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            for (const char* keep : {"PATH=", "ASAN_OPTIONS=", "UBSAN_OPTIONS=", "TSAN_OPTIONS="}) {
                if (entry.rfind(keep, 0) == 0) {
                    env.push_back(entry);
                }
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        args.insert(args.begin(), program_);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);

        const std::string out = temp_.File("out.txt");
        const std::string err = temp_.File("err.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = -1;
        const int spawned =
            ::posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ToolRun run;
        if (spawned != 0) {
            return run;
        }
        int status = 0;
        if (!dedevev::test::Eventually([&] { return ::waitpid(pid, &status, WNOHANG) != 0; },
                                       120s)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return run;
        }
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        return run;
    }

    TempDir temp_;
    FakeSysfs sys_{temp_.Path()};
    std::string folder_ = temp_.Path() + "devices";
    std::string program_;
};

TEST_F(AtTool, PortsOfASimulatedCard) {
    Pty at, data, voice;
    Announce(folder_ + "/sim-1.card", "Simulated GSM", at.Path(), data.Path(), voice.Path(),
             folder_ + "/sim-1.ctl");
    const ToolRun run = Start({"ports"});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out,
              "source: simulated\n"
              "name: Simulated GSM\n"
              "at: " +
                  at.Path() +
                  "\n"
                  "data: " +
                  data.Path() +
                  "\n"
                  "voice: " +
                  voice.Path() +
                  "\n"
                  "control: " +
                  folder_ +
                  "/sim-1.ctl\n"
                  "announcement: " +
                  folder_ +
                  "/sim-1.card\n"
                  "check: ok\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(AtTool, PortsOfAUsbModemWhoseDeviceNodesAreMissing) {
    sys_.AddPlatformTty("ttyS0");
    sys_.AddHuaweiE1550("1-2", 0);
    for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyUSB2"}) {
        std::filesystem::remove(sys_.Dev() + "/" + tty);
    }
    const ToolRun run = Start({"ports"});
    // sysfs names the ports but their device nodes are gone: the driver check says so. The
    // test's device folder is written <dev> below.
    const auto shown = [this](std::string text) {
        for (std::size_t at; (at = text.find(sys_.Dev())) != std::string::npos;) {
            text.replace(at, sys_.Dev().size(), "<dev>");
        }
        return text;
    };
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(shown(run.out),
              "source: usb\n"
              "name: Huawei E1550\n"
              "usb-id: 12d1:1001\n"
              "driver: option\n"
              "at: <dev>/ttyUSB2\n"
              "data: <dev>/ttyUSB0\n"
              "voice: <dev>/ttyUSB1\n"
              "check: 6 port <dev>/ttyUSB2 does not exist\n");
    EXPECT_EQ(shown(run.err), "dedevev-at: port <dev>/ttyUSB2 does not exist\n");
}

TEST_F(AtTool, NoCardFailsClearly) {
    const ToolRun ports = Start({"ports"});
    EXPECT_EQ(ports.exit, 2);
    EXPECT_NE(ports.out.find("source: none\n"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find("check: 1 no card found\n"), std::string::npos) << ports.out;
    EXPECT_EQ(ports.err, "dedevev-at: no card found\n");

    const ToolRun card_query = Start({"signal"});
    EXPECT_EQ(card_query.exit, 2);
    EXPECT_EQ(card_query.out, "");
    EXPECT_EQ(card_query.err, "dedevev-at: no card found\n");
}

TEST_F(AtTool, DriverProblemIsNamed) {
    sys_.AddDevice("1-2", 0x12d1, 0x1506, "HUAWEI Mobile");
    sys_.AddInterface("1-2", 0, 0xff, 0x02, 0x01, "");
    const ToolRun run = Start({"info"});
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.err,
              "dedevev-at: the card cannot be used: 3 driver option not loaded for "
              "12d1:1506\n");
}

struct UsageCase {
    const char* label;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.label;
}

class AtToolUsage : public AtTool, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(AtToolUsage, RefusedBeforeAnyPortIsOpened) {
    const ToolRun run = Start(GetParam().args);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtToolUsage,
    ::testing::Values(
        UsageCase{"NoCommand", {}, "no command given"},
        UsageCase{"UnknownCommand", {"frobnicate"}, "unknown command frobnicate"},
        UsageCase{"UnknownOption", {"--baud", "9600", "info"}, "unknown option --baud"},
        UsageCase{"MissingOptionValue", {"info", "--port"}, "--port needs a value"},
        UsageCase{"PinWithLetters", {"pin", "12a4"}, "the PIN must be 4 to 8 digits"},
        UsageCase{"PinWithQuote", {"pin", "1234\",1"}, "the PIN must be 4 to 8 digits"},
        UsageCase{"ShortPuk", {"puk", "1234", "1234"}, "the PUK must be 8 digits"},
        UsageCase{"PinLockMaybe", {"pinlock", "maybe", "1234"}, "pinlock takes on or off"},
        UsageCase{"UssdWithLineBreak", {"ussd", "*100#\r\nAT+CFUN=0"}, "USSD code"},
        UsageCase{"ReplyWithoutUssd", {"signal", "--reply", "1"}, "--reply belongs"},
        UsageCase{"TooManyArguments", {"signal", "now"}, "wrong number of arguments"},
        UsageCase{"ZeroTimeout", {"ussd", "*100#", "--timeout", "0"}, "--timeout"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(AtTool, PortThatCannotBeOpenedIsNamed) {
    const ToolRun run = Start({"--port", temp_.File("no-such-tty"), "signal"});
    EXPECT_EQ(run.exit, 3);
    EXPECT_EQ(run.err, "dedevev-at: cannot open port " + temp_.File("no-such-tty") + "\n");
}

TEST_F(AtTool, PortThePersonMayNotOpenNamesItsGroupAndTheWayIn) {
    const std::string port = temp_.File("ttyUSB2");
    WriteFile(port, "");
    if (const std::string why = LockPort(port, "dialout", 0660); !why.empty()) {
        GTEST_SKIP() << why;
    }
    // The unprivileged run writes its output into files made for it beforehand.
    for (const char* name : {"out.txt", "err.txt"}) {
        WriteFile(temp_.File(name), "");
        ::chmod(temp_.File(name).c_str(), 0666);
    }
    std::string why_not;
    const std::optional<std::string> run = RunUnprivileged(
        port,
        [&] {
            const ToolRun tool = Start({"--port", port, "signal"});
            return std::to_string(tool.exit) + "\n" + tool.out + tool.err;
        },
        &why_not);
    ASSERT_TRUE(run) << why_not;
    const std::string user = UnprivilegedUser();
    const std::string head = "3\ndedevev-at: cannot open " + port + ": permission denied. ";
    if (::geteuid() == 0) {
        EXPECT_EQ(*run, head + "The port belongs to the group dialout and " + user +
                            " is not in it. Add " + user +
                            " to it with \"sudo usermod -aG dialout " + user +
                            "\", then log out and in again: the group counts only after a new "
                            "login.\n");
    } else {
        EXPECT_EQ(run->rfind(head + "The port (owner " + user, 0), 0u) << *run;
    }
}

// A simulated card run as its own process, announced in the test's folder.
class AtToolOnSimulatedCard : public AtTool {
protected:
    void SetUp() override {
        AtTool::SetUp();
        if (IsSkipped()) {
            return;
        }
        const std::string cardsim = std::string(DEDEVEV_BIN_DIR) + "/dedevev-cardsim";
        if (!std::filesystem::exists(cardsim)) {
            GTEST_SKIP() << cardsim << " is not built";
        }
        std::vector<std::string> args = {cardsim, "--gsm", "--name", "E2E GSM", "--dir", folder_};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(::posix_spawn(&card_, cardsim.c_str(), &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_TRUE(dedevev::test::Eventually([&] {
            return probe::FindSimulatedCard(folder_).has_value();
        })) << "the card never announced";
    }
    void TearDown() override {
        if (card_ > 0) {
            ::kill(card_, SIGTERM);
            ::waitpid(card_, nullptr, 0);
        }
    }
    // Lines "key: value" of an output, by key (the first of each).
    static std::string Value(const std::string& out, const std::string& key) {
        const std::size_t at = out.find(key + ": ");
        if (at == std::string::npos || (at > 0 && out[at - 1] != '\n')) {
            return {};
        }
        const std::size_t start = at + key.size() + 2;
        return out.substr(start, out.find('\n', start) - start);
    }

    pid_t card_ = -1;
};

TEST_F(AtToolOnSimulatedCard, QueriesThePortsAndTheCard) {
    const ToolRun ports = Start({"ports"});
    ASSERT_EQ(ports.exit, 0) << ports.err;
    EXPECT_EQ(Value(ports.out, "name"), "E2E GSM");

    const ToolRun info = Start({"info"});
    ASSERT_EQ(info.exit, 0) << info.err;
    const std::string imsi = Value(info.out, "imsi");
    EXPECT_GE(imsi.size(), 6u) << info.out;
    EXPECT_EQ(imsi.find_first_not_of("0123456789"), std::string::npos) << imsi;
    EXPECT_FALSE(Value(info.out, "hardware-id").empty()) << info.out;
    EXPECT_FALSE(Value(info.out, "operator").empty()) << info.out;

    const ToolRun signal_run = Start({"signal"});
    ASSERT_EQ(signal_run.exit, 0) << signal_run.err;
    const int level = std::stoi(Value(signal_run.out, "signal"));
    EXPECT_TRUE((level >= 0 && level <= 31) || level == 99) << level;

    const ToolRun card = Start({"card"});
    ASSERT_EQ(card.exit, 0) << card.err;
    EXPECT_EQ(Value(card.out, "status"), "READY") << card.out;
    EXPECT_EQ(Value(card.out, "pin-required"), "no") << card.out;

    const ToolRun service = Start({"service"});
    ASSERT_EQ(service.exit, 0) << service.err;
    EXPECT_FALSE(Value(service.out, "system").empty()) << service.out;

    // The card's menu: "*100#" offers choices, "1" answers with the balance.
    const ToolRun ussd = Start({"ussd", "*100#", "--reply", "1", "--timeout", "30"});
    ASSERT_EQ(ussd.exit, 0) << ussd.err;
    const std::size_t menu = ussd.out.find("reply: ");
    const std::size_t balance = ussd.out.find("reply: ", menu + 1);
    ASSERT_NE(balance, std::string::npos) << ussd.out;
    EXPECT_NE(ussd.out.find("12.50", balance), std::string::npos) << ussd.out;

    const ToolRun networks = Start({"networks"});
    ASSERT_EQ(networks.exit, 0) << networks.err;
    EXPECT_NE(networks.out.find("network: "), std::string::npos) << networks.out;
}

TEST_F(AtToolOnSimulatedCard, WrongPinIsRefusedWithAttemptsLeft) {
    const ToolRun lock = Start({"pinlock", "on", "1234"});
    ASSERT_EQ(lock.exit, 0) << lock.err;
    EXPECT_EQ(lock.out, "pin-lock: on\n");
    const ToolRun wrong = Start({"changepin", "9999", "4321"});
    EXPECT_EQ(wrong.exit, 5);
    EXPECT_EQ(wrong.err, "dedevev-at: the card refused to change the PIN\n");
    EXPECT_EQ(Value(wrong.out, "pin-attempts"), "2") << wrong.out;
}

// A card that answers a bare AT with ERROR and starts with its radio off and its SIM late.
TEST_F(AtToolOnSimulatedCard, QuirkyCardIsFoundAndQueried) {
    const std::string ctl =
        std::string(DEDEVEV_BIN_DIR) + "/dedevev-cardsim ctl --dir '" + folder_ + "' ";
    ASSERT_EQ(std::system((ctl + "sim-start 500 >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system(
                  (ctl + "quirks at-error,no-cmee,no-gcap,radio-off,sim-busy >/dev/null").c_str()),
              0);
    const ToolRun info = Start({"info"});
    ASSERT_EQ(info.exit, 0) << info.err;
    EXPECT_EQ(Value(info.out, "imsi"), "001010123456789") << info.out;
    const ToolRun card = Start({"card"});
    ASSERT_EQ(card.exit, 0) << card.err;
    EXPECT_EQ(Value(card.out, "status"), "READY") << card.out;
}

TEST_F(AtTool, HelpListsTheCommands) {
    const ToolRun run = Start({"--help"});
    EXPECT_EQ(run.exit, 0);
    for (const char* command :
         {"info", "signal", "service", "card", "pin <pin>", "puk <puk>", "pinlock on|off",
          "changepin", "ussd <code>", "networks", "select <name|auto>", "workmode", "ports"}) {
        EXPECT_NE(run.out.find(command), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace dedevev::test

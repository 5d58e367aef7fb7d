// A port the person may not open: the modem library's reason, in parts and in words, and the
// initialisation job's message in the person's language. The port is a file of the test's own
// and the person is "nobody" when the tests run as root.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "core/GlobalService.h"
#include "core/InitThread.h"
#include "core/TextCodec.h"
#include "device/IHardwareInfo.h"
#include "device/at/features/ModemAgent.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace dedevev {
namespace {

// What keeps the unprivileged user out of the port, read back from the file itself.
struct Rights {
    std::string owner, group, mode, user;
    bool group_would_help = false;
};

struct DenialCase {
    const char* label;
    const char* group;
    unsigned mode;
};

void PrintTo(const DenialCase& c, std::ostream* os) {
    *os << c.label;
}

class PortDenial : public ::testing::TestWithParam<DenialCase> {
protected:
    void SetUp() override {
        test::WriteFile(port_, "");
        if (const std::string why = test::LockPort(port_, GetParam().group, GetParam().mode);
            !why.empty())
            GTEST_SKIP() << why;
        struct stat info;
        ASSERT_EQ(::stat(port_.c_str(), &info), 0);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777u);
        rights_ = {::getpwuid(info.st_uid)->pw_name, ::getgrgid(info.st_gid)->gr_name, mode,
                   test::UnprivilegedUser(), ::geteuid() == 0 && GetParam().mode == 0660};
    }

    std::string RunLockedOut(const std::function<std::string()>& work) {
        std::string why_not;
        const std::optional<std::string> result = test::RunUnprivileged(port_, work, &why_not);
        if (!result)
            ADD_FAILURE() << why_not;
        return result.value_or(why_not);
    }

    test::TempDir dir_;
    std::string port_ = dir_.File("ttyUSB2");
    Rights rights_;
};

TEST_P(PortDenial, LibraryNamesThePortItsGroupAndTheWayIn) {
    const std::string result = RunLockedOut([this] {
        at::ModemAgent agent;
        int status = kStatusUntouched;
        if (agent.Open(port_, 115200, &status))
            return std::string("opened");
        const auto denial = agent.LastDenial();
        return agent.LastError() + "\n" +
               (denial ? denial->group + (denial->group_would_help ? " join" : " no-join")
                       : "no denial");
    });
    const Rights& r = rights_;
    const std::string head = "cannot open " + port_ + ": permission denied. ";
    if (r.group_would_help) {
        EXPECT_EQ(result, head + "The port belongs to the group " + r.group + " and " + r.user +
                              " is not in it. Add " + r.user + " to it with \"sudo usermod -aG " +
                              r.group + " " + r.user +
                              "\", then log out and in again: the group counts only after a new "
                              "login.\n" +
                              r.group + " join");
    } else {
        EXPECT_EQ(result, head + "The port (owner " + r.owner + ", group " + r.group + ", mode " +
                              r.mode + ") does not let " + r.user + " read and write it.\n" +
                              r.group + " no-join");
    }
}

class PortAt : public IHardwareInfo {
public:
    explicit PortAt(std::string path) : path_(std::move(path)) {}
    std::string GetPort0() override { return {}; }
    std::string GetPort1() override { return {}; }
    std::string GetAtPort() override { return path_; }
    std::string GetVoicePort() override { return {}; }
    void ResetDevice() override {}
    bool IsDevicePresent() override { return true; }
    bool CheckDriver(int*) override { return true; }
    void ProbeStart() override {}
    bool Refresh() override { return true; }

private:
    std::string path_;
};

TEST_P(PortDenial, InitialisationSaysItInThePersonsLanguage) {
    CGlobalService::Instance().SwitchLanguage(DEDEVEV_SOURCE_DIR
                                              "/resources/data/Localize/English.txt");
    const std::string result = RunLockedOut([this] {
        PortAt hardware(port_);
        IModemAgent* agent = nullptr;
        InitEnvironment env;
        env.hardware = &hardware;
        env.reset_agent = [&agent] {
            ReleaseModemAgent(agent);
            return agent = CreateModemAgent();
        };
        env.release_agent = [&agent] {
            ReleaseModemAgent(agent);
            agent = nullptr;
        };
        CThreadInitApp job(nullptr, std::move(env));
        job.RunJob();
        return Utf16ToUtf8(job.ErrorText());
    });
    const Rights& r = rights_;
    const std::string opening = "You may not open the modem port " + port_ + ".\r\n";
    if (r.group_would_help) {
        EXPECT_EQ(result, opening + "It belongs to the group " + r.group + ", and " + r.user +
                              " is not in it.\r\nAdd " + r.user +
                              " to the group with this command:\r\nsudo usermod -aG " + r.group +
                              " " + r.user +
                              "\r\nThen log out and log in again: the group counts only after a "
                              "new login.");
    } else {
        EXPECT_EQ(result, opening + "Its owner is " + r.owner + ", its group " + r.group +
                              " and its mode " + r.mode + ": " + r.user +
                              " may not read and write it.\r\nAsk the administrator of this "
                              "computer for access.");
    }
}

// Without root the port is made mode 0000 and both cases come to the owner-only message.
INSTANTIATE_TEST_SUITE_P(Cases, PortDenial,
                         ::testing::Values(DenialCase{"GroupMayUseIt", "dialout", 0660},
                                           DenialCase{"OwnerOnly", "root", 0600}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace dedevev

// The real pppd on the simulated card's data port. These machines have no kernel PPP, so the
// dial must end with the clear error this machine gives, and leave no pppd behind.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "SimCardFixture.h"
#include "device/base/Utf.h"
#include "device/ppp/PppdClient.h"
#include "support/EventLog.h"

namespace dedevev::sim::test {
namespace {

class Recorder : public IRasListener, public ::dedevev::test::EventLog {
public:
    void OnDialState(int state, int error) override {
        if (state == kDialStateDisconnected)
            Add(std::to_string(error));
    }
};

class RealPppd : public CardFixture<> {};

TEST_F(RealPppd, DialWithoutKernelPppEndsWithItsClearError) {
    struct stat st {};
    if (::stat("/usr/sbin/pppd", &st) != 0)
        GTEST_SKIP() << "/usr/sbin/pppd is not installed (package ppp)";
    if (::stat("/dev/ppp", &st) == 0)
        GTEST_SKIP() << "this machine has kernel PPP: pppd would really dial the card";
    ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm));
    ppp::PppdOptions options;
    options.private_folder = dir.Path() + "private";
    const auto client = ppp::MakePppdClient(nullptr, options);
    Recorder ends;
    client->SetListener(&ends);
    DialParams params;
    params.device = Utf8ToUtf16(sim->DataPortPath());
    params.number = u"*99#";

    // As root (or in the group dip) pppd runs and finds no /dev/ppp; another user may not
    // run it at all.
    int error = 0;
    if (client->Dial(params)) {
        const auto end = ends.WaitForCount(1);
        ASSERT_FALSE(end.empty());
        error = std::stoi(end[0]);
    } else {
        error = errno;
    }
    if (::geteuid() == 0) {
        EXPECT_EQ(error, kDialErrorNoKernelPpp);
    }
    ASSERT_TRUE(error == kDialErrorNoKernelPpp || error == kDialErrorNotPermitted) << error;
    EXPECT_EQ(client->GetErrorText(error),
              error == kDialErrorNoKernelPpp
                  ? u"This computer's kernel has no PPP support (/dev/ppp is missing): load the "
                    u"ppp_generic module or use a kernel with PPP."
                  : u"pppd may not be run by this user: join the group 'dip' or ask the "
                    u"administrator for a peers entry.");
    client->HangUp();
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // no child left, not even a zombie
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace dedevev::sim::test

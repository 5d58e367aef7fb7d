// pppd's options for a dial's settings, and the errors its other exit statuses mean.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/ppp/PppdArgs.h"
#include "device/ppp/PppdLog.h"

namespace dedevev::ppp {
namespace {

TEST(PppdArguments, FollowTheAllowedProtocolsAndTheGivenAddresses) {
    struct Case {
        bool chap, pap;
        const char *ip, *dns;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {true, false, "", "", {"refuse-pap", "noipdefault", "usepeerdns"}, {"refuse-chap"}},
        {false, true, "", "", {"refuse-chap"}, {"refuse-pap"}},
        {true, true, "", "", {}, {"refuse-pap", "refuse-chap"}},
        {false,
         false,
         "10.0.0.5",
         "1.1.1.1",
         {"10.0.0.5:"},
         {"refuse-pap", "refuse-chap", "noipdefault", "usepeerdns"}},
    };
    for (const Case& c : cases) {
        const PppdDial dial{"/dev/ttyUSB0", "*99#", "", "", c.ip, c.dns, "", c.chap, c.pap};
        const auto args = PppdArguments(dial, false, "/usr/sbin/chat -f /x", "", 2);
        const auto has = [&](const std::string& w) {
            return std::find(args.begin(), args.end(), w) != args.end();
        };
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_TRUE(has("crtscts"));  // a real serial port has modem lines
        for (const std::string& word : c.present)
            EXPECT_TRUE(has(word)) << word;
        for (const std::string& word : c.absent)
            EXPECT_FALSE(has(word)) << word;
    }
}

TEST(PppdExit, StatusesBecomeTheDialsError) {
    const auto exited = [](int code) { return code << 8; };  // as waitpid reports an exit
    struct Case {
        int status, hint, error;
    };
    const Case cases[] = {
        {exited(2), 0, kDialErrorInvalidParams},
        {exited(2), kDialErrorNotPermitted, kDialErrorNotPermitted},
        {exited(5), 0, kDialErrorFatal},  // someone else's SIGTERM
        {exited(7), 0, kDialErrorNoDevice},
        {exited(8), kDialErrorPortBusy, kDialErrorDeviceError},
        {exited(10), 0, kDialErrorNegotiation},
        {exited(12), 0, kDialErrorIdleTimeout},
        {exited(15), 0, kDialErrorNegotiation},
        {exited(0), 0, kDialErrorRemoteHangUp},  // ended by the peer, never "no error"
        {SIGSEGV, 0, kDialErrorFatal},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorForEnd(c.status, c.hint, false, false), c.error) << c.status;
    EXPECT_EQ(ErrorForEnd(exited(16), 0, true, true), kDialErrorNone);  // our own hang-up
    EXPECT_EQ(ErrorForEnd(exited(16), 0, false, true), kDialErrorPortClosed);
}

}  // namespace
}  // namespace dedevev::ppp

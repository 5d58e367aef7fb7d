// gammu reads and sends short messages on the simulated GSM card: it asks for the storages
// (AT+CPMS=?), switches them (AT+CPMS="SM"...), lists in PDU mode (AT+CMGL=4), reads the
// centre address (AT+CSCA?) and sends at the prompt (AT+CMGS=<length>). Skipped where gammu
// is not installed.

#include <gtest/gtest.h>

#include <string>

#include "GammuRun.h"

namespace dedevev::sim {
namespace {

class GammuSmsTest : public test::GammuFixture<> {
protected:
    void SetUp() override { StartForGammu(CardKind::kGsm); }
};

TEST_F(GammuSmsTest, ReadsAllMessages) {
    ASSERT_EQ(sim->Control("sms +6281234567 \"Plain hello from the network\""), "OK stored SM 1");
    // Cyrillic needs UCS2 anyway; the alphanumeric sender is the operator's name.
    ASSERT_EQ(sim->Control("sms-ucs2 Telkomsel \"Привет, мир\""), "OK stored SM 2");
    std::string out;
    ASSERT_EQ(Gammu("getallsms", &out), 0) << out;
    EXPECT_NE(out.find("Plain hello from the network"), std::string::npos) << out;
    EXPECT_NE(out.find("Привет, мир"), std::string::npos) << out;
    EXPECT_NE(out.find("\"+6281234567\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"Telkomsel\""), std::string::npos) << out;
    EXPECT_NE(out.find("Unicode"), std::string::npos) << out;
    EXPECT_NE(out.find("2 SMS parts in 2 SMS sequences"), std::string::npos) << out;
    const std::string log = sim->Control("log");
    EXPECT_NE(log.find("AT+CPMS=?"), std::string::npos) << log;
    EXPECT_NE(log.find("AT+CMGL=4"), std::string::npos) << log;
    // Listing marked them read.
    EXPECT_EQ(sim->Control("sms-list SM").find("REC UNREAD"), std::string::npos);
}

TEST_F(GammuSmsTest, SendsAMessage) {
    std::string out;
    ASSERT_EQ(Gammu("sendsms TEXT +62812345 -text \"Hello from gammu\"", &out), 0) << out;
    EXPECT_NE(out.find("message reference=1"), std::string::npos) << out;
    EXPECT_EQ(sim->Control("sms-sent"), "OK (\"+62812345\",gsm7,\"Hello from gammu\",mr=1)");
    EXPECT_NE(sim->Control("log").find("AT+CMGS="), std::string::npos);
}

TEST_F(GammuSmsTest, RefusedSendingFails) {
    ASSERT_EQ(sim->Control("sms-send refuse 38"), "OK");
    std::string out;
    EXPECT_NE(Gammu("sendsms TEXT +62812345 -text \"Not today\"", &out), 0) << out;
    EXPECT_EQ(sim->Control("sms-sent"), "OK");
}

}  // namespace
}  // namespace dedevev::sim

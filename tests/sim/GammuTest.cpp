// A standard AT client, gammu, against the simulated card: it must identify the card, read
// signal and network and send a USSD code. Skipped where gammu is not installed.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "GammuRun.h"
#include "support/Eventually.h"

namespace dedevev::sim {
namespace {

class GammuTest : public test::GammuFixture<::testing::TestWithParam<CardKind>> {
protected:
    void SetUp() override { StartForGammu(GetParam()); }

    static bool Has(const std::string& text, const std::string& pattern) {
        return std::regex_search(text, std::regex(pattern));
    }
};

TEST_P(GammuTest, Identify) {
    std::string out;
    ASSERT_EQ(Gammu("identify", &out), 0) << out;
    const bool gsm = GetParam() == CardKind::kGsm;
    EXPECT_TRUE(Has(out, "Manufacturer\\s*:\\s*DEDEVev")) << out;
    EXPECT_TRUE(Has(out, gsm ? "Model\\s*:.*CardSim GSM/UMTS" : "Model\\s*:.*CardSim CDMA/EV-DO"))
        << out;
    EXPECT_TRUE(Has(out, gsm ? "IMEI\\s*:\\s*356938035643809" : "IMEI\\s*:\\s*A1000049D2C3B8"))
        << out;
    EXPECT_TRUE(Has(out, gsm ? "IMSI\\s*:\\s*001010123456789" : "IMSI\\s*:\\s*001020123456789"))
        << out;
}

// gammu 1.42 has no "getsignalquality"; "monitor 1" reads the signal once.
TEST_P(GammuTest, SignalQuality) {
    ASSERT_EQ(sim->Control("signal 17"), "OK");
    std::string out;
    ASSERT_EQ(Gammu("monitor 1", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Signal strength\\s*:\\s*-79 dBm")) << out;  // -113 + 2 * 17
    EXPECT_TRUE(Has(out, "Network level\\s*:\\s*[0-9]+ percent")) << out;
}

TEST_P(GammuTest, NetworkInfo) {
    ASSERT_EQ(sim->Control("operator \"Gammu Test Net\""), "OK");
    std::string out;
    ASSERT_EQ(Gammu("networkinfo", &out), 0) << out;
    const std::string code = GetParam() == CardKind::kGsm ? "001010" : "001020";
    EXPECT_TRUE(Has(out, "Network state\\s*:\\s*home network")) << out;
    EXPECT_TRUE(Has(out, "Network\\s*:\\s*" + code)) << out;
    EXPECT_TRUE(Has(out, "Name in phone\\s*:\\s*\"Gammu Test Net\"")) << out;
    ASSERT_EQ(sim->Control("service 2 5 1"), "OK");
    ASSERT_EQ(Gammu("networkinfo", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Network state\\s*:\\s*roaming network")) << out;
}

TEST_P(GammuTest, Ussd) {
    std::string out;
    ASSERT_EQ(Gammu("getussd '*123#'", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Service reply\\s*:\\s*\"Your balance is 12.50\"")) << out;
    const std::string log = sim->Control("log");
    EXPECT_NE(log.find("AT+CUSD=1,"), std::string::npos) << log;
}

TEST_P(GammuTest, SecurityStatus) {
    std::string out;
    ASSERT_EQ(Gammu("getsecuritystatus", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Nothing to enter")) << out;
    ASSERT_EQ(sim->Control("card pin"), "OK");
    Gammu("getsecuritystatus", &out);
    EXPECT_TRUE(Has(out, "PIN")) << out;
}

// gammu on a card with the quirks of real cards. gammu itself gives up on a card that takes
// AT+CPMS only with all three storages ("Unknown error."), so that quirk stays off here.
TEST_P(GammuTest, QuirkyCard) {
    ASSERT_EQ(sim->Control("sim-start 300"), "OK");
    ASSERT_EQ(sim->Control("quirks at-error,no-cmee,no-gcap,no-cscs,radio-off,sim-busy,"
                           "cops-no-act,empty-error")
                  .rfind("OK", 0),
              0u);
    std::string out;
    Gammu("identify", &out);  // switches the radio on; the SIM may still be starting
    EXPECT_TRUE(Has(out, "Manufacturer\\s*:\\s*DEDEVev")) << out;
    ASSERT_TRUE(dedevev::test::Eventually(
        [&] { return sim->Control("state").find(" sim_start=done") != std::string::npos; }));
    ASSERT_EQ(Gammu("identify", &out), 0) << out;
    EXPECT_TRUE(Has(out, "IMSI\\s*:\\s*0010[12]0123456789")) << out;
    ASSERT_EQ(Gammu("networkinfo", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Name in phone\\s*:\\s*\"DEDEVev Mobile\"")) << out;
    ASSERT_EQ(Gammu("getsecuritystatus", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Nothing to enter")) << out;
    if (GetParam() != CardKind::kGsm)
        return;                                     // gammu reads GSM messages only
    ASSERT_EQ(Gammu("getallsms", &out), 0) << out;  // the listing of an empty box fails
    EXPECT_TRUE(Has(out, "0 SMS parts")) << out;
    // After a message in one box gammu loops on the failed listing of the next (empty) one.
    ASSERT_EQ(sim->Control("quirks empty-error off").rfind("OK", 0), 0u);
    ASSERT_EQ(sim->Control("sms +62812345678 Hello gammu").rfind("OK stored", 0), 0u);
    ASSERT_EQ(Gammu("getallsms", &out), 0) << out;
    EXPECT_TRUE(Has(out, "Hello gammu")) << out;
}

INSTANTIATE_TEST_SUITE_P(BothKinds, GammuTest, ::testing::Values(CardKind::kGsm, CardKind::kCdma),
                         test::KindName);

}  // namespace
}  // namespace dedevev::sim

// The modem library on both dialects of the simulated card: the preferred system through
// ^DDNETSEL, ^SYSCFGEX, ^SYSCFG or AT+WS46, work modes only where the card has them, the
// factory reset, and the commands a card refused never sent again.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/IDeviceControl.h"

namespace dedevev {
namespace {

class DialectOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartCard(GetParam())); }
    // Switches the card to `dialect` (with `quirks`) and opens the library on it.
    void Open(const std::string& dialect, const std::string& quirks = "none") {
        ReleaseModemAgent(agent);  // a new port: nothing learned is kept
        agent = nullptr;
        Control("dialect " + dialect);
        Control("quirks " + quirks);
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        control = agent->GetDeviceControl();
        Control("log clear");
    }
    bool Gsm() const { return GetParam() == sim::CardKind::kGsm; }
    // Sets `netsel` and reads it back; the status of each.
    void SetAndRead(int netsel) {
        int status = kStatusUntouched;
        control->SetNetworkMode(netsel, &status);
        EXPECT_EQ(status, kStatusOk) << netsel;
        status = kStatusUntouched;
        EXPECT_EQ(control->GetNetworkMode(&status), netsel);
        EXPECT_EQ(status, kStatusOk) << netsel;
    }
    // Sets `netsel`, which must fail with no command sent.
    void SetRefusedUnsent(int netsel) {
        Control("log clear");
        int status = kStatusUntouched;
        control->SetNetworkMode(netsel, &status);
        EXPECT_NE(status, kStatusOk) << netsel;
        EXPECT_EQ(Control("log"), "OK") << netsel;
    }
    std::vector<int> Systems() const {
        return Gsm() ? std::vector<int>{1, 2, 6, 4} : std::vector<int>{10, 11, 4};
    }
    bool Sent(const std::string& fragment) {
        return Control("log").find(fragment) != std::string::npos;
    }

    IDeviceControl* control = nullptr;
};

TEST_P(DialectOnCard, PreferredSystemOnBothDialectsRemembersTheCommand) {
    for (const char* dialect : {"ours", "vendor"}) {
        SCOPED_TRACE(dialect);
        ASSERT_NO_FATAL_FAILURE(Open(dialect));
        SetAndRead(Gsm() ? 6 : 11);
        Control("log clear");
        for (const int netsel : Systems())
            SetAndRead(netsel);
        const bool vendor = std::string(dialect) == "vendor";
        EXPECT_EQ(Sent(Gsm() ? "AT^SYSCFGEX=\\\"03\\\"" : "AT^SYSCFGEX=\\\"07\\\""), vendor);
        EXPECT_EQ(Sent("DDNETSEL"), !vendor);
        EXPECT_FALSE(Sent("=?"));
        if (vendor)
            SetRefusedUnsent(Gsm() ? 10 : 1);  // the other family's system
    }
}

// Older vendor cards and standard ones: ^SYSCFG (no LTE), AT+WS46 (no CDMA), or nothing.
TEST_P(DialectOnCard, PreferredSystemFallsBackAndKeepsTheFallback) {
    struct Case {
        const char* quirks;
        const char* command;  // the set command of the card's choice, "" when it has none
        std::vector<int> expressible;
        int inexpressible;
    };
    const std::vector<Case> cases =
        Gsm() ? std::vector<Case>{{"no-syscfgex", "\"AT^SYSCFG=14,", {1, 2, 4}, 6},
                                  {"no-syscfgex,no-syscfg", "\"AT+WS46=28\"", {1, 6, 2, 4}, 10}}
              : std::vector<Case>{{"no-syscfgex", "", {}, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quirks);
        ASSERT_NO_FATAL_FAILURE(Open("vendor", c.quirks));
        for (const int netsel : c.expressible)
            SetAndRead(netsel);
        EXPECT_TRUE(!*c.command || Sent(c.command)) << c.command;
        if (c.expressible.empty()) {
            int status = kStatusUntouched;
            control->SetNetworkMode(c.inexpressible, &status);  // learns the card has none
            EXPECT_NE(status, kStatusOk);
        }
        SetRefusedUnsent(c.inexpressible);
    }
}

// Our dialect's work modes and reset are tested with the rest of it (AgentOnCard).
TEST_P(DialectOnCard, NoWorkModesOnAVendorCard) {
    ASSERT_NO_FATAL_FAILURE(Open("vendor"));
    int status = kStatusUntouched;
    control->GetWorkMode(&status);
    EXPECT_NE(status, kStatusOk);
    Control("log clear");  // known now: nothing more is asked
    control->GetWorkMode(&status);
    control->SetWorkMode(kWorkModeDongle, &status);
    EXPECT_EQ(control->GetWifiSsid(&status), "");
    EXPECT_NE(status, kStatusOk);
    EXPECT_EQ(Control("log"), "OK");
}

// The vendor card resets its profile; the set-up the library relies on is made again.
TEST_P(DialectOnCard, FactoryResetOnAVendorCard) {
    ASSERT_NO_FATAL_FAILURE(Open("vendor"));
    int status = kStatusUntouched;
    control->SetCharacterSet("UCS2", &status);
    for (int round = 0; round < 2; ++round) {
        Control("log clear");
        status = kStatusUntouched;
        control->RestoreFactorySettings(&status);
        EXPECT_EQ(status, kStatusOk) << round;
        EXPECT_TRUE(Sent("\"AT&F\"")) << round;
        EXPECT_TRUE(Sent("\"AT&W\"")) << round;
        EXPECT_EQ(Sent("DDRESET"), round == 0) << round;
        const std::string state = Control("state");
        for (const char* setting : {" echo=0 ", " cmee=1 ", " cscs=UCS2 "})
            EXPECT_NE(state.find(setting), std::string::npos) << round << setting << state;
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, DialectOnCard,
                         ::testing::Values(sim::CardKind::kGsm, sim::CardKind::kCdma),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

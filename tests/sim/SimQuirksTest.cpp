// The simulated card's quirks: what each one changes in the card's answers, the control
// command that switches them, and a SIM that starts seconds after the radio came on.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "SimCardFixture.h"
#include "SimTestSupport.h"

namespace dedevev::sim {
namespace {

using test::Bench;

struct QuirkCase {
    const char* quirks;
    std::vector<std::pair<std::string, std::string>> exchanges;  // command, compacted answer
};

TEST(SimQuirks, EachQuirkChangesItsAnswers) {
    const std::vector<QuirkCase> cases = {
        {"at-error", {{"AT", "ERROR"}, {"ATE0", "OK"}, {"AT+CGMI", "DEDEVev|OK"}}},
        {"no-cmee", {{"AT+CMEE=1", "ERROR"}, {"AT+CMEE?", "ERROR"}}},
        {"no-gcap",
         {{"AT+GCAP", "ERROR"},
          {"ATI",
           "Manufacturer: DEDEVev|Model: CardSim GSM/UMTS|Revision: DDV-CS 1.0.0|"
           "IMEI: 356938035643809|OK"}}},
        {"no-cscs",
         {{R"(AT+CSCS="UCS2")", "ERROR"},
          {"AT+CSCS=?", "ERROR"},
          {"AT+CSCS?", R"(+CSCS: "IRA"|OK)"}}},
        {"radio-off", {{"AT+CFUN?", "+CFUN: 4|OK"}, {"AT+CSQ", "+CSQ: 99,99|OK"}}},
        {"cops-no-act",
         {{"AT+COPS=?",
           R"(+COPS: (2,"DEDEVev Mobile","DEDEVev","001010"),(1,"Test Network 2G","Test2G","00103"),)"
           R"((1,"Other Mobile 3G","Other3G","00105"),(3,"Forbidden Net","Forbid","00199")"
           R"(),,(0,1,2,3,4),(0,1,2)|OK)"}}},
        {"cpms-full",
         {{R"(AT+CPMS="SM")", "ERROR"},
          {R"(AT+CPMS="SM","SM")", "ERROR"},
          {R"(AT+CPMS="SM","SM","SM")", "+CPMS: 0,50,0,50,0,50|OK"}}},
        {"empty-error",
         {{"AT+CMGL=4", "+CMS ERROR: 321"},
          {R"(AT+CPBS="SM")", "OK"},
          {"AT+CPBR=1,250", "+CME ERROR: 22"}}},
    };
    for (const QuirkCase& c : cases) {
        Bench bench;
        QuirkSet quirks;
        std::string error;
        ASSERT_TRUE(ParseQuirkList(c.quirks, &quirks, &error)) << error;
        bench.card.SetQuirks(quirks);
        for (const auto& [command, answer] : c.exchanges)
            EXPECT_EQ(bench.Run(command), answer) << c.quirks << ": " << command;
    }
}

TEST(SimQuirks, SimStartsInStepsAfterTheRadioComesOn) {
    Bench bench;
    QuirkSet quirks;
    quirks.Set(Quirk::kRadioOff, true);
    quirks.Set(Quirk::kSimBusy, true);
    bench.card.SetQuirks(quirks);
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CME ERROR: 14");  // waits for the radio
    EXPECT_EQ(bench.Run("AT+CIMI"), "+CME ERROR: 14");
    EXPECT_EQ(bench.Run("AT+CPMS?"), "+CMS ERROR: 314");
    EXPECT_EQ(bench.Run("AT+CFUN=1"), "OK");
    const std::vector<Later> steps = bench.last.later;
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].delay, Millis(2250));
    EXPECT_EQ(steps[1].delay, Millis(3000));
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CME ERROR: 14");
    steps[0].action(bench.card);
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CME ERROR: 10");
    steps[1].action(bench.card);
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CPIN: READY|OK");
    // A step of an earlier start does not cut a later one short.
    EXPECT_EQ(bench.Run("AT+CFUN=4"), "OK");
    EXPECT_EQ(bench.Run("AT+CFUN=1"), "OK");
    steps[1].action(bench.card);
    EXPECT_EQ(bench.Run("AT+CPIN?"), "+CME ERROR: 14");
}

// The vendor dialect's answers to the vendor's settings commands, which ours refuses.
TEST(SimQuirks, DialectsAnswerTheirOwnCommands) {
    const std::vector<std::tuple<Dialect, std::string, std::string>> cases = {
        {Dialect::kOurs, "AT^SYSCFG?", "ERROR"},
        {Dialect::kVendor, R"(AT^SYSCFGEX="04",40000000,2,4,40000000,,)", "+CME ERROR: 50"},
        {Dialect::kVendor, "AT^SYSCFG=13,0,40000000,2,4;+WS46?", "+WS46: 12|OK"},
        {Dialect::kVendor, "AT^SYSCFGEX?", R"(^SYSCFGEX: "01",3FFFFFFF,1,2,7FFFFFFFFFFFFFFF|OK)"},
    };
    Bench bench;
    for (const auto& [dialect, command, answer] : cases) {
        bench.card.SetDialect(dialect);
        EXPECT_EQ(bench.Run(command), answer) << command;
    }
}

class SimQuirksControl : public test::CardFixture<> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm)); }
};

TEST_F(SimQuirksControl, SwitchedByNameOrListAndShownByState) {
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"quirks", "OK none"},
        {"quirks no-gcap,at-error", "OK at-error,no-gcap"},
        {"quirks radio-off on", "OK at-error,no-gcap,radio-off"},
        {"quirks at-error off", "OK no-gcap,radio-off"},
        {"quirks no-gcap,bogus", "ERR unknown quirk \"bogus\""},
        {"quirks radio-off maybe", "ERR usage: quirks [none|<name,name...>|<name> on|off]"},
        {"sim-start 50", "ERR usage: sim-start <100-60000 ms>"},
        {"sim-start 400", "OK"},
        {"dialect", "OK ours"},
        {"dialect vendor", "OK vendor"},
        {"dialect klingon", "ERR usage: dialect [ours|vendor]"},
    };
    for (const auto& [command, answer] : steps)
        EXPECT_EQ(sim->Control(command), answer) << command;
    const std::string state = sim->Control("state");
    EXPECT_NE(state.find(" quirks=no-gcap,radio-off "), std::string::npos) << state;
    EXPECT_NE(state.find(" fun=4 "), std::string::npos) << state;
    EXPECT_NE(state.find(" sim_start=done,400"), std::string::npos) << state;
    EXPECT_NE(state.find(" dialect=vendor "), std::string::npos) << state;
    EXPECT_EQ(sim->Control("quirks none"), "OK none");
}

}  // namespace
}  // namespace dedevev::sim

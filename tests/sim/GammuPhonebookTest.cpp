// gammu reads the SIM phonebook of the simulated GSM card: it asks for the storages
// (AT+CPBS=?), selects "SM", switches to UCS2, asks for the size (AT+CPBR=?) and reads the
// entries one by one and in ranges. Skipped where gammu is not installed.

#include <gtest/gtest.h>

#include <string>

#include "GammuRun.h"

namespace dedevev::sim {
namespace {

class GammuPhonebookTest : public test::GammuFixture<> {
protected:
    void SetUp() override { StartForGammu(CardKind::kGsm); }
};

TEST_F(GammuPhonebookTest, ListsTheSimPhonebook) {
    ASSERT_EQ(sim->Control("pb-add SM +6281234567 Budi Santoso"), "OK 1");
    ASSERT_EQ(sim->Control("pb-add SM 0812 Привет"), "OK 2");
    ASSERT_EQ(sim->Control("pb-add ME 555 Not on the SIM"), "OK 1");
    ASSERT_EQ(sim->Control("pb-capacity SM 30"), "OK");
    std::string out;
    ASSERT_EQ(Gammu("getallmemory SM", &out), 0) << out;
    EXPECT_NE(out.find("Memory SM, Location 1"), std::string::npos) << out;
    EXPECT_NE(out.find("\"+6281234567\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"Budi Santoso\""), std::string::npos) << out;
    EXPECT_NE(out.find("Memory SM, Location 2"), std::string::npos) << out;
    EXPECT_NE(out.find("\"Привет\""), std::string::npos) << out;
    EXPECT_EQ(out.find("Not on the SIM"), std::string::npos) << out;
    EXPECT_EQ(out.find("Location 3"), std::string::npos) << out;
    const std::string log = sim->Control("log");
    EXPECT_NE(log.find("AT+CPBS=\\\"SM\\\""), std::string::npos) << log;
    EXPECT_NE(log.find("AT+CPBR=?"), std::string::npos) << log;
}

}  // namespace
}  // namespace dedevev::sim

// gammu reads the SIM phonebook of the simulated GSM card: it asks for the storages
// (AT+CPBS=?), selects "SM", switches to UCS2, asks for the size (AT+CPBR=?) and reads the
// entries one by one and in ranges. Skipped where gammu is not installed.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/CardSimulator.h"
#include "support/TempDir.h"

namespace dedevev::sim {
namespace {

class GammuPhonebookTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v gammu >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "gammu is not installed; skipping the standard-client check";
        SimOptions options;
        options.kind = CardKind::kGsm;
        options.device_dir = dir.Path() + "devices";
        sim = std::make_unique<CardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        rc = dir.File("gammurc");
        FILE* file = std::fopen(rc.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "[gammu]\ndevice = %s\nconnection = at\n", sim->AtPortPath().c_str());
        std::fclose(file);
    }

    // Runs gammu with the card's configuration, bounded in time; its exit status and output.
    int Gammu(const std::string& arguments, std::string* out) {
        const std::string command = "timeout 60 gammu -c '" + rc + "' " + arguments + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return -1;
        char buffer[512];
        out->clear();
        while (std::fgets(buffer, sizeof buffer, pipe))
            *out += buffer;
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    dedevev::test::TempDir dir;
    std::unique_ptr<CardSimulator> sim;
    std::string rc;
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

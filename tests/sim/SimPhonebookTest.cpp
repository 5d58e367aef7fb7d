// Phonebooks on the running card over its AT pty, for a GSM and a CDMA card: the storages and
// their sizes, reading ranges and single entries, writing at an index and at the lowest free
// one, deleting, every refusal with its +CME ERROR number, names and numbers in UCS2, the
// control commands and what survives pulling the card.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "SimCardFixture.h"

namespace dedevev::sim {
namespace {

class SimPhonebookTest : public test::HostFixture<::testing::TestWithParam<CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        OpenHost();
    }
};

TEST_P(SimPhonebookTest, StoragesReadWriteDelete) {
    Steps({
        {"AT+CPBS=?", "+CPBS: (\"ME\",\"SM\",\"EN\")|OK"},
        {"AT+CPBS?", "+CPBS: \"SM\",0,250|OK"},
        {"AT+CPBR=?", "+CPBR: (1-250),40,18|OK"},
        {"AT+CPBS=\"XX\"", "+CME ERROR: 3"},
        {"AT+CPBR=1,250", "OK"},  // nothing stored: just OK
        {"AT+CPBR=1", "+CME ERROR: 22"},
        {"AT+CPBW=3,\"+628111\",145,\"Budi\"", "OK"},
        {"AT+CPBW=,\"0812\",129,\"Ani\"", "+CPBW: 1|OK"},
        {"AT+CPBW=,\"555\",,\"Cici\"", "+CPBW: 2|OK"},
        {"AT+CPBW=,\"777\",129,\"Dedi\"", "+CPBW: 4|OK"},
        {"AT+CPBW=10,\"62855\",145,\"Intl\"", "OK"},  // type 145 makes it international
        {"AT+CPBR=2,10",
         "+CPBR: 2,\"555\",129,\"Cici\"|+CPBR: 3,\"+628111\",145,\"Budi\"|"
         "+CPBR: 4,\"777\",129,\"Dedi\"|+CPBR: 10,\"+62855\",145,\"Intl\"|OK"},
        {"AT+CPBR=5,9", "OK"},
        {"AT+CPBR=3", "+CPBR: 3,\"+628111\",145,\"Budi\"|OK"},
        {"AT+CPBW=3,\"999\",129,\"Budi baru\"", "OK"},  // replaces
        {"AT+CPBR=3", "+CPBR: 3,\"999\",129,\"Budi baru\"|OK"},
        {"AT+CPBS?", "+CPBS: \"SM\",5,250|OK"},
        {"AT+CPBW=3", "OK"},
        {"AT+CPBR=3", "+CME ERROR: 22"},
        {"AT+CPBS?", "+CPBS: \"SM\",4,250|OK"},
        {"AT+CPBS=\"ME\"", "OK"},
        {"AT+CPBR=?", "+CPBR: (1-100),40,30|OK"},
        {"AT+CPBR=1,100", "OK"},  // the books are separate
        {"AT+CPBW=,\"123\",129,\"A name of exactly thirty chars\"", "+CPBW: 1|OK"},
        {"AT+CPBS=\"EN\"", "OK"},
        {"AT+CPBR=1,5",
         "+CPBR: 1,\"112\",129,\"Emergency\"|+CPBR: 2,\"911\",129,\"Emergency\"|"
         "+CPBR: 3,\"110\",129,\"Emergency\"|+CPBR: 4,\"118\",129,\"Emergency\"|OK"},
    });
}

TEST_P(SimPhonebookTest, Refusals) {
    Steps({
        {"AT+CPBR=0", "+CME ERROR: 21"},
        {"AT+CPBR=251", "+CME ERROR: 21"},
        {"AT+CPBR=5,2", "+CME ERROR: 21"},
        {"AT+CPBR=1,251", "+CME ERROR: 21"},
        {"AT+CPBW=251,\"1\",129,\"x\"", "+CME ERROR: 21"},
        {"AT+CPBW=1,\"12a3\",129,\"x\"", "+CME ERROR: 27"},
        {"AT+CPBW=1,\"1+2\",129,\"x\"", "+CME ERROR: 27"},
        {"AT+CPBW=1,\"" + std::string(41, '1') + "\",129,\"x\"", "+CME ERROR: 26"},
        {"AT+CPBW=1,\"+" + std::string(40, '1') + "\",145,\"x\"", "OK"},  // '+' is no digit
        {"AT+CPBW=1,\"1\",129,\"nineteen characters\"", "+CME ERROR: 24"},
        {"AT+CPBW=1,\"1\",129,\"eighteen character\"", "OK"},
        {"AT+CPBS=\"EN\"", "OK"},
        {"AT+CPBW=,\"999\",129,\"x\"", "+CME ERROR: 3"},
        {"AT+CPBW=1", "+CME ERROR: 3"},
        {"AT+CPBR=1", "+CPBR: 1,\"112\",129,\"Emergency\"|OK"},  // still there
    });
    ASSERT_EQ(sim->Control("pb-capacity SM 2"), "OK");
    Steps({
        {"AT+CPBS=\"SM\"", "OK"},
        {"AT+CPBW=,\"2\",129,\"b\"", "+CPBW: 2|OK"},
        {"AT+CPBW=,\"3\",129,\"c\"", "+CME ERROR: 20"},
        {"AT+CPBS?", "+CPBS: \"SM\",2,2|OK"},
    });
    EXPECT_EQ(sim->Control("pb-capacity SM 1"), "ERR index 2 is in use");
    // The card must be usable: a PIN request stops phonebook access.
    ASSERT_EQ(sim->Control("card pin"), "OK");
    EXPECT_EQ(Cmd("AT+CPBR=1"), "+CME ERROR: 11");
}

TEST_P(SimPhonebookTest, Ucs2NamesAndNumbers) {
    ASSERT_EQ(sim->Control("pb-add SM +6281234 Привет мир"), "OK 1");
    Steps({
        {"AT+CPBR=1", "+CPBR: 1,\"+6281234\",145,\"?????? ???\"|OK"},
        {"AT+CSCS=\"UCS2\"", "OK"},
        {"AT+CPBR=1", "+CPBR: 1,\"+6281234\",145,\"041F044004380432043504420020043C04380440\"|OK"},
        // "Ü" written in UCS2 comes back as the same text.
        {"AT+CPBW=2,\"0812\",129,\"00DC0062\"", "OK"},
        {"AT+CPBW=3,\"0812\",129,\"00D\"", "+CME ERROR: 25"},
        {"AT+CPBR=2", "+CPBR: 2,\"0812\",129,\"00DC0062\"|OK"},
    });
    EXPECT_EQ(sim->Control("pb-list SM"),
              "OK (1,\"+6281234\",145,\"Привет мир\") (2,\"0812\",129,\"Üb\")");
    ASSERT_EQ(sim->Control("pb-ucs2-numbers on"), "OK");
    Steps({
        {"AT+CPBR=2", "+CPBR: 2,\"0030003800310032\",129,\"00DC0062\"|OK"},
        // A number in UCS2 hex is taken too.
        {"AT+CPBW=4,\"002B0036\",129,\"0041\"", "OK"},
        {"AT+CPBR=4", "+CPBR: 4,\"002B0036\",145,\"0041\"|OK"},
        {"AT+CSCS=\"IRA\"", "OK"},
        {"AT+CPBR=4", "+CPBR: 4,\"+6\",145,\"A\"|OK"},  // plain outside UCS2
    });
}

TEST_P(SimPhonebookTest, ControlCommandsAndPullInsert) {
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"pb-add XX 123 name", "ERR usage: pb-add ME|SM|EN <number> [<name...>]"},
        {"pb-add SM 12x name", "ERR number must be digits, * and # with an optional leading +"},
        {"pb-capacity SM 0", "ERR capacity must be 1 to 1000"},
        {"pb-capacity SM many", "ERR usage: pb-capacity ME|SM|EN <1-1000>"},
        {"pb-ucs2-numbers maybe", "ERR usage: pb-ucs2-numbers on|off"},
        {"pb-list", "ERR usage: pb-list ME|SM|EN"},
    };
    for (const auto& [command, answer] : refused)
        EXPECT_EQ(sim->Control(command), answer) << command;
    EXPECT_EQ(sim->Control("pb-add ME 111 Alpha One"), "OK 1");
    EXPECT_EQ(sim->Control("pb-add EN 999"), "OK 5");  // the network's list may grow
    EXPECT_EQ(sim->Control("pb-add EN 998"), "ERR phonebook full");
    ASSERT_EQ(Cmd("AT+CPBS=\"ME\""), "OK");
    ASSERT_EQ(sim->Control("pull"), "OK");
    ASSERT_EQ(sim->Control("insert").substr(0, 2), "OK");
    OpenHost();
    // Power-up selects SM again; the entries stay.
    EXPECT_EQ(Cmd("AT+CPBS?"), "+CPBS: \"SM\",0,250|OK");
    EXPECT_EQ(Cmd("AT+CPBS=\"ME\""), "OK");
    EXPECT_EQ(Cmd("AT+CPBR=1,100"), "+CPBR: 1,\"111\",129,\"Alpha One\"|OK");
    EXPECT_EQ(sim->Control("pb-clear ME"), "OK");
    EXPECT_EQ(Cmd("AT+CPBR=1,100"), "OK");
    EXPECT_EQ(sim->Control("pb-list ME"), "OK");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimPhonebookTest,
                         ::testing::Values(CardKind::kGsm, CardKind::kCdma), test::KindName);

}  // namespace
}  // namespace dedevev::sim

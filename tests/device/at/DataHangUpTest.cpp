// HangUpData with the card's data port beside its AT port, both scripted modems on ptys. A
// data port in command state is released there and the AT port hears nothing; a data port
// that cannot be used (missing, held by another program, silent, answering garbage, hanging
// up, or the AT port itself) leaves the AT port to ask the card. The escape from a live
// connection runs against the simulated card (tests/sim/CallsOnCardTest.cpp).

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "device/at/features/ModemAgent.h"
#include "support/OtherProgram.h"
#include "support/PtyPeer.h"
#include "support/TempDir.h"

namespace dedevev::at {
namespace {

using test::PtyPeer;
using test::Script;
using Commands = std::vector<std::string>;

enum class DataPath { kPeer, kMissing, kAtPort };

struct DataPortCase {
    const char* name;
    DataPath path;
    std::function<void(PtyPeer& data)> script;  // how the data port behaves
    bool held_by_other_program;
    Commands data_commands;  // what reached the data port
    Commands at_commands;    // what reached the AT port
};

TEST(DataHangUp, UsesTheDataPortWhenItCanAndAsksTheCardOtherwise) {
    const Commands kAskCard = {"AT+CPAS"};
    const std::vector<DataPortCase> cases = {
        {"command state", DataPath::kPeer, [](PtyPeer&) {}, false, {"AT"}, {}},
        {"silent", DataPath::kPeer, [](PtyPeer& d) { d.SetMute(true); }, false, {"AT"}, kAskCard},
        {"garbage",
         DataPath::kPeer,
         [](PtyPeer& d) { d.On("AT", Script().Garbage(64)); },
         false,
         {"AT"},
         kAskCard},
        {"hangs up",
         DataPath::kPeer,
         [](PtyPeer& d) { d.On("AT", Script().HangUp()); },
         false,
         {"AT"},
         kAskCard},
        {"held by another program", DataPath::kPeer, [](PtyPeer&) {}, true, {}, kAskCard},
        {"missing", DataPath::kMissing, [](PtyPeer&) {}, false, {}, kAskCard},
        {"the AT port itself", DataPath::kAtPort, [](PtyPeer&) {}, false, {}, kAskCard},
    };
    for (const DataPortCase& c : cases) {
        test::TempDir dir;
        PtyPeer at_peer;
        PtyPeer data_peer;
        ASSERT_TRUE(at_peer.IsOpen() && data_peer.IsOpen());
        at_peer.On("AT+CPAS", Script().Line("+CPAS: 0").Ok());
        c.script(data_peer);
        std::unique_ptr<test::OtherProgramHolding> other;
        if (c.held_by_other_program) {
            other = std::make_unique<test::OtherProgramHolding>(data_peer.SlavePath());
            ASSERT_NE(other->Pid(), 0) << c.name;
        }
        ModemAgent agent;
        Timeouts timeouts;
        timeouts.data_port.probe = Millis(1000);
        timeouts.data_port.guard = Millis(20);
        agent.SetTimeouts(timeouts);
        ASSERT_TRUE(agent.Open(at_peer.SlavePath(), 115200, nullptr)) << c.name;
        const std::string path = c.path == DataPath::kPeer     ? data_peer.SlavePath()
                                 : c.path == DataPath::kAtPort ? at_peer.SlavePath()
                                                               : dir.File("ttyUSB0");
        ASSERT_TRUE(SetModemDataPort(&agent, path));

        int status = kStatusUntouched;
        agent.GetDeviceControl()->HangUpData(&status);
        EXPECT_EQ(status, kStatusOk) << c.name;
        EXPECT_EQ(data_peer.Commands(), c.data_commands) << c.name;
        EXPECT_EQ(at_peer.Commands(), c.at_commands) << c.name;
    }
}

}  // namespace
}  // namespace dedevev::at

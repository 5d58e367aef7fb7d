#pragma once
// Fixtures of the tests that run a simulated card: the card alone in a device folder of its
// own, the card with a host on its AT pty, and the card with the modem library's agent open
// on it. `Base` is ::testing::Test, or ::testing::TestWithParam<...> for suites that run on
// both kinds of card; the derived fixture's SetUp starts what it needs.
//
//   class SmsOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
//       void SetUp() override {
//           ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
//           ASSERT_NO_FATAL_FAILURE(OpenAgent());
//       }
//   };

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "SimTestSupport.h"
#include "device/DeviceStatus.h"
#include "device/IModemAgent.h"
#include "device/at/features/ModemAgent.h"
#include "sim/CardSimulator.h"
#include "support/Eventually.h"
#include "support/ListenerMark.h"
#include "support/TempDir.h"

namespace dedevev::sim::test {

// Test names of suites run on both kinds: "Gsm" and "Cdma".
inline std::string KindName(const ::testing::TestParamInfo<CardKind>& info) {
    return info.param == CardKind::kGsm ? "Gsm" : "Cdma";
}

// A card whose announcement and control socket live in a temporary folder; the folder goes
// with the fixture.
template <typename Base = ::testing::Test>
class CardFixture : public Base {
protected:
    // Starts a card of `kind` (a fatal failure when it does not start).
    void StartCard(CardKind kind) {
        SimOptions options;
        options.kind = kind;
        options.device_dir = DeviceDir();
        sim = std::make_unique<CardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    std::string DeviceDir() const { return dir.Path() + "devices"; }

    ::dedevev::test::TempDir dir;
    std::unique_ptr<CardSimulator> sim;
};

// The card with a host on its AT port, as a host sets it up: echo off, errors as numbers.
template <typename Base = ::testing::Test>
class HostFixture : public CardFixture<Base> {
protected:
    // Opens the AT port (again after a pull and an insert) and sets echo and errors.
    void OpenHost() {
        host = std::make_unique<PtyHost>(this->sim->AtPortPath());
        ASSERT_TRUE(host->IsOpen());
        ASSERT_EQ(Cmd("ATE0"), "ATE0|OK");  // echoed before echo goes off
        ASSERT_EQ(Cmd("AT+CMEE=1"), "OK");
    }
    // The answer to `line` up to its final result (as `final_result` tells it), compacted.
    std::string Cmd(const std::string& line) {
        host->Clear();
        host->Write(line + "\r");
        return Compact(host->ReadUntil(final_result, 5000));
    }
    // Commands and the answers they must get, in order.
    void Steps(const std::vector<std::pair<std::string, std::string>>& steps) {
        for (const auto& [command, expected] : steps)
            EXPECT_EQ(Cmd(command), expected) << command;
    }
    // What arrives within `ms` of sending `line`, compacted: answers whose end is not a final
    // result, and the unsolicited lines after it.
    std::string Send(const std::string& line, int ms) {
        host->Clear();
        host->Write(line + "\r");
        return Compact(host->Collect(ms));
    }
    // What arrives after sending `line` until the line with `marker` is complete.
    std::string SendUntil(const std::string& line, const std::string& marker, int timeout_ms) {
        host->Clear();
        host->Write(line + "\r");
        return Compact(host->ReadUntil(Arrived(marker), timeout_ms));
    }
    // What arrives within `ms`, compacted (nothing of what came before).
    std::string Quiet(int ms) {
        host->Clear();
        return Compact(host->Collect(ms));
    }
    // What arrives until `marker` and `lines` line ends after it came (nothing of what came
    // before), compacted.
    std::string Until(const std::string& marker, int lines, int timeout_ms) {
        host->Clear();
        return Compact(host->ReadUntil(Arrived(marker, lines), timeout_ms));
    }

    // Whether a received text ends in a final result.
    bool (*final_result)(const std::string&) = PtyHost::HasFinal;
    std::unique_ptr<PtyHost> host;
};

// The card with the modem library's agent open on its AT port and configured as the program
// configures a card it has opened.
template <typename Base = ::testing::Test>
class AgentFixture : public CardFixture<Base> {
protected:
    // Creates the agent, opens it on the card and configures it (fatal failures). With
    // AGENT_LOG_DIR set, the agent writes its log there.
    void OpenAgent() {
        agent = CreateModemAgent();
        ASSERT_NE(agent, nullptr);
        if (const char* log = std::getenv("AGENT_LOG_DIR")) {
            at::SetLogFolder(log);
            agent->EnableLog(true);
        }
        int status = kStatusUntouched;
        ASSERT_TRUE(agent->Open(this->sim->AtPortPath(), 115200, &status));
        ASSERT_EQ(status, kStatusOk);
        status = kStatusUntouched;
        agent->GetDeviceControl()->ConfigureA(0, &status);
        ASSERT_EQ(status, kStatusOk);
    }
    // Derived fixtures detach their handlers from the agent first, then call this.
    void TearDown() override {
        ReleaseModemAgent(agent);
        agent = nullptr;
        this->sim.reset();
    }
    // A control command the card must take; its answer ("OK...").
    std::string Control(const std::string& line) {
        const std::string answer = this->sim->Control(line);
        EXPECT_EQ(answer.rfind("OK", 0), 0u) << line << " -> " << answer;
        return answer;
    }
    // Waits until the library's listeners have had every line the card sent so far.
    bool AwaitCardOutputHandled() {
        auto& channel = dynamic_cast<at::ModemAgent&>(*agent).Context().Channel();
        return ::dedevev::test::AwaitListenersCaughtUp(
            channel, [&](const std::string& line) { Control("urc \"" + line + "\""); });
    }
    // Waits until the card has received the AT command `command` at least `count` times since
    // its log was cleared ("log clear"); the card reads the state it answers from on receipt.
    bool AwaitCardCommand(const std::string& command, std::size_t count = 1) {
        const std::string entry = " \"" + command + "\"";
        return ::dedevev::test::Eventually([&] {
            const std::string log = this->sim->Control("log");
            std::size_t seen = 0;
            for (auto at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1))
                ++seen;
            return seen >= count;
        });
    }

    IModemAgent* agent = nullptr;
};

}  // namespace dedevev::sim::test

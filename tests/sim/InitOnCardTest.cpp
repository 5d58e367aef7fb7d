// The initialisation job and the status thread on the simulated card.
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "SimCardFixture.h"
#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "core/InitThread.h"
#include "core/PortRelease.h"
#include "core/StatusThread.h"
#include "core/TextCodec.h"
#include "core/WindowMessage.h"
#include "device/IHardwareInfo.h"
#include "device/at/features/ModemAgent.h"
#include "device/base/Clock.h"
#include "settings/PinEntry.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The hardware query of one simulated card.
class SimHardware : public IHardwareInfo {
public:
    explicit SimHardware(sim::CardSimulator& card) : card_(card) {}
    std::string GetPort0() override { return card_.DataPortPath(); }
    std::string GetPort1() override { return {}; }
    std::string GetAtPort() override { return card_.AtPortPath(); }
    std::string GetVoicePort() override { return card_.VoicePortPath(); }
    void ResetDevice() override { ++resets; }
    bool IsDevicePresent() override { return !card_.AtPortPath().empty(); }
    bool CheckDriver(int*) override { return true; }
    void ProbeStart() override {}
    bool Refresh() override { return IsDevicePresent(); }
    std::atomic<int> resets{0};

private:
    sim::CardSimulator& card_;
};

class Inbox : public IMessageTarget {
public:
    void Post(WindowMessage message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(std::move(message));
        cv_.notify_all();
    }
    void Send(WindowMessage message) override { Post(std::move(message)); }
    std::vector<WindowMessage> Of(unsigned number) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<WindowMessage> found;
        for (const WindowMessage& m : messages_) {
            if (m.number == number)
                found.push_back(m);
        }
        return found;
    }
    bool WaitFor(unsigned number, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, seconds(60), [&] {
            std::size_t n = 0;
            for (const WindowMessage& m : messages_)
                n += m.number == number ? 1 : 0;
            return n >= count;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<WindowMessage> messages_;
};

// The progress window's view of the job, with the owner's messages in between.
class Progress : public IProgressSink {
public:
    explicit Progress(Inbox& inbox) : inbox_(inbox) {}
    void OnProgressStep(int step, int total) override {
        Add("step " + std::to_string(step) + "/" + std::to_string(total));
    }
    void OnProgressText(const std::u16string& text) override { Add(Utf16ToUtf8(text)); }
    void OnJobEnded() override { Add("ended"); }
    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!inbox_.Of(kMsgInitDone).empty() && !done_seen_) {
            events_.push_back("1131");
            done_seen_ = true;
        }
        events_.push_back(std::move(event));
    }
    Inbox& inbox_;
    std::mutex mutex_;
    std::vector<std::string> events_;
    bool done_seen_ = false;
};

class InitOnCard : public sim::test::CardFixture<> {
protected:
    void SetUp() override {
        CGlobalService::Instance().SwitchLanguage(DEDEVEV_SOURCE_DIR
                                                  "/resources/data/Localize/English.txt");
        ResetSmsStorageSetForTesting();
        ASSERT_NO_FATAL_FAILURE(StartCard(sim::CardKind::kGsm));
        hardware_ = std::make_unique<SimHardware>(*sim);
        settings_.file_path = Utf8ToUtf16(dir.File("Set.dat"));
        settings_.dial.name = u"Before";
        defaults_.dial.name = u"Default";
        NetProfile own;
        own.name = u"Test network";
        own.mcc_mnc = u"001010";  // the simulated GSM card's home network
        own.apn = u"test.apn";
        profiles_.Insert(own);
    }
    void TearDown() override {
        status_.reset();
        ReleaseModemAgent(agent_);
        agent_ = nullptr;
        sim.reset();
        ResetSmsStorageSetForTesting();
    }

    InitEnvironment Env() {
        InitEnvironment env;
        env.hardware = hardware_.get();
        env.reset_agent = [this] {
            ReleaseModemAgent(agent_);
            agent_ = CreateModemAgent();
            ++agents_made_;
            if (auto* at = dynamic_cast<at::ModemAgent*>(agent_)) {
                at::Timeouts timeouts;
                timeouts.alive = milliseconds(100);  // a mute card is found out quickly
                timeouts.query = milliseconds(500);
                at->SetTimeouts(timeouts);
            }
            return agent_;
        };
        env.release_agent = [this] {
            ReleaseModemAgent(agent_);
            agent_ = nullptr;
        };
        env.free_port = [](const std::string& port) {
            PortReleaseOptions options;
            options.at_port = port;
            options.program_name = "PortKeeper";
            return FreePortFromCompetitor(options);
        };
        env.pin_entry = [this](ICardService& card, std::u16string* error) {
            ++pin_entries_;
            return env_pin_entry_(card, error);
        };
        env.settings = &settings_;
        env.defaults = &defaults_;
        env.profiles = [this]() -> const NetProfileList& { return profiles_; };
        env.clock = &clock_;
        return env;
    }

    std::unique_ptr<CThreadInitApp> RunInit(IProgressSink* progress = nullptr) {
        auto job = std::make_unique<CThreadInitApp>(&inbox_, Env());
        job->SetProgressWindow(progress);
        EXPECT_TRUE(job->Start());
        EXPECT_TRUE(job->Wait(seconds(120)));  // only against hangs
        return job;
    }

    void StartStatus() {
        StatusEnvironment env;
        env.agent = [this] { return agent_; };
        env.ppp_address = [] { return 0u; };
        env.clock = &clock_;
        status_ = std::make_unique<CThreadUpdateStatus>(&inbox_, env);
        ASSERT_TRUE(status_->Start());
    }

    std::unique_ptr<SimHardware> hardware_;
    IModemAgent* agent_ = nullptr;
    int agents_made_ = 0;
    int pin_entries_ = 0;
    std::function<bool(ICardService&, std::u16string*)> env_pin_entry_ =
        [](ICardService& c, std::u16string* e) { return EnterPinAtStart(c, e); };
    AppSettings settings_;
    AppSettings defaults_;
    NetProfileList profiles_;
    TestClock clock_;
    Inbox inbox_;
    std::unique_ptr<CThreadUpdateStatus> status_;
};

TEST_F(InitOnCard, ReadyCardPicksItsNetworksProfile) {
    Progress progress(inbox_);
    auto job = RunInit(&progress);
    EXPECT_EQ(
        progress.Events(),
        (std::vector<std::string>{"Detecting the modem...", "step 1/4", "Opening the modem port...",
                                  "step 2/4", "step 3/4", "1131", "step 4/4", "ended"}));
    EXPECT_TRUE(job->Succeeded()) << Utf16ToUtf8(job->ErrorText());
    EXPECT_EQ(inbox_.Of(kMsgInitDone).size(), 1u);
    EXPECT_EQ(job->CardStatus(), "READY");
    EXPECT_EQ(job->AccountResult(), AccountChoice::kProfile);
    EXPECT_EQ(settings_.dial.name, u"Test network");
    EXPECT_EQ(settings_.dial.apn, u"test.apn");
    EXPECT_EQ(hardware_->resets, 0);
    EXPECT_EQ(clock_.Slept(), milliseconds(0));
    // The data port goes to the modem object with the AT port, for HangUpData.
    EXPECT_EQ(dynamic_cast<at::ModemAgent&>(*agent_).Context().DataPortPath(), sim->DataPortPath());
    // The card manages a PIN, so the start-up entry runs; its failure does not stop the job.
    EXPECT_EQ(pin_entries_, 1);

    StartStatus();
    ASSERT_TRUE(inbox_.WaitFor(kMsgHomeNetwork, 2));
    status_->RequestStop();
    ASSERT_TRUE(status_->Wait(seconds(60)));
    const auto cards = inbox_.Of(kMsgCardState);
    ASSERT_EQ(cards.size(), 1u);  // not asked again once ready
    EXPECT_EQ(cards[0].wparam >> 16, 1u);
    EXPECT_EQ(cards[0].lparam, 0);
    EXPECT_EQ(inbox_.Of(kMsgHomeNetwork)[0].text, "001010");
    EXPECT_FALSE(inbox_.Of(kMsgSignal).empty());
}

// A card that refuses a bare AT, numeric errors and AT+GCAP, starts with its radio off and its
// SIM seconds late: the job finds it, waits for the SIM and runs the PIN check on it.
TEST_F(InitOnCard, QuirkyCardStartsLikeAnyOther) {
    ASSERT_EQ(sim->Control("sim-start 600"), "OK");
    ASSERT_EQ(
        sim->Control("quirks at-error,no-cmee,no-gcap,no-cscs,radio-off,sim-busy").rfind("OK", 0),
        0u);
    auto job = RunInit();
    EXPECT_TRUE(job->Succeeded()) << Utf16ToUtf8(job->ErrorText());
    EXPECT_EQ(hardware_->resets, 0);
    EXPECT_EQ(job->CardStatus(), "READY");
    EXPECT_EQ(pin_entries_, 1);
    EXPECT_EQ(job->AccountResult(), AccountChoice::kProfile);
    EXPECT_NE(sim->Control("state").find(" fun=1 "), std::string::npos);
}

TEST_F(InitOnCard, MuteCardIsResetThenNoResponse) {
    ASSERT_EQ(sim->Control("mute on").rfind("OK", 0), 0u);
    Progress progress(inbox_);
    auto job = RunInit(&progress);
    EXPECT_EQ(progress.Events(),
              (std::vector<std::string>{"Detecting the modem...", "step 1/4",
                                        "Opening the modem port...", "step 2/4", "ended"}));
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(Utf16ToUtf8(job->ErrorText()).rfind("The modem does not respond.", 0), 0u);
    EXPECT_EQ(hardware_->resets, 1);
    EXPECT_EQ(agents_made_, 2);
    EXPECT_EQ(clock_.Slept(), seconds(18));  // 9 pauses in each round of 10 tries
    EXPECT_TRUE(inbox_.Of(kMsgInitDone).empty());
    EXPECT_EQ(settings_.dial.name, u"Before");
}

TEST_F(InitOnCard, CardThatNeverBecomesReadyStillSucceedsWithDefaults) {
    ASSERT_EQ(sim->Control("card absent").rfind("OK", 0), 0u);
    auto job = RunInit();
    EXPECT_TRUE(job->Succeeded()) << Utf16ToUtf8(job->ErrorText());
    EXPECT_EQ(clock_.Slept(), seconds(19));  // 20 reads, 1 s apart
    EXPECT_EQ(job->AccountResult(), AccountChoice::kDefaults);
    EXPECT_EQ(settings_.dial.name, u"Default");
    EXPECT_EQ(inbox_.Of(kMsgInitDone).size(), 1u);

    StartStatus();
    ASSERT_TRUE(inbox_.WaitFor(kMsgCardState, 3));  // asked every cycle
    status_->RequestStop();
    ASSERT_TRUE(status_->Wait(seconds(60)));
    for (const WindowMessage& m : inbox_.Of(kMsgCardState)) {
        EXPECT_EQ(m.wparam >> 16, 0u);
        EXPECT_EQ(m.lparam, 0);
    }
    EXPECT_FALSE(SmsStorageSet());
}

TEST_F(InitOnCard, CardAskingForPinStopsTheWaitAndLeavesPinLocked) {
    ASSERT_EQ(sim->Control("card pin").rfind("OK", 0), 0u);
    auto job = RunInit();
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(pin_entries_, 1);
    EXPECT_EQ(job->ErrorText(), u"The card is locked. The PIN was not entered.");
    EXPECT_EQ(job->CardStatus(), "SIM PIN");
    EXPECT_EQ(clock_.Slept(), milliseconds(0));
    EXPECT_EQ(job->AccountResult(), AccountChoice::kDefaults);

    StartStatus();
    ASSERT_TRUE(inbox_.WaitFor(kMsgSignal, 3));
    status_->RequestStop();
    ASSERT_TRUE(status_->Wait(seconds(60)));
    const auto cards = inbox_.Of(kMsgCardState);
    ASSERT_EQ(cards.size(), 1u);  // the card is not polled any more
    EXPECT_EQ(cards[0].lparam, 1);
    EXPECT_EQ(cards[0].wparam >> 16, 0u);
}

TEST_F(InitOnCard, PulledCardWhilePollingNeitherCrashesNorHangs) {
    auto job = RunInit();
    ASSERT_TRUE(job->Succeeded());
    StartStatus();
    ASSERT_TRUE(inbox_.WaitFor(kMsgSignal, 1));
    ASSERT_EQ(sim->Control("pull").rfind("OK", 0), 0u);
    const std::size_t before = inbox_.Of(kMsgAddress).size();
    ASSERT_TRUE(inbox_.WaitFor(kMsgAddress, before + 3));  // the loop goes on
    status_->RequestStop();
    EXPECT_TRUE(status_->Wait(seconds(60)));
}

TEST_F(InitOnCard, PulledCardBeforeStartIsNoDevice) {
    ASSERT_EQ(sim->Control("pull").rfind("OK", 0), 0u);
    auto job = RunInit();
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(Utf16ToUtf8(job->ErrorText()).rfind("No modem found.", 0), 0u);
    EXPECT_EQ(agents_made_, 0);
}

// The card pulled at a given step of the job: it ends, with a failure or on defaults, and
// never hangs.
struct PullCase {
    const char* label;
    int step;  // 0: while freeing the port, 1: in the PIN entry, 2: after the message set-up
    bool succeeds;
    const char* error_start;
};

class PulledDuringInit : public InitOnCard, public ::testing::WithParamInterface<PullCase> {};

TEST_P(PulledDuringInit, EndsCleanly) {
    const PullCase& c = GetParam();
    InitEnvironment env = Env();
    auto pull = [this] { EXPECT_EQ(sim->Control("pull").rfind("OK", 0), 0u); };
    if (c.step == 0) {
        env.free_port = [pull](const std::string&) {
            pull();
            return PortRelease::kNoCompetitor;
        };
    } else if (c.step == 1) {
        env.pin_entry = [pull](ICardService&, std::u16string*) {
            pull();
            return false;
        };
    } else {
        env.message_store_setup = [pull](ISmsControl&) { pull(); };
    }
    CThreadInitApp job(&inbox_, env);
    ASSERT_TRUE(job.Start());
    ASSERT_TRUE(job.Wait(seconds(120)));  // only against hangs
    EXPECT_EQ(job.Succeeded(), c.succeeds);
    EXPECT_EQ(Utf16ToUtf8(job.ErrorText()).rfind(c.error_start, 0), 0u)
        << Utf16ToUtf8(job.ErrorText());
    if (c.succeeds) {
        EXPECT_EQ(job.AccountResult(), AccountChoice::kDefaults);
        EXPECT_EQ(clock_.Slept(), seconds(19));  // the card wait ran out
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PulledDuringInit,
    ::testing::Values(PullCase{"FreeingPort", 0, false, "Cannot open the modem port."},
                      PullCase{"PinEntry", 1, true, ""}, PullCase{"MessageStore", 2, true, ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace dedevev

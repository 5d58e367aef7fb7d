// The modem library driving the simulated card over real ptys: what the program sees of a card.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "SimCardFixture.h"
#include "device/DeviceStatus.h"
#include "device/ICardService.h"
#include "device/IDeviceControl.h"
#include "support/EventLog.h"

namespace dedevev {
namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;

class Replies : public IUssdEventHandler, public test::EventLog {
public:
    void OnUssdReply(const std::string& text) override { Add(text); }
    // The next reply, or "<none>" after `wait`.
    std::string Next(seconds wait = seconds(20)) { return TakeNext(wait).value_or("<none>"); }
};

class AgentOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        control_ = agent->GetDeviceControl();
        card_ = agent->GetCardService();
        int status = kStatusUntouched;
        control_->ConfigureB(1, &status);
        EXPECT_EQ(status, kStatusOk);
    }
    void TearDown() override {
        if (card_)
            card_->SetUssdListener(nullptr);
        AgentFixture::TearDown();
    }

    IDeviceControl* control_ = nullptr;
    ICardService* card_ = nullptr;
};

TEST_P(AgentOnCard, StatusOfTheCard) {
    int status = kStatusUntouched;
    control_->CheckAlive(&status);
    EXPECT_EQ(status, kStatusOk);

    Control("signal 17");
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetSignalLevel(&status), 17);
    EXPECT_EQ(status, kStatusOk);

    status = kStatusUntouched;
    const std::string imsi = control_->GetImsi(&status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(imsi.substr(0, 6), GetParam() == sim::CardKind::kCdma ? "001020" : "001010");

    status = kStatusUntouched;
    EXPECT_EQ(control_->GetCardStatus(&status), "READY");
    EXPECT_EQ(status, kStatusOk);

    Control("service 2 4 1");
    status = kStatusUntouched;
    const ServiceInfo info = control_->GetServiceInfo(&status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(info.system_mode, 4);
    EXPECT_EQ(info.service_state, 2);
    EXPECT_EQ(info.roaming, 1);
    EXPECT_EQ(info.card_type, GetParam() == sim::CardKind::kCdma ? 2 : 1);

    Control("operator \"Nusantara Net, Ltd\"");
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetOperatorName(&status), "Nusantara Net, Ltd");
    EXPECT_EQ(status, kStatusOk);

    status = kStatusUntouched;
    EXPECT_FALSE(control_->GetHardwareId(&status).empty());
    EXPECT_EQ(status, kStatusOk);

    status = kStatusUntouched;
    control_->SetApn("internet", &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    control_->SetNetworkMode(11, &status);
    EXPECT_EQ(status, kStatusOk);

    // Work mode and Wi-Fi name, then a factory reset brings the defaults back.
    Control("ssid \"Warung Wifi\"");
    status = kStatusUntouched;
    control_->SetWorkMode(1, &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetWorkMode(&status), 1);
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetWifiSsid(&status), "Warung Wifi");
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    control_->RestoreFactorySettings(&status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetWorkMode(&status), 0);
}

TEST_P(AgentOnCard, PinAndPukFlowsWithTheirCounters) {
    int status = kStatusUntouched;
    card_->SetPinLock("1234", true, &status);
    ASSERT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(card_->GetPinLockState(&status), 1);
    Control("card pin");
    status = kStatusUntouched;
    EXPECT_TRUE(card_->IsPinRequired(&status));
    status = kStatusUntouched;
    EXPECT_EQ(card_->GetRemainingAttempts(&status), 3);
    EXPECT_EQ(status, kStatusOk);
    for (int left : {2, 1}) {
        status = kStatusUntouched;
        card_->VerifyPin("0000", &status);
        EXPECT_NE(status, kStatusOk);
        status = kStatusUntouched;
        EXPECT_EQ(card_->GetRemainingAttempts(&status), left);
    }
    status = kStatusUntouched;
    card_->VerifyPin("0000", &status);
    EXPECT_NE(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_TRUE(card_->IsPukRequired(&status));
    status = kStatusUntouched;
    EXPECT_EQ(card_->GetRemainingPukAttempts(&status), 10);
    status = kStatusUntouched;
    card_->UnlockWithPuk("00000000", "4321", &status);
    EXPECT_NE(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(card_->GetRemainingPukAttempts(&status), 9);
    status = kStatusUntouched;
    card_->UnlockWithPuk("12345678", "4321", &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetCardStatus(&status), "READY");
    status = kStatusUntouched;
    card_->ChangePin("4321", "2468", &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    card_->ChangePin("4321", "1111", &status);  // the old PIN is gone
    EXPECT_NE(status, kStatusOk);
    status = kStatusUntouched;
    card_->SetPinLock("2468", false, &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(card_->GetPinLockState(&status), 0);
    EXPECT_EQ(status, kStatusOk);
    // The card still manages a PIN, so the PIN page stays.
    status = kStatusUntouched;
    EXPECT_TRUE(card_->IsPinCheckEnabled(&status));
    EXPECT_EQ(status, kStatusOk);
}

TEST_P(AgentOnCard, UssdRequestsMenusRefusalsAndNetworkRequests) {
    Replies replies;
    card_->SetUssdListener(&replies);
    for (const char* encoding : {"text", "gsm7hex", "ucs2"}) {
        SCOPED_TRACE(encoding);
        Control(std::string("ussd-encoding ") + encoding);
        int status = kStatusUntouched;
        card_->SendUssd("*123#", &status);
        EXPECT_EQ(status, kStatusOk);
        EXPECT_EQ(replies.Next(), "Your balance is 12.50");
    }
    int status = kStatusUntouched;
    card_->SendUssd("*100#", &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(replies.Next(), "Choose: 1 Balance, 2 Tariff");
    status = kStatusUntouched;
    card_->SendUssd("1", &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(replies.Next(), "Your balance is 12.50");

    status = kStatusUntouched;
    card_->SendUssd("*999#", &status);
    EXPECT_EQ(status, kStatusNotSupported);

    Control("ussd-order before");
    status = kStatusUntouched;
    card_->SendUssd("*123#", &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(replies.Next(), "Your balance is 12.50");

    Control("ussd-notify \"Paket data hampir habis\"");
    EXPECT_EQ(replies.Next(), "Paket data hampir habis");
    EXPECT_EQ(replies.Next(seconds(1)), "<none>");
}

TEST_P(AgentOnCard, NetworkSearchAndSelection) {
    int status = kStatusUntouched;
    const std::vector<std::string> networks = control_->SearchNetworks(&status);
    ASSERT_EQ(status, kStatusOk);
    ASSERT_EQ(networks.size(), 4u);
    EXPECT_EQ(networks[1], "1,\"Test Network 2G\",\"Test2G\",\"00103\",0");
    status = kStatusUntouched;
    control_->SelectNetwork("Other3G", &status);
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetOperatorName(&status), "Other Mobile 3G");
    status = kStatusUntouched;
    control_->SelectNetwork("Forbid", &status);
    EXPECT_NE(status, kStatusOk);
    status = kStatusUntouched;
    control_->SelectNetwork("", &status);  // back to automatic
    EXPECT_EQ(status, kStatusOk);
}

TEST_P(AgentOnCard, NoiseUnsolicitedLinesAndAMuteCard) {
    Control("signal 9");
    Control("garbage on");
    Control("urc \"+CREG: 1,\\\"00A1\\\",\\\"0001\\\"\" inside");
    int status = kStatusUntouched;
    EXPECT_EQ(control_->GetSignalLevel(&status), 9);
    EXPECT_EQ(status, kStatusOk);
    Control("garbage off");

    Control("mute on");
    status = kStatusUntouched;
    const auto start = steady_clock::now();
    control_->GetSignalLevel(&status);
    EXPECT_NE(status, kStatusOk);
    EXPECT_LT(steady_clock::now() - start, seconds(30));  // failed by its time-out, no hang
    Control("mute off");
    status = kStatusUntouched;
    EXPECT_EQ(control_->GetSignalLevel(&status), 9);
    EXPECT_EQ(status, kStatusOk);
}

TEST_P(AgentOnCard, PulledCardFailsAPendingCallAtOnce) {
    // Neither the card's answer nor the call's time-out can end the call within the hang net:
    // only the pull can.
    at::Timeouts timeouts;
    timeouts.query = 2 * test::kHangNet;
    dynamic_cast<at::ModemAgent&>(*agent).SetTimeouts(timeouts);
    Control("latency " + std::to_string((2 * test::kHangNet).count()));
    Control("log clear");
    auto call = std::async(std::launch::async, [&] {
        int status = kStatusUntouched;
        control_->GetImsi(&status);
        return status;
    });
    ASSERT_TRUE(AwaitCardCommand("AT+CIMI"));
    Control("pull");
    ASSERT_EQ(call.wait_for(test::kHangNet), std::future_status::ready)
        << "the call waited for its time-out instead of failing";
    EXPECT_NE(call.get(), kStatusOk);
    int later = kStatusUntouched;
    control_->CheckAlive(&later);
    EXPECT_NE(later, kStatusOk);
}

TEST_P(AgentOnCard, ThreeThreadsGetTheirOwnAnswers) {
    Control("signal 21");
    Control("operator \"Telco Tiga\"");
    Control("latency 2");
    std::atomic<int> wrong{0};
    auto run = [&](auto check) {
        for (int i = 0; i < 40; ++i) {
            if (!check())
                ++wrong;
        }
    };
    std::thread a(run, [&] {
        int s = kStatusUntouched;
        return control_->GetSignalLevel(&s) == 21 && s == kStatusOk;
    });
    std::thread b(run, [&] {
        int s = kStatusUntouched;
        return control_->GetImsi(&s).rfind("0010", 0) == 0 && s == kStatusOk;
    });
    std::thread c(run, [&] {
        int s = kStatusUntouched;
        return control_->GetOperatorName(&s) == "Telco Tiga" && s == kStatusOk;
    });
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(wrong.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, AgentOnCard,
                         ::testing::Values(sim::CardKind::kCdma, sim::CardKind::kGsm),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

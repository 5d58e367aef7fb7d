// The modem library on a simulated card with every quirk of real cards switched on: it finds
// the card alive, switches its radio on, waits for its SIM, tells its family without AT+GCAP
// and reads networks, messages and phonebooks from it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/ICardService.h"
#include "device/IDeviceControl.h"
#include "device/IPhonebook.h"
#include "device/ISmsControl.h"

namespace dedevev {
namespace {

constexpr const char* kAllQuirks =
    "quirks at-error,no-cmee,no-gcap,no-cscs,radio-off,sim-busy,cops-no-act,cpms-full,"
    "empty-error";

class QuirkyCardOnSim : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        Control("sim-start 600");
        Control(kAllQuirks);
        ASSERT_NO_FATAL_FAILURE(OpenAgent());  // ConfigureA: the radio goes on, the SIM starts
    }
    bool Cdma() const { return GetParam() == sim::CardKind::kCdma; }
};

TEST_P(QuirkyCardOnSim, CardIsFoundAndWorks) {
    IDeviceControl* control = agent->GetDeviceControl();
    EXPECT_NE(Control("state").find(" fun=1 "), std::string::npos);

    int status = kStatusUntouched;
    control->CheckAlive(&status);  // a bare AT answers ERROR
    EXPECT_EQ(status, kStatusOk);

    // The set-up waited for the SIM, which started with the radio.
    status = kStatusUntouched;
    EXPECT_TRUE(agent->GetCardService()->IsPinCheckEnabled(&status));
    EXPECT_EQ(status, kStatusOk);
    status = kStatusUntouched;
    EXPECT_EQ(control->GetCardStatus(&status), "READY");

    auto* ours = dynamic_cast<at::ModemAgent*>(agent);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(ours->Context().IsCdma(), Cdma());

    status = kStatusUntouched;
    const std::vector<std::string> networks = control->SearchNetworks(&status);
    EXPECT_EQ(status, kStatusOk);
    ASSERT_EQ(networks.size(), 4u);
    EXPECT_EQ(networks[0], std::string(R"(2,"DEDEVev Mobile","DEDEVev",")") +
                               (Cdma() ? "001020" : "001010") + R"(",0)");

    // An empty box and an empty book are empty, then hold what arrives.
    IMessageBox* box = agent->GetSmsControl()->GetBox2();
    IPhonebook* book = agent->GetPhonebookStore()->GetUimPhonebook();
    for (int round = 0; round < 2; ++round) {
        status = kStatusUntouched;
        box->Load(nullptr, &status);
        EXPECT_EQ(status, kStatusOk) << round;
        EXPECT_EQ(box->GetCount(), round) << round;
        status = kStatusUntouched;
        book->Load(nullptr, &status);
        EXPECT_EQ(status, kStatusOk) << round;
        EXPECT_EQ(book->GetCount(), round) << round;
        if (round == 0) {
            EXPECT_EQ(Control("sms +62812345678 Hello from a quirky card"), "OK stored SM 1");
            Control("pb-add SM +62811111111 Budi");
        }
    }
    EXPECT_EQ(box->GetAt(0).text, "Hello from a quirky card");
    EXPECT_EQ(book->GetAt(0).name, "Budi");
}

INSTANTIATE_TEST_SUITE_P(BothKinds, QuirkyCardOnSim,
                         ::testing::Values(sim::CardKind::kGsm, sim::CardKind::kCdma),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

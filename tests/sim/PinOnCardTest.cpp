// The PIN flows on the simulated card through the modem library, with its traffic log on.
#include <gtest/gtest.h>

#include "SimCardFixture.h"
#include "device/ICardService.h"
#include "resources/Localizer.h"
#include "settings/PinFlows.h"
#include "support/ScriptedPinDialogs.h"

namespace dedevev {
namespace {

using ::dedevev::test::Events;

std::string Buttons(ICardService& card) {
    const PinPageButtons b = ReadPinPageButtons(card);
    std::string shown;
    for (const auto& [on, name] : {std::pair{b.enable_pin, "enable "},
                                   {b.disable_pin, "disable "},
                                   {b.change_pin, "change "},
                                   {b.check_pin, "check "},
                                   {b.unlock_puk, "puk "}})
        shown += on ? name : "";
    return shown;
}

class PinOnCard : public sim::test::AgentFixture<::testing::TestWithParam<sim::CardKind>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(GetParam()));
        at::SetLogFolder(dir.Path());
        ASSERT_NO_FATAL_FAILURE(OpenAgent());
        agent->EnableLog(true);
        card_ = agent->GetCardService();
        Control("pin 2580");
        Control("puk 97531864");
    }
    void TearDown() override {
        agent->EnableLog(false);
        at::SetLogFolder("");
        AgentFixture::TearDown();
    }

    ICardService* card_ = nullptr;
    test::ScriptedPinDialogs dialogs;
};

TEST_P(PinOnCard, EveryFlowOnTheCardAndNoCodeInTheLog) {
    Control("card pin");
    EXPECT_EQ(Buttons(*card_), "check ");
    dialogs.pins = {"0852", "2580"};
    EXPECT_TRUE(EnterPinAtStart(*card_, dialogs, nullptr));
    EXPECT_EQ(dialogs.events.size(), 3u);  // asked, wrong, asked again
    EXPECT_EQ(Buttons(*card_), "disable change ");

    dialogs.changes = {"2580 3691"};
    EXPECT_TRUE(ChangePinFlow(*card_, dialogs));
    dialogs.pins = {"3691", "3691"};
    EXPECT_TRUE(TogglePinLock(*card_, dialogs));
    EXPECT_EQ(Buttons(*card_), "enable ");
    EXPECT_TRUE(TogglePinLock(*card_, dialogs));
    EXPECT_EQ(Buttons(*card_), "disable change ");

    Control("card puk");
    EXPECT_EQ(Buttons(*card_), "puk ");
    dialogs.puks = {"97531864 7412"};
    EXPECT_TRUE(UnlockPuk(*card_, dialogs));
    EXPECT_EQ(Buttons(*card_), "disable change ");
    dialogs.pins = {"7412"};
    EXPECT_TRUE(TogglePinLock(*card_, dialogs));  // the new PIN is the card's PIN now

    const std::string log = ::dedevev::test::ReadFile(at::LogFolder() + "/" + at::kLogFileName);
    EXPECT_NE(log.find("\"****\""), std::string::npos);
    for (const char* code : {"0852", "2580", "3691", "97531864", "7412"})
        EXPECT_EQ(log.find(code), std::string::npos) << code;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PinOnCard,
                         ::testing::Values(sim::CardKind::kCdma, sim::CardKind::kGsm),
                         sim::test::KindName);

}  // namespace
}  // namespace dedevev

// The PIN flows against a counting card, with scripted dialogs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ExportRegistry.h"
#include "core/GlobalService.h"
#include "device/base/Utf.h"
#include "resources/Localizer.h"
#include "settings/PinFlows.h"
#include "support/FakePinCard.h"
#include "support/ScriptedPinDialogs.h"

namespace dedevev {
namespace {

using test::Events;

// The message `key` of the "Security" texts as the log shows it.
std::string Msg(const char* key, int count = -1) {
    std::u16string text = LocalText(key, "Security");
    if (count >= 0)
        text = FormatCount(text, count);
    return "msg " + Utf16ToUtf8(text);
}

// The connection and voice views, logging into the dialogs' events.
struct Views : IConnectionExport, IVoiceExport {
    Events* events;
    explicit Views(Events* log) : events(log) {
        Exports().BindConnection(this);
        Exports().BindVoice(this);
    }
    ~Views() {
        Exports().BindConnection(nullptr);
        Exports().BindVoice(nullptr);
    }
    void StopAndWait() override { events->push_back("disconnect"); }
    void PressHangUp() override { events->push_back("hang-up"); }
    bool IsRunning() override { return false; }
    void AddListener(IConnectionListener*) override {}
    bool ToggleConnection() override { return false; }
    std::u16string GetInfoText() override { return {}; }
    void DialNumber(const std::u16string&, const std::u16string&) override {}
    void PressDial() override {}
    int UnseenMissedCount() override { return 0; }
    bool IsOutgoingCallCurrent() override { return false; }
    void AfterDialKey() override {}
};

class PinFlows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CGlobalService::Instance().SwitchLanguage(std::string(DEDEVEV_BIN_DIR) +
                                                  "/Localize/English.txt");
    }
    test::FakePinCard card;
    test::ScriptedPinDialogs dialogs;
    Views views{&dialogs.events};
};

TEST_F(PinFlows, EnterPinAsksAgainAfterAWrongPinAndNeverStoresIt) {
    dialogs.pins = {"0000", "1234"};
    EXPECT_TRUE(EnterPin(card, dialogs));
    EXPECT_EQ(dialogs.events, (Events{"pin? 3", Msg("PinError", 2), "pin? 2"}));
    EXPECT_EQ(card.calls, (Events{"verify 0000", "verify 1234"}));
}

TEST_F(PinFlows, StartEntryCancelledLeavesTheLockedText) {
    std::u16string error;
    EXPECT_FALSE(EnterPinAtStart(card, dialogs, &error));
    EXPECT_EQ(error, LocalText("PinLocked"));
    EXPECT_EQ(dialogs.events, (Events{"pin? 3"}));  // no PUK dialog after a cancel
}

TEST_F(PinFlows, StartEntryGoesOnToThePukWhenThePinIsUsedUp) {
    dialogs.pins = {"1", "2", "3"};
    dialogs.puks = {"11111111 5555", "12345678 5555"};
    EXPECT_TRUE(EnterPinAtStart(card, dialogs, nullptr));
    EXPECT_EQ(dialogs.events, (Events{"pin? 3", Msg("PinError", 2), "pin? 2", Msg("PinError", 1),
                                      "pin? 1", "puk? 10", Msg("PUKError", 9), "puk? 9"}));
    EXPECT_EQ(card.pin, "5555");
}

TEST_F(PinFlows, LastWrongPinWhileTogglingDropsTheLinkAndAsksForThePuk) {
    card.pin_left = 1;
    dialogs.pins = {"0000"};
    EXPECT_FALSE(TogglePinLock(card, dialogs));
    // Cancelling the PUK after the PIN is used up ends the program.
    EXPECT_EQ(dialogs.events,
              (Events{"pin? 1", "disconnect", "hang-up", Msg("PinErrLock"), "puk? 10", "close"}));
}

TEST_F(PinFlows, ToggleSwitchesTheRequestAndSaysWhich) {
    dialogs.pins = {"1234", "1234"};
    EXPECT_TRUE(TogglePinLock(card, dialogs));
    EXPECT_FALSE(card.lock_on);
    EXPECT_TRUE(TogglePinLock(card, dialogs));
    EXPECT_TRUE(card.lock_on);
    EXPECT_EQ(dialogs.events, (Events{"pin? 3", Msg("PinDisabled"), "pin? 3", Msg("PinEnabled")}));
}

TEST_F(PinFlows, ChangePinRetriesWithTheNewCountAndReportsItOnCancel) {
    dialogs.changes = {"0000 5678", std::nullopt};
    EXPECT_FALSE(ChangePinFlow(card, dialogs));
    EXPECT_EQ(dialogs.events, (Events{"change? 3", "change? 2", Msg("PinError", 2)}));
    dialogs.events.clear();
    dialogs.changes = {"1234 5678"};
    EXPECT_TRUE(ChangePinFlow(card, dialogs));
    EXPECT_EQ(dialogs.events, (Events{"change? 2", Msg("PinSaved")}));
    EXPECT_EQ(card.pin, "5678");
}

TEST_F(PinFlows, PukLoopEnds) {
    // Not blocked: no dialog at all.
    EXPECT_TRUE(UnlockPuk(card, dialogs));
    EXPECT_TRUE(dialogs.events.empty());
    // Blocked with the PUK used up: the card stays blocked.
    card.pin_left = 0;
    card.puk_left = 0;
    EXPECT_FALSE(UnlockPuk(card, dialogs));
    // The last wrong PUK makes the card unusable.
    card.puk_left = 1;
    dialogs.puks = {"00000000 5555"};
    EXPECT_FALSE(UnlockPuk(card, dialogs));
    EXPECT_EQ(dialogs.events, (Events{Msg("PUKErrLock"), "puk? 1", Msg("RUIMInvalid")}));
}

TEST(PinChecks, DialogFieldsAreCheckedInOrder) {
    struct Case {
        std::string puk, new_pin, confirm, puk_problem, change_problem;
    } cases[] = {
        {"", "1234", "1234", "CodeEmpty", ""},
        {"1", "", "", "CodeEmpty", "ShortPin"},
        {"1", "1234", "1235", "PinNotSame", "PassMismatch"},
        {"1", "123", "123", "ShortPin", "ShortPin"},
        {"1", "12345678", "12345678", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PukProblem(c.puk, c.new_pin, c.confirm), c.puk_problem) << c.new_pin;
        EXPECT_EQ(ChangePinProblem(c.new_pin, c.confirm), c.change_problem) << c.new_pin;
    }
    EXPECT_EQ(PinProblem("123"), "ShortPin");
    EXPECT_EQ(PinProblem("1234"), "");
}

TEST(PinChecks, CountFormatTakesOnlyItsNumber) {
    EXPECT_EQ(FormatCount(u"Wrong PIN. %d left.", 2), u"Wrong PIN. 2 left.");
    // A translation with a stray conversion is shown as written, never interpreted.
    EXPECT_EQ(FormatCount(u"%s %d %d", 7), u"%s 7 %d");
}

}  // namespace
}  // namespace dedevev

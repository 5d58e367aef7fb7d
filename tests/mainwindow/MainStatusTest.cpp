#include "mainwindow/MainStatus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dedevev {
namespace {

TEST(MainStatusTest, SignalLevelsBecomeBars) {
    const struct {
        int level;
        int bars;
    } cases[] = {{-3, 0}, {0, 0},  {1, 1},  {5, 1},  {6, 2},  {11, 2}, {12, 3}, {17, 3},
                 {18, 4}, {23, 4}, {24, 5}, {31, 5}, {98, 5}, {99, 0}, {150, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SignalBars(c.level), c.bars) << "level " << c.level;
}

TEST(MainStatusTest, SignalAverageOfAFreshListFollowsTheLatestCount) {
    SignalAverage average;
    EXPECT_EQ(average.Push(1), 1);
    EXPECT_EQ(average.Push(5), 5);
    EXPECT_EQ(average.Push(0), 0);
    EXPECT_EQ(average.Recent().size(), 1u);
}

TEST(MainStatusTest, SignalAverageRoundsUpOnlyOverSeveralCounts) {
    SignalAverage average(3);       // 0 0 0
    EXPECT_EQ(average.Push(4), 2);  // 0 0 4 -> 4/3 rounds up
    EXPECT_EQ(average.Push(4), 3);  // 0 4 4 -> 8/3 rounds up
    EXPECT_EQ(average.Push(4), 4);  // 4 4 4
    EXPECT_EQ(average.Push(1), 3);  // 4 4 1 -> 9/3
    EXPECT_EQ(average.Recent().size(), 3u);
}

TEST(MainStatusTest, TrafficSwitchesUnitAtEachThousandTwentyFour) {
    EXPECT_EQ(FormatTrafficKb(0), "0.000 KB ");
    EXPECT_EQ(FormatTrafficKb(1023), "1023.000 KB ");
    EXPECT_EQ(FormatTrafficKb(1024), "1.000 MB ");
    EXPECT_EQ(FormatTrafficKb(1537), "1.501 MB ");
    EXPECT_EQ(FormatTrafficKb(1048575), "1023.999 MB ");
    EXPECT_EQ(FormatTrafficKb(1048576), "1.000 GB ");
    EXPECT_EQ(FormatTrafficKb(5.0 * 1048576), "5.000 GB ");
}

TEST(MainStatusTest, AddressIsADottedQuadHighestByteFirst) {
    EXPECT_EQ(FormatAddress(0), "");
    EXPECT_EQ(FormatAddress(0x0A404040), "10.64.64.64");
    EXPECT_EQ(FormatAddress(0xC0A80001), "192.168.0.1");
    EXPECT_EQ(FormatAddress(0xFFFFFFFF), "255.255.255.255");
}

TEST(MainStatusTest, ReadyCardShowsItsTypeAndKeepsTheNoCardCount) {
    int count = 7;
    CardStateDisplay usim = CardStateFor(0x10001, 0, count);
    EXPECT_EQ(usim.text, CardText::kUsim);
    EXPECT_TRUE(usim.ready);
    CardStateDisplay uim = CardStateFor(0x10002, 0, count);
    EXPECT_EQ(uim.text, CardText::kUim);
    // A ready report wins over a PIN flag that came with it.
    EXPECT_EQ(CardStateFor(0x10000, 1, count).text, CardText::kUim);
    EXPECT_EQ(count, 7);
}

TEST(MainStatusTest, PinRequestLocksWithoutCountingAsMissingCard) {
    int count = 0;
    CardStateDisplay locked = CardStateFor(0, 1, count);
    EXPECT_EQ(locked.text, CardText::kPinLocked);
    EXPECT_TRUE(locked.pin_locked);
    EXPECT_FALSE(locked.ready);
    EXPECT_EQ(count, 0);
}

TEST(MainStatusTest, TwentiethReportWithoutCardTurnsRedAndParksTheCounter) {
    int count = 0;
    for (int i = 1; i <= 19; ++i) {
        CardStateDisplay display = CardStateFor(0, 0, count);
        EXPECT_EQ(display.text, CardText::kUnchanged) << i;
        EXPECT_FALSE(display.red);
    }
    CardStateDisplay twentieth = CardStateFor(0, 0, count);
    EXPECT_EQ(twentieth.text, CardText::kNoCard);
    EXPECT_TRUE(twentieth.red);
    EXPECT_EQ(count, 32);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(CardStateFor(0, 0, count).text, CardText::kNoCard);
    EXPECT_EQ(count, 32);
}

TEST(MainStatusTest, FirstCardTextAfterInitialisation) {
    EXPECT_EQ(InitialCardText("READY", true, 1), CardText::kUsim);
    EXPECT_EQ(InitialCardText("READY", true, 2), CardText::kUim);
    // No card type or a failed service call: still being prepared.
    EXPECT_EQ(InitialCardText("READY", true, 0), CardText::kInitializing);
    EXPECT_EQ(InitialCardText("READY", false, 1), CardText::kInitializing);
    EXPECT_EQ(InitialCardText("SIM PIN", true, 1), CardText::kPinLocked);
    EXPECT_EQ(InitialCardText("SIM PUK", false, 0), CardText::kPinLocked);
    EXPECT_EQ(InitialCardText("", false, 0), CardText::kInitializing);
    EXPECT_STREQ(CardTextKey(CardText::kInitializing), "InitUIMCard");
    EXPECT_EQ(CardTextKey(CardText::kUnchanged), nullptr);
}

TEST(MainStatusTest, NetworkFieldByCardServiceAndMode) {
    EXPECT_EQ(NetworkFieldText(true, 2, 2).literal, u"CDMA");
    EXPECT_EQ(NetworkFieldText(true, 4, 2).literal, u"HDR");
    EXPECT_EQ(NetworkFieldText(true, 9, 2).literal, u"LTE");
    EXPECT_EQ(NetworkFieldText(true, 7, 2), (DisplayText{"", "Unknown", {}}));
    EXPECT_EQ(NetworkFieldText(true, 2, 0), (DisplayText{"DlgNet", "ErrInfo_NoService", {}}));
    EXPECT_EQ(NetworkFieldText(true, 2, 1),
              (DisplayText{"DlgNet", "ErrInfo_RestrictedService", {}}));
    EXPECT_EQ(NetworkFieldText(true, 2, 3),
              (DisplayText{"DlgNet", "ErrInfo_RestrictedRegional", {}}));
    EXPECT_EQ(NetworkFieldText(true, 2, 4), (DisplayText{"DlgNet", "ErrInfo_LowPower", {}}));
    EXPECT_EQ(NetworkFieldText(true, 2, 255), (DisplayText{"MainWnd", "SearchNet", {}}));
    // Without a ready card the mode and the state do not matter.
    EXPECT_EQ(NetworkFieldText(false, 2, 2), (DisplayText{"MainWnd", "SearchNet", {}}));
}

TEST(MainStatusTest, ServiceGenerationLeavesUnknownModesAlone) {
    EXPECT_EQ(ServiceGeneration(1), u"1G");
    EXPECT_EQ(ServiceGeneration(3), u"2G");
    EXPECT_EQ(ServiceGeneration(2), u"3G");
    EXPECT_EQ(ServiceGeneration(4), u"3G");
    EXPECT_EQ(ServiceGeneration(5), u"3G");
    EXPECT_EQ(ServiceGeneration(9), u"4G");
    EXPECT_FALSE(ServiceGeneration(0).has_value());
    EXPECT_FALSE(ServiceGeneration(255).has_value());
}

TEST(MainStatusTest, ShortOperatorNamesAreReadAgain) {
    EXPECT_TRUE(OperatorNameNeedsReread(u""));
    EXPECT_TRUE(OperatorNameNeedsReread(u","));
    EXPECT_TRUE(OperatorNameNeedsReread(u"X"));
    EXPECT_FALSE(OperatorNameNeedsReread(u"3 ID"));
}

class RecordingSteps : public IMainCloseSteps {
public:
    bool worker = false;
    bool call = false;
    bool answer = true;
    std::vector<std::string> log;

    bool NetworkWorkerRunning() override { return worker; }
    bool CallInProgress() override { return call; }
    bool Confirm(const char* key) override {
        log.push_back(std::string("ask ") + key);
        return answer;
    }
    void SetClosing() override { log.push_back("closing"); }
    void RequestStatusStop() override { log.push_back("stop-status"); }
    void HideWindow() override { log.push_back("hide"); }
    void ShowClosingOnTray() override { log.push_back("tray-closing"); }
    void EndVoiceCall() override { log.push_back("end-call"); }
    void StopNetworkWorker() override { log.push_back("stop-worker"); }
    void WaitForStatusThread() override { log.push_back("wait-status"); }
    void RemoveTrayIcon() override { log.push_back("remove-tray"); }
    void EndDialog() override { log.push_back("end-dialog"); }
    void PostQuit() override { log.push_back("quit"); }
};

const std::vector<std::string> kCloseSteps = {
    "closing",     "stop-status", "hide",        "tray-closing", "end-call",
    "stop-worker", "wait-status", "remove-tray", "end-dialog",   "quit"};

TEST(MainCloseTest, NothingRunningClosesWithoutAQuestion) {
    RecordingSteps steps;
    EXPECT_TRUE(RunCloseSequence(true, steps));
    EXPECT_EQ(steps.log, kCloseSteps);
}

TEST(MainCloseTest, AsksAboutTheConnectionThenTheCall) {
    RecordingSteps steps;
    steps.worker = true;
    steps.call = true;
    EXPECT_TRUE(RunCloseSequence(true, steps));
    std::vector<std::string> expected = {"ask MsgCloseConfirm", "ask MsgHangupConfirm"};
    expected.insert(expected.end(), kCloseSteps.begin(), kCloseSteps.end());
    EXPECT_EQ(steps.log, expected);
}

TEST(MainCloseTest, CancelLeavesEverythingRunning) {
    RecordingSteps connection;
    connection.worker = true;
    connection.call = true;
    connection.answer = false;
    EXPECT_FALSE(RunCloseSequence(true, connection));
    EXPECT_EQ(connection.log, std::vector<std::string>{"ask MsgCloseConfirm"});

    RecordingSteps call;
    call.call = true;
    call.answer = false;
    EXPECT_FALSE(RunCloseSequence(true, call));
    EXPECT_EQ(call.log, std::vector<std::string>{"ask MsgHangupConfirm"});
}

TEST(MainCloseTest, LostDeviceClosesWithoutQuestions) {
    RecordingSteps steps;
    steps.worker = true;
    steps.call = true;
    steps.answer = false;
    EXPECT_TRUE(RunCloseSequence(false, steps));
    EXPECT_EQ(steps.log, kCloseSteps);
}

}  // namespace
}  // namespace dedevev

// The commands each voice-call operation sends on GSM and CDMA cards against a scripted modem
// on a pseudo-terminal, with the card's refusals and the fallbacks.

#include "support/VoiceTestSupport.h"

namespace dedevev::at {
namespace {

using namespace voice_test;

// ---- Commands of every operation --------------------------------------------------------

struct Rule {
    std::string command;
    Script script;
};

struct SlotCase {
    const char* name;
    const char* caps;
    std::vector<Rule> rules;
    std::function<int(VoiceControl&, int*)> call;
    int status;
    Commands sent;  // besides AT+GCAP
    int result = 0;
};

std::function<int(VoiceControl&, int*)> Do(std::function<void(VoiceControl&, int*)> f) {
    return [f](VoiceControl& v, int* s) {
        f(v, s);
        return 0;
    };
}

std::vector<SlotCase> SlotCases() {
    const Script error = Script().Error();
    const std::string both = R"(+CLCC: 1,0,1,0,0,"111",129)";
    return {
        {"Dial",
         kGsmCaps,
         {{"ATD+62811;", kOk}},
         Do([](auto& v, int* s) { v.VoiceDial("+62811", s); }),
         1,
         {"ATD+62811;"}},
        {"DialRefused",
         kGsmCaps,
         {{"ATD112;", Script().Line("NO CARRIER")}},
         Do([](auto& v, int* s) { v.VoiceDial("112", s); }),
         256,
         {"ATD112;"}},
        {"DialUnsafeNumberNeverSent",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceDial("123;H", s); }),
         256,
         {}},
        {"OpenToleratesRefusals",
         kGsmCaps,
         {{"AT+CLIP=1", kOk}, {"AT+CCWA=1", error}, {"AT+CRC=1", kOk}, {"AT^DDVOICE=1", error}},
         Do([](auto& v, int* s) { v.VoiceOpen(s); }),
         1,
         {"AT+CLIP=1", "AT+CCWA=1", "AT+CRC=1", "AT^DDVOICE=1"}},
        {"Answer",
         kGsmCaps,
         {{"ATA", kOk}},
         Do([](auto& v, int* s) { v.VoiceAnswer(s); }),
         1,
         {"ATA"}},
        {"AnswerTooLate",
         kGsmCaps,
         {{"ATA", Script().Line("NO CARRIER")}},
         Do([](auto& v, int* s) { v.VoiceAnswer(s); }),
         256,
         {"ATA"}},
        {"HangUp",
         kGsmCaps,
         {{"AT+CHUP", kOk}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         1,
         {"AT+CHUP"}},
        {"HangUpFallsBackToAth",
         kGsmCaps,
         {{"AT+CHUP", Script().CmeError(4)}, {"ATH", kOk}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         1,
         {"AT+CHUP", "ATH"}},
        {"HangUpRefusedBoth",
         kGsmCaps,
         {{"AT+CHUP", error}, {"ATH", error}},
         Do([](auto& v, int* s) { v.VoiceHangUp(s); }),
         256,
         {"AT+CHUP", "ATH"}},
        {"GsmFlashDialsTheSecondParty",
         kGsmCaps,
         {{"ATD555;", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("555", s); }),
         1,
         {"AT+GCAP", "ATD555;"}},
        {"GsmFlashWithoutNumberFails",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendFlash("", s); }),
         256,
         {"AT+GCAP"}},
        {"CdmaFlashWithNumber",
         kCdmaCaps,
         {{R"(AT^DDFLASH="555")", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("555", s); }),
         1,
         {"AT+GCAP", R"(AT^DDFLASH="555")"}},
        {"CdmaFlashWithoutNumber",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendFlash("", s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"CdmaFlashUnsafeNumber",
         kCdmaCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendFlash("5\"5", s); }),
         256,
         {"AT+GCAP"}},
        {"GsmJoin",
         kGsmCaps,
         {{"AT+CHLD=3", kOk}},
         Do([](auto& v, int* s) { v.VoiceJoin(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=3"}},
        {"CdmaJoin",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceJoin(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmAcceptWaiting",
         kGsmCaps,
         {{"AT+CHLD=2", kOk}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"GsmAcceptWaitingRefused",
         kGsmCaps,
         {{"AT+CHLD=2", Script().CmeError(3)}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         256,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"CdmaAcceptWaiting",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceAcceptWaiting(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmSwap",
         kGsmCaps,
         {{"AT+CHLD=2", kOk}},
         Do([](auto& v, int* s) { v.VoiceSwapWaiting(s); }),
         1,
         {"AT+GCAP", "AT+CHLD=2"}},
        {"CdmaSwap",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceSwapWaiting(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"GsmEndSecondReleasesTheOtherCall",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Line(R"(+CLCC: 2,0,0,0,0,"222",129)").Ok()},
          {"AT+CHLD=12", kOk}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         1,
         {"AT+GCAP", "AT+CLCC", "AT+CHLD=12"}},
        {"GsmEndSecondWithoutSecondParty",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Ok()}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         256,
         {"AT+GCAP", "AT+CLCC"}},
        {"CdmaEndSecond",
         kCdmaCaps,
         {{"AT^DDFLASH", kOk}},
         Do([](auto& v, int* s) { v.VoiceEndSecond(s); }),
         1,
         {"AT+GCAP", "AT^DDFLASH"}},
        {"Dtmf",
         kGsmCaps,
         {{"AT+VTS=#", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, '#', s); }),
         1,
         {"AT+VTS=#"}},
        {"DtmfLowerCaseLetter",
         kGsmCaps,
         {{"AT+VTS=B", kOk}},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, 'b', s); }),
         1,
         {"AT+VTS=B"}},
        {"DtmfBadKeyNeverSent",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoiceSendDtmf(1, '+', s); }),
         256,
         {}},
        {"Tone",
         kGsmCaps,
         {{"AT^DDTONE=466,200", kOk}},
         Do([](auto& v, int* s) { v.VoicePlayTone(466, 200, s); }),
         1,
         {"AT^DDTONE=466,200"}},
        {"ToneWithoutFrequency",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.VoicePlayTone(0, 200, s); }),
         256,
         {}},
        {"SetVolume",
         kGsmCaps,
         {{"AT+CLVL=8", kOk}},
         Do([](auto& v, int* s) { v.SetVolume(8, s); }),
         1,
         {"AT+CLVL=8"}},
        {"SetVolumeOutOfRange",
         kGsmCaps,
         {},
         Do([](auto& v, int* s) { v.SetVolume(9, s); }),
         256,
         {}},
        {"GetVolume",
         kGsmCaps,
         {{"AT+CLVL?", Script().Line("+CLVL: 5").Ok()}},
         [](VoiceControl& v, int* s) { return v.GetVolume(s); },
         1,
         {"AT+CLVL?"},
         5},
        {"CallStateCountsCalls",
         kGsmCaps,
         {{"AT+CLCC", Script().Line(both).Line(R"(+CLCC: 2,1,5,0,0,"",128)").Ok()}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         1,
         {"AT+CLCC"},
         2},
        {"CallStateNoCall",
         kGsmCaps,
         {{"AT+CLCC", kOk}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         1,
         {"AT+CLCC"},
         0},
        {"CallStateRefused",
         kGsmCaps,
         {{"AT+CLCC", error}},
         [](VoiceControl& v, int* s) { return v.GetCallState(s); },
         256,
         {"AT+CLCC"},
         0},
    };
}

TEST_F(VoiceControlTest, EveryOperationSendsItsCommandsPerFamily) {
    voice_->SetPollInterval(milliseconds(3600000));  // no listing in between
    for (const SlotCase& c : SlotCases()) {
        voice_->Reset();
        agent_.Context().Forget();  // the family is asked again
        peer_.ClearRules();
        peer_.On("AT+GCAP", Script().Line(c.caps).Ok());
        for (const Rule& rule : c.rules)
            peer_.On(rule.command, rule.script);
        const std::size_t before = peer_.CommandCount();
        int status = kStatusUntouched;
        const int result = c.call(*voice_, &status);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(result, c.result) << c.name;
        const Commands all = peer_.Commands();
        EXPECT_EQ(Commands(all.begin() + static_cast<long>(before), all.end()), c.sent) << c.name;
    }
}
TEST_F(VoiceControlTest, CardFamilyIsAskedOncePerPortForMessagesAndCalls) {
    peer_.On("AT+GCAP", Script().Line(kCdmaCaps).Ok());
    peer_.On("AT^DDFLASH", kOk);
    const auto asked = [this] {
        const Commands all = peer_.Commands();
        return std::count(all.begin(), all.end(), "AT+GCAP");
    };
    auto* sms = dynamic_cast<SmsControl*>(agent_.GetSmsControl());
    ASSERT_NE(sms, nullptr);
    int status = kStatusUntouched;
    voice_->VoiceSendFlash("", &status);
    EXPECT_EQ(status, kStatusOk);
    EXPECT_EQ(sms->Family(), SmsFamily::kCdma);
    EXPECT_EQ(asked(), 1);

    // A new port may hold another card.
    agent_.Close();
    peer_.On("AT+GCAP", Script().Line(kGsmCaps).Ok());
    ASSERT_TRUE(agent_.Open(peer_.SlavePath(), 115200, &status));
    EXPECT_EQ(sms->Family(), SmsFamily::kGsm);
    EXPECT_EQ(asked(), 2);
}

}  // namespace
}  // namespace dedevev::at

// The voice page over a call manager on a scripted voice control: the keypad, dialling, the
// status area through a call, the incoming-call notice, missed calls, the export and volume.

#include <gtest/gtest.h>

#include <QTest>

#include <string>
#include <vector>

#include "core/Customization.h"
#include "core/ExportRegistry.h"
#include "core/SoundPlayer.h"
#include "device/base/Clock.h"
#include "phonebook/NameMapping.h"
#include "resources/views/PhoneNumEdit.h"
#include "resources/views/SkinButton.h"
#include "resources/views/SkinControls.h"
#include "tests/support/OneName.h"
#include "tests/ui/SkinTestSupport.h"
#include "voice/CallHistory.h"
#include "voice/views/DlgVoice.h"
#include "voice/views/VoiceKeypad.h"

namespace dedevev {
namespace {

// Records what the page and the manager ask of the card; every command succeeds.
class ScriptedVoice final : public IVoiceControl {
public:
    void VoiceDial(const std::string& number, int* status) override {
        Did("dial " + number, status);
    }
    void VoiceOpen(int* status) override { Did("open", status); }
    void VoiceAnswer(int* status) override { Did("answer", status); }
    void VoiceHangUp(int* status) override { Did("hang up", status); }
    void VoiceSendFlash(const std::string& number, int* status) override {
        Did("flash " + number, status);
    }
    void VoiceJoin(int* status) override { Did("join", status); }
    void VoiceEndSecond(int* status) override { Did("end second", status); }
    void VoiceAcceptWaiting(int* status) override { Did("accept waiting", status); }
    void VoiceSwapWaiting(int* status) override { Did("swap", status); }
    void VoiceSendDtmf(int, char key, int* status) override {
        Did(std::string("dtmf ") + key, status);
    }
    void VoicePlayTone(std::uint16_t, int, int* status) override { *status = 1; }
    void SetVolume(int level, int* status) override {
        Did("volume " + std::to_string(level), status);
    }
    int GetCallState(int* status) override {
        *status = 1;
        return 0;
    }
    void SetVoiceEventHandler(IVoiceEventHandler*) override {}

    std::vector<std::string> commands;

private:
    void Did(std::string command, int* status) {
        commands.push_back(std::move(command));
        *status = 1;
    }
};

using test::OneName;

struct Notice {
    QString title;
    QString body;
};

class VoiceViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        CallManagerEnvironment calls;
        calls.voice = [this] { return &voice_; };
        calls.missed = &missed_;
        calls.accepted = &accepted_;
        calls.dialed = &dialed_;
        calls.customization = &Customization();
        calls.rings = [] { return RingSetting{}; };
        calls.play_key_tone = [](int, int) {};
        calls.clock = &clock_;
        manager_ = std::make_unique<CCallManager>(std::move(calls));

        VoiceViewEnvironment env;
        env.manager = manager_.get();
        env.voice = [this] { return &voice_; };
        env.missed = &missed_;
        env.mapping = &names_;
        env.sounds = &sounds_;
        env.audio.voice_port = [] { return std::string(); };  // the card carries the speech
        env.show_popup = [this](const QString& title, const QString& body,
                                CPopupWnd::IClickAction*) {
            notices_.push_back({title, body});
        };
        env.close_popup = [this](CPopupWnd::IClickAction*) { ++notices_closed_; };
        env.save_number = [this](const std::u16string& number) { saved_.push_back(number); };
        page_ = std::make_unique<CDlgVoice>(std::move(env));
    }
    void TearDown() override {
        page_.reset();
        manager_.reset();
    }
    void Press(const char* keys) {
        for (const char* key = keys; *key != '\0'; ++key)
            QTest::mouseClick(page_->Keypad()->Button(*key), Qt::LeftButton);
    }
    // The page handles the call-state changes the manager posted.
    QString Status() {
        page_->DrainMessages();
        return page_->StatusText();
    }
    std::vector<std::string> Taken() { return std::exchange(voice_.commands, {}); }
    void MissACall(const std::string& number) {
        manager_->OnIncomingCall(number, false);
        manager_->OnCallEnded();
        page_->DrainMessages();
    }

    ScriptedVoice voice_;
    CCallHistory missed_, accepted_, dialed_;
    ManualClock clock_;
    OneName names_;
    SoundPlayer sounds_;
    std::unique_ptr<CCallManager> manager_;
    std::unique_ptr<CDlgVoice> page_;
    std::vector<Notice> notices_;
    int notices_closed_ = 0;
    std::vector<std::u16string> saved_;
};

using Commands = std::vector<std::string>;

TEST_F(VoiceViewTest, OpensTheVoicePathOnceAtVolumeFour) {
    EXPECT_EQ(Taken(), (Commands{"open", "volume 4"}));
    EXPECT_EQ(page_->VolumeSlider()->value(), 40);
    EXPECT_EQ(page_->StatusText(), "Enter a number");
}

TEST_F(VoiceViewTest, KeypadDialsAndTheStatusFollowsTheCall) {
    Taken();
    Press("0811C1");
    EXPECT_EQ(page_->NumberEdit()->text(), "0811");
    EXPECT_EQ(Status(), "0811");
    Press("D");
    EXPECT_EQ(Taken(), (Commands{"dial 0811"}));
    EXPECT_EQ(Status(), "Calling...\n\nAnn(0811)");

    manager_->OnCallConnected(7);
    clock_.Advance(std::chrono::seconds(65));
    EXPECT_EQ(Status(), "Connected\n\nAnn(0811)\n01:05");
    EXPECT_TRUE(page_->TalkTimer().isActive());
    Press("5");  // a tone to the far end, not a digit in the field
    EXPECT_EQ(Taken(), (Commands{"dtmf 5"}));
    EXPECT_TRUE(page_->NumberEdit()->text().isEmpty());

    manager_->OnCallEnded();
    EXPECT_EQ(Status(), "Call ended\n\nAnn(0811)\n01:05");
    EXPECT_FALSE(page_->TalkTimer().isActive());
    Press("P");  // redial shows the number and dials it again
    EXPECT_EQ(page_->NumberEdit()->text(), "0811");
    EXPECT_EQ(Taken(), (Commands{"dial 0811"}));
    Press("S");
    EXPECT_EQ(saved_, std::vector<std::u16string>{u"0811"});
}

TEST_F(VoiceViewTest, IncomingCallRingsWithANamedNoticeAndCanBeRejectedFromIt) {
    manager_->OnIncomingCall("0811", false);
    EXPECT_EQ(Status(), "Incoming call\n\nAnn(0811)");
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ(notices_[0].title, "Incoming call");
    EXPECT_EQ(notices_[0].body, "Ann(0811)\r\n\r\nClick here to answer.");
    EXPECT_EQ(page_->Keypad()->Button('D')->text(), "Answer");
    EXPECT_TRUE(sounds_.IsBusy());
    ASSERT_TRUE(CDlgVoice::PopupAction().Armed());
    Taken();
    CDlgVoice::PopupAction().OnPopupClick(false);
    EXPECT_EQ(Taken(), (Commands{"hang up"}));
    EXPECT_FALSE(sounds_.IsBusy());
}

TEST_F(VoiceViewTest, MissedCallsAreCountedAndLeaveNoSoundBusy) {
    MissACall("0811");
    EXPECT_EQ(notices_closed_, 1) << "the notice of a ring that is over goes";
    EXPECT_EQ(Status().left(13), "Missed call\n\n");
    EXPECT_FALSE(sounds_.IsBusy()) << "a new-message sound must still play";
    EXPECT_FALSE(CDlgVoice::PopupAction().Armed());
    EXPECT_EQ(page_->Keypad()->Button('D')->text(), "Call");
    MissACall("0999");
    EXPECT_TRUE(Status().startsWith("Missed call(2)\n\n0999\n")) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith("\n\n..."));
    EXPECT_EQ(page_->UnseenMissedCount(), 2);
}

TEST_F(VoiceViewTest, ExportDialsHangsUpAndTheSliderSetsTheVolume) {
    Taken();
    Exports().BindVoice(page_.get());
    IVoiceExport* voice = Exports().VoiceExport();
    ASSERT_NE(voice, nullptr);
    voice->DialNumber(u"0999", u"");
    EXPECT_TRUE(voice->IsOutgoingCallCurrent());
    voice->PressHangUp();
    EXPECT_FALSE(voice->IsOutgoingCallCurrent());
    EXPECT_EQ(Taken(), (Commands{"dial 0999", "hang up"}));
    Exports().BindVoice(nullptr);

    for (int position : {80, 0, 55})
        page_->VolumeSlider()->setValue(position);
    EXPECT_EQ(Taken(), (Commands{"volume 8", "volume 0", "volume 5"}));
}

}  // namespace
}  // namespace dedevev

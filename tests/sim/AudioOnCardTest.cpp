// The voice-audio library on the simulated card during a talking call: the microphone reaches
// the card and its echo the speaker, the far end's tone plays while the microphone is silent,
// a recorder keeps what the card sent, and a pulled card stops the streams without a hang.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "SimCardFixture.h"
#include "device/audio/IAudioLib.h"
#include "support/Eventually.h"
#include "support/FakeSoundCard.h"
#include "support/WavCheck.h"

namespace dedevev::sim {
namespace {

using ::dedevev::test::Eventually;

class AudioOnCard : public test::HostFixture<> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartCard(CardKind::kGsm));
        ASSERT_NO_FATAL_FAILURE(OpenHost());
        ASSERT_EQ(sim->Control("call-autoanswer 0"), "OK");
        ASSERT_EQ(SendUntil("ATD123;", "^DDORIG: 1", 3000), "OK|^DDORIG: 1");
        host->Clear();
        ASSERT_EQ(sim->Control("call-answer-remote"), "OK");
        ASSERT_EQ(test::Compact(host->ReadUntil(test::Arrived("^DDCONN"), 3000)), "^DDCONN: 1");
        ASSERT_EQ(Cmd("AT^DDVOICE=1"), "OK");
        auto card = std::make_unique<::dedevev::test::FakeSoundCard>();
        fake = card.get();
        lib = audio::CreateAudioLib(sim->VoicePortPath(), audio::kVoicePortBaud, std::move(card));
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(lib->Stream(i)->Open()) << i << ": " << lib->LastError();
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(lib->Stream(i)->Start()) << i << ": " << lib->LastError();
    }
    void TearDown() override {
        audio::ReleaseAudioLib(lib);
        sim.reset();
    }

    ::dedevev::test::FakeSoundCard* fake = nullptr;
    audio::IAudioLib* lib = nullptr;
};

// Counts the blocks of a stream and hands them on to a recorder.
class CountingTap final : public audio::IAudioInListener {
public:
    explicit CountingTap(audio::IAudioInListener* next) : next_(next) {}
    void OnAudioIn(audio::IAudioStream* stream, const std::uint8_t* data,
                   std::size_t bytes) override {
        ++blocks;
        next_->OnAudioIn(stream, data, bytes);
    }
    std::atomic<int> blocks{0};

private:
    audio::IAudioInListener* next_;
};

TEST_F(AudioOnCard, MicrophoneComesBackFromTheCardsEcho) {
    std::vector<std::int16_t> marker(3 * audio::kBlockSamples);
    for (std::size_t i = 0; i < marker.size(); ++i)
        marker[i] = static_cast<std::int16_t>(1000 + 37 * i);
    fake->Speak(marker);
    EXPECT_TRUE(Eventually([&] {
        const auto heard = fake->SpeakerSamples();
        return std::search(heard.begin(), heard.end(), marker.begin(), marker.end()) != heard.end();
    }));
}

TEST_F(AudioOnCard, FarEndToneArrivesWhileTheMicrophoneIsSilent) {
    constexpr std::size_t kTenthsOfASecond = 2 * 800;  // 0.2 s
    ASSERT_TRUE(Eventually([&] { return fake->SpeakerCount() >= 2 * kTenthsOfASecond; }));
    const auto heard = fake->SpeakerSamples();
    int crossings = 0;
    for (std::size_t i = heard.size() - kTenthsOfASecond + 1; i < heard.size(); ++i)
        crossings += (heard[i - 1] < 0) != (heard[i] < 0);
    EXPECT_NEAR(crossings, 170, 6);  // 425 Hz crosses zero 850 times a second
}

TEST_F(AudioOnCard, RecorderOnTheVoicePortKeepsEveryBlockItSaw) {
    const std::string path = dir.File("Serial.wav");
    audio::IWavRecorder* recorder = lib->CreateRecorder(path);
    ASSERT_NE(recorder, nullptr);
    CountingTap tap(recorder);
    lib->VoicePortCapture()->AddListener(&tap);
    ASSERT_TRUE(Eventually([&] { return tap.blocks >= 10; }));
    lib->VoicePortCapture()->RemoveListener(&tap);
    recorder->Release();
    EXPECT_EQ(
        ::dedevev::test::WavSummary(path),
        ::dedevev::test::VoiceWav(static_cast<std::size_t>(tap.blocks) * audio::kBlockSamples));
}

TEST_F(AudioOnCard, PulledCardStopsTheVoicePortStreams) {
    ASSERT_TRUE(Eventually([&] { return fake->SpeakerCount() > 0; }));
    ASSERT_EQ(sim->Control("pull").rfind("OK", 0), 0u);
    EXPECT_TRUE(Eventually([&] {
        return !lib->VoicePortCapture()->IsStarted() && !lib->VoicePortPlayback()->IsStarted();
    }));
    EXPECT_EQ(lib->LastError().rfind("voice port " + sim->VoicePortPath(), 0), 0u)
        << lib->LastError();
    fake->Speak(std::vector<std::int16_t>(audio::kBlockSamples * 4, 1));  // nowhere to go
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(lib->Stream(i)->Stop());
        EXPECT_TRUE(lib->Stream(i)->Close());
    }
    EXPECT_FALSE(fake->IsOpen());
}

}  // namespace
}  // namespace dedevev::sim

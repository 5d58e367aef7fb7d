// The Qt sound card: on a machine without audio devices it says so at once; with devices it
// opens, captures and plays, and stops cleanly. Either way the window thread stays free.

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QMediaDevices>

#include <memory>
#include <string>

#include "device/audio/AudioFormat.h"
#include "device/audio/IAudioLib.h"
#include "resources/views/QtSoundCard.h"

namespace dedevev {
namespace {

class NullCapture final : public audio::ISoundCardCapture {
public:
    void OnCaptured(const std::int16_t*, std::size_t) override {}
};

TEST(QtSoundCardTest, OpensTheDefaultDevicesOrSaysWhyNot) {
    const bool devices = !QMediaDevices::defaultAudioInput().isNull() &&
                         !QMediaDevices::defaultAudioOutput().isNull();
    QtSoundCard card;
    std::string error;
    ASSERT_EQ(card.Open(&error), devices) << error;
    if (!devices) {
        EXPECT_EQ(error.rfind("no sound card", 0), 0u) << error;
        EXPECT_FALSE(card.StartCapture(nullptr));
        return;
    }
    NullCapture capture;
    EXPECT_TRUE(card.StartCapture(&capture));
    EXPECT_TRUE(card.StartPlayback());
    const std::int16_t silence[audio::kBlockSamples] = {};
    card.Play(silence, audio::kBlockSamples);
    card.StopCapture();
    card.StopPlayback();
    card.Close();
}

TEST(QtSoundCardTest, LibraryMadeWithTheInstalledCardReportsItsReason) {
    audio::SetDefaultSoundCardFactory([] { return std::make_unique<QtSoundCard>(); });
    audio::IAudioLib* lib = audio::CreateAudioLib("", audio::kVoicePortBaud);
    if (lib->SoundCardCapture()->Open())
        EXPECT_EQ(lib->LastError(), "");
    else
        EXPECT_EQ(lib->LastError().rfind("no sound card", 0), 0u) << lib->LastError();
    audio::ReleaseAudioLib(lib);
    audio::SetDefaultSoundCardFactory(nullptr);
}

}  // namespace
}  // namespace dedevev

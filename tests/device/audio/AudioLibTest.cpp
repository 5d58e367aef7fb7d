// The voice-audio library without a card: the queue's drop-oldest rule, the WAV recorder, and
// the errors of streams that cannot open.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/audio/AudioLib.h"
#include "device/audio/BlockQueue.h"
#include "device/audio/Resampler.h"
#include "support/FakeSoundCard.h"
#include "support/TempDir.h"
#include "support/WavCheck.h"

namespace dedevev::audio {
namespace {

Block Tagged(std::uint8_t tag) {
    Block block{};
    block.fill(tag);
    return block;
}

TEST(AudioBlockQueue, FullQueueDropsTheOldestAndCountsIt) {
    BlockQueue queue(3);
    for (std::uint8_t tag = 0; tag < 5; ++tag)
        queue.Push(Tagged(tag));
    EXPECT_EQ(queue.Dropped(), 2u);
    Block block;
    for (std::uint8_t tag = 2; tag < 5; ++tag) {
        ASSERT_TRUE(queue.Pop(ProcessClock(), ProcessClock().Now(), &block));
        EXPECT_EQ(block[0], tag);
    }
    EXPECT_FALSE(queue.TryPop(&block));
    queue.Shut();
    queue.Push(Tagged(9));
    EXPECT_FALSE(queue.Pop(ProcessClock(), IClock::kNever, &block));  // returns at once
}

TEST(AudioWavRecorder, ValidAtEveryStepAndPausedBlocksAreLeftOut) {
    test::TempDir dir;
    const std::string path = dir.File("talk.wav");
    std::unique_ptr<IAudioLib, void (*)(IAudioLib*)> lib(CreateAudioLib("", 115200, nullptr),
                                                         ReleaseAudioLib);
    IWavRecorder* recorder = lib->CreateRecorder(path);
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(test::WavSummary(path), test::VoiceWav(0));
    const Block block = Tagged(7);
    recorder->OnAudioIn(nullptr, block.data(), block.size());
    recorder->OnAudioIn(nullptr, block.data(), block.size());
    EXPECT_EQ(test::WavSummary(path), test::VoiceWav(320));
    recorder->Pause();
    recorder->OnAudioIn(nullptr, block.data(), block.size());
    EXPECT_TRUE(recorder->IsPaused());
    recorder->Resume();
    recorder->OnAudioIn(nullptr, block.data(), 321);  // an odd byte is no sample
    EXPECT_EQ(recorder->DataBytes(), 960u);
    recorder->Release();
    EXPECT_EQ(test::WavSummary(path), test::VoiceWav(480));
    EXPECT_EQ(test::ReadFile(path).substr(44), std::string(960, '\7'));

    EXPECT_EQ(lib->CreateRecorder(dir.File("no/such/folder.wav")), nullptr);
    EXPECT_NE(lib->LastError().find("no/such/folder.wav"), std::string::npos);
}

TEST(AudioLibStreams, StreamsThatCannotOpenSayWhy) {
    test::TempDir dir;
    const std::string missing = dir.File("ttyVoice");
    struct Case {
        std::unique_ptr<ISoundCard> card;
        int stream;
        std::string error;
    };
    auto failing = std::make_unique<test::FakeSoundCard>();
    failing->FailOpen("the sound server is not running");
    Case cases[] = {
        {nullptr, 0, "no sound card"},
        {nullptr, 3, "no sound card"},
        {std::move(failing), 0, "the sound server is not running"},
        {std::make_unique<test::FakeSoundCard>(), 1,
         "voice port " + missing + ": No such file or directory"},
        {std::make_unique<test::FakeSoundCard>(), 2,
         "voice port " + missing + ": No such file or directory"},
    };
    for (Case& c : cases) {
        const bool has_card = c.card != nullptr;
        IAudioLib* lib = CreateAudioLib(missing, 115200, std::move(c.card));
        EXPECT_EQ(lib->LastError(), "");
        EXPECT_FALSE(lib->Stream(c.stream)->Open()) << c.error;
        EXPECT_EQ(lib->LastError(), c.error);
        EXPECT_FALSE(lib->Stream(c.stream)->Start());
        ISoundCardControl* control = lib->GetSoundCardControl(nullptr);
        EXPECT_EQ(control != nullptr, has_card);
        if (control)
            control->Release();
        EXPECT_TRUE(lib->Stream(c.stream)->Close());
        ReleaseAudioLib(lib);
    }
}

// A stream converted in uneven chunks comes out as converted whole, at the new rate, with its
// shape kept (a straight line stays one).
TEST(AudioResampler, ChunkedEqualsWholeAndKeepsTheShape) {
    std::vector<std::int16_t> ramp(4800);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(i * 6);
    for (const auto& [from, to] : {std::pair{48000, 8000}, {8000, 44100}, {8000, 8000}}) {
        Resampler whole(from, to);
        Resampler chunked(from, to);
        std::vector<std::int16_t> a;
        std::vector<std::int16_t> b;
        whole.Process(ramp.data(), ramp.size(), &a);
        for (std::size_t at = 0, size = 1; at < ramp.size(); at += size, size = size % 97 + 13)
            chunked.Process(ramp.data() + at, std::min(size, ramp.size() - at), &b);
        EXPECT_EQ(a, b) << from << "->" << to;
        // The last input sample's interval waits for the next chunk.
        EXPECT_NEAR(static_cast<double>(a.size()), 4800.0 * to / from, 1.0 + 1.0 * to / from)
            << from << "->" << to;
        EXPECT_NEAR(a[a.size() / 2], 6.0 * (a.size() / 2) * from / to, 1.0) << from << "->" << to;
    }
}

}  // namespace
}  // namespace dedevev::audio

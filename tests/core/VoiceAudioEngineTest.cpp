// The voice page's audio engine over a scripted audio library: which streams are opened,
// started, stopped and closed in which order, and what happens when one fails.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "voice/VoiceAudioEngine.h"

namespace dedevev {
namespace {

using audio::IAudioInListener;
using audio::IAudioStream;

struct Log {
    std::vector<std::string> steps;
};

class ScriptedStream final : public IAudioStream {
public:
    ScriptedStream(int index, Log* log) : index_(index), log_(log) {}
    bool Open() override { return Step("open"); }
    bool Start() override { return Step("start"); }
    bool Stop() override { return Step("stop"); }
    bool Close() override { return Step("close"); }
    void AddListener(IAudioInListener*) override {}
    void RemoveListener(IAudioInListener*) override {}
    int Index() const override { return index_; }
    bool IsStarted() const override { return false; }
    std::string fails;  // the step that fails

private:
    bool Step(const std::string& step) {
        log_->steps.push_back(step + std::to_string(index_));
        return step != fails;
    }
    int index_;
    Log* log_;
};

class ScriptedLib final : public audio::IAudioLib {
public:
    explicit ScriptedLib(Log* log)
        : streams_{ScriptedStream(0, log), ScriptedStream(1, log), ScriptedStream(2, log),
                   ScriptedStream(3, log)} {}
    IAudioStream* SoundCardCapture() override { return &streams_[0]; }
    IAudioStream* VoicePortCapture() override { return &streams_[1]; }
    IAudioStream* VoicePortPlayback() override { return &streams_[2]; }
    IAudioStream* SoundCardPlayback() override { return &streams_[3]; }
    audio::ISoundCardControl* GetSoundCardControl(void*) override { return nullptr; }
    audio::IWavRecorder* CreateRecorder(const std::string&) override { return nullptr; }
    void Resync() override {}
    std::string LastError() const override { return "no sound card"; }
    ScriptedStream& At(int index) { return streams_[static_cast<std::size_t>(index)]; }

private:
    std::array<ScriptedStream, 4> streams_;
};

class Wave final : public IWaveDisplay {
public:
    explicit Wave(Log* log) : log_(log) {}
    void Show() override { log_->steps.push_back("wave show"); }
    void ResumeRecorders() override { log_->steps.push_back("wave resume"); }
    void PauseRecorders() override { log_->steps.push_back("wave pause"); }

private:
    Log* log_;
};

class VoiceAudioEngineTest : public ::testing::Test {
protected:
    VoiceAudioEnvironment Env(std::string port = "/tmp/voice") {
        VoiceAudioEnvironment env;
        env.voice_port = [port] { return port; };
        env.create = [this](const std::string& at, int baud) -> audio::IAudioLib* {
            log_.steps.push_back("create " + at + " " + std::to_string(baud));
            return &lib_;
        };
        env.release = [this](audio::IAudioLib*) { log_.steps.push_back("release"); };
        env.make_wave = [this](audio::IAudioLib*) { return std::make_unique<Wave>(&log_); };
        env.show_wave = [this] { return show_wave_; };
        env.voice_loop = [this] { return voice_loop_; };
        env.modem_present = [] { return true; };
        env.log = [this](const std::string& line) { log_.steps.push_back("log: " + line); };
        return env;
    }
    std::vector<std::string> Take() { return std::exchange(log_.steps, {}); }

    Log log_;
    ScriptedLib lib_{&log_};
    bool show_wave_ = false;
    bool voice_loop_ = false;
};

using Steps = std::vector<std::string>;

TEST_F(VoiceAudioEngineTest, WithoutAVoicePortThereIsNoLibrary) {
    VoiceAudioEngine engine(Env(""));
    EXPECT_EQ(engine.Lib(), nullptr);
    EXPECT_FALSE(engine.Start());
    EXPECT_TRUE(Take().empty());
}

TEST_F(VoiceAudioEngineTest, OpensThenStartsAndStopsForEveryCallThenCloses) {
    {
        VoiceAudioEngine engine(Env());
        EXPECT_EQ(Take(), (Steps{"create /tmp/voice 115200", "open0", "open1", "open2", "open3"}));
        ASSERT_EQ(engine.Lib(), &lib_);
        EXPECT_TRUE(engine.Start());
        EXPECT_EQ(Take(), (Steps{"start0", "start1", "start2", "start3"}));
        EXPECT_TRUE(engine.Stop());
        EXPECT_EQ(Take(), (Steps{"stop0", "stop1", "stop2", "stop3"}));
    }
    EXPECT_EQ(Take(), (Steps{"stop0", "close0", "stop1", "close1", "stop2", "close2", "stop3",
                             "close3", "release"}));
}

TEST_F(VoiceAudioEngineTest, ALibraryThatCannotOpenIsReleasedAndToldOnce) {
    lib_.At(2).fails = "open";
    VoiceAudioEngine engine(Env());
    EXPECT_EQ(engine.Lib(), nullptr);
    const Steps steps = Take();
    EXPECT_EQ(Steps(steps.begin() + 1, steps.begin() + 4), (Steps{"open0", "open1", "open2"}));
    EXPECT_EQ(steps.back(), "log: voice audio: speech stays on the card (no sound card)");
    EXPECT_EQ(steps[steps.size() - 2], "release");
    EXPECT_FALSE(engine.Start());
    EXPECT_FALSE(engine.Stop());
    EXPECT_TRUE(Take().empty());
}

TEST_F(VoiceAudioEngineTest, AFailingStreamEndsTheStep) {
    VoiceAudioEngine engine(Env());
    Take();
    lib_.At(1).fails = "start";
    EXPECT_FALSE(engine.Start());
    EXPECT_EQ(Take(), (Steps{"start0", "start1"}));
    lib_.At(0).fails = "stop";
    EXPECT_FALSE(engine.Stop());
    EXPECT_EQ(Take(), (Steps{"stop0"}));
}

TEST_F(VoiceAudioEngineTest, WaveWindowAndVoiceLoopFollowTheSettings) {
    show_wave_ = true;
    voice_loop_ = true;
    VoiceAudioEngine engine(Env());
    EXPECT_EQ(Take(),
              (Steps{"create /tmp/voice 115200", "open0", "open1", "open2", "open3", "wave show",
                     "start0", "start1", "start2", "start3", "wave show", "wave resume"}));
    engine.Stop();
    EXPECT_EQ(Take().back(), "wave pause");
}

}  // namespace
}  // namespace dedevev

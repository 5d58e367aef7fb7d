// The sound player: the busy rule, empty paths, silence without an output, ring paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Paths.h"
#include "core/SoundPlayer.h"

namespace dedevev {
namespace {

struct FakeOutput : ISoundOutput {
    void Play(const std::string& path, bool loop) override {
        calls.push_back(path + (loop ? " loop" : ""));
    }
    void Stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

TEST(SoundPlayer, CallSoundsKeepTheNewMessageSoundOutUntilStopped) {
    SoundPlayer player;
    RingSetting rings;
    rings.call_comming = u"/r/ring.wav";
    rings.call_waiting = u"/r/wait.wav";
    rings.new_message = u"Music\\sms.wav";
    player.SetRingSource([&] { return rings; });
    EXPECT_FALSE(player.PlayNewMessage());  // no output: silence
    FakeOutput out;
    EXPECT_EQ(player.SetOutput(&out), nullptr);

    player.PlayIncoming();
    EXPECT_TRUE(player.IsBusy());
    EXPECT_FALSE(player.PlayNewMessage());
    player.PlayConnected();  // no file set: nothing
    player.StopSound();
    EXPECT_TRUE(player.PlayNewMessage());
    player.PlayWaiting();
    EXPECT_FALSE(player.PlayNewMessage());
    rings.new_message.clear();
    player.StopSound();
    EXPECT_FALSE(player.PlayNewMessage());
    EXPECT_EQ(out.calls, (std::vector<std::string>{"/r/ring.wav loop", "stop",
                                                   NativePath(ProgramFolder()) + "Music/sms.wav",
                                                   "/r/wait.wav", "stop"}));
}

}  // namespace
}  // namespace dedevev

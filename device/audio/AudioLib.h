#pragma once
// The voice-audio library behind IAudioLib: the four streams over the voice port and the sound
// card, and how blocks travel between them.
//
//   microphone --(stream 0)--> [queue] --(stream 2)--> voice port     while 0 and 2 are started
//   voice port --(stream 1)--> [queue] --(stream 3)--> speaker        while 1 and 3 are started
//
// Capture streams tell their listeners every block while they are started. Each queue holds
// at most kMaxQueuedBlocks and drops its oldest block when full. When the card goes away the
// voice-port streams stop by themselves; Stop and Close still return at once.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/audio/BlockQueue.h"
#include "device/audio/IAudioLib.h"
#include "device/audio/VoicePort.h"
#include "device/base/Clock.h"

namespace dedevev::audio {

class AudioLib;

class AudioStream final : public IAudioStream {
public:
    AudioStream(AudioLib* lib, int index) : lib_(lib), index_(index) {}

    bool Open() override;
    bool Start() override;
    bool Stop() override;
    bool Close() override;
    void AddListener(IAudioInListener* listener) override;
    void RemoveListener(IAudioInListener* listener) override;
    int Index() const override { return index_; }
    bool IsStarted() const override { return started_; }

    // Tells the listeners about `block` (on the calling thread).
    void Tell(const Block& block);

private:
    friend class AudioLib;
    AudioLib* const lib_;
    const int index_;
    bool open_ = false;  // under the library's mutex
    std::atomic<bool> started_{false};
    // Recursive: a listener may remove itself while it is being told.
    std::recursive_mutex listeners_mutex_;
    std::vector<IAudioInListener*> listeners_;
};

// Counts of what the path lost, for tests and benchmarks.
struct AudioPathStats {
    std::uint64_t dropped_to_port = 0;
    std::uint64_t dropped_to_speaker = 0;
};

class AudioLib final : public IAudioLib, private VoicePort::Sink, private ISoundCardCapture {
public:
    AudioLib(std::string port, int baud, std::unique_ptr<ISoundCard> sound_card,
             IClock& clock = ProcessClock());
    ~AudioLib();

    IAudioStream* SoundCardCapture() override { return &streams_[0]; }
    IAudioStream* VoicePortCapture() override { return &streams_[1]; }
    IAudioStream* VoicePortPlayback() override { return &streams_[2]; }
    IAudioStream* SoundCardPlayback() override { return &streams_[3]; }
    ISoundCardControl* GetSoundCardControl(void* window) override;
    IWavRecorder* CreateRecorder(const std::string& path) override;
    void Resync() override;
    std::string LastError() const override;

    AudioPathStats Stats() const;

private:
    friend class AudioStream;
    bool OpenStream(AudioStream& stream);
    bool StartStream(AudioStream& stream);
    bool StopStream(AudioStream& stream);
    bool CloseStream(AudioStream& stream);
    // Under mutex_.
    void StopLocked(AudioStream& stream);
    bool Fail(const std::string& error);

    void OnPortBlock(const Block& block) override;
    void OnPortGone(const std::string& error) override;
    void OnCaptured(const std::int16_t* samples, std::size_t count) override;
    void RunSpeaker();

    const std::string port_path_;
    const int baud_;
    IClock& clock_;
    // Shared with the volume controls handed out, which may outlive the library.
    const std::shared_ptr<ISoundCard> card_;
    AudioStream streams_[4] = {{this, 0}, {this, 1}, {this, 2}, {this, 3}};

    std::mutex mutex_;  // opening, starting, stopping and closing
    bool card_open_ = false;
    VoicePort port_;

    BlockQueue to_speaker_;
    std::thread speaker_;

    // The sound card's thread's own: the microphone block being filled.
    Block mic_{};
    std::size_t mic_fill_ = 0;
    std::atomic<bool> mic_resync_{false};

    mutable std::mutex error_mutex_;
    std::string last_error_;
};

}  // namespace dedevev::audio

#pragma once
// The voice-audio library: moves call speech between the card's PCM voice port and the PC's
// sound card, lets listeners see both directions, and records them to WAV files.
//
// Four streams, in this fixed order:
//   0  sound-card capture   (the microphone; what it hears goes out on the voice port)
//   1  voice-port capture   (the far end, as the card sends it)
//   2  voice-port playback  (writes the microphone's blocks to the voice port)
//   3  sound-card playback  (plays the far end's blocks on the speaker)
// Capture streams tell their listeners every 320-byte block. Open all four, then Start all four
// while a call talks, Stop them when it ends, Close them at the end.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/audio/ISoundCard.h"

namespace dedevev::audio {

class IAudioStream;

// Sees the blocks of a capture stream, on the library's threads. Returns quickly.
class IAudioInListener {
public:
    virtual void OnAudioIn(IAudioStream* stream, const std::uint8_t* data, std::size_t bytes) = 0;

protected:
    ~IAudioInListener() = default;
};

class IAudioStream {
public:
    // Every operation returns false when it failed (for example: the voice port cannot be
    // opened, the sound card is gone); the stream is then left as it was.
    virtual bool Open() = 0;
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    virtual bool Close() = 0;
    // Capture streams only; a listener is added once. After RemoveListener returns the
    // listener is never called again.
    virtual void AddListener(IAudioInListener* listener) = 0;
    virtual void RemoveListener(IAudioInListener* listener) = 0;
    // 0..3, as above.
    virtual int Index() const = 0;
    virtual bool IsStarted() const = 0;

protected:
    ~IAudioStream() = default;
};

// The sound card's volume as the voice view sets it.
class ISoundCardControl {
public:
    virtual void SetVolume(int percent) = 0;  // 0..100
    virtual int Volume() const = 0;
    virtual void Release() = 0;

protected:
    ~ISoundCardControl() = default;
};

// Writes the blocks it hears to a WAV file (8 kHz, 16-bit, mono), a valid file at every moment
// it is not writing. Attach it to a capture stream with AddListener.
class IWavRecorder : public IAudioInListener {
public:
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual bool IsPaused() const = 0;
    // Sample bytes written so far.
    virtual std::uint64_t DataBytes() const = 0;
    // Finishes the file and deletes the recorder; detach it from its streams first.
    virtual void Release() = 0;

protected:
    ~IWavRecorder() = default;
};

class IAudioLib {
public:
    // Slots 0..3: the four streams.
    virtual IAudioStream* SoundCardCapture() = 0;
    virtual IAudioStream* VoicePortCapture() = 0;
    virtual IAudioStream* VoicePortPlayback() = 0;
    virtual IAudioStream* SoundCardPlayback() = 0;
    // Slot 4: the sound card's volume control, or null without a sound card. `window` is the
    // view asking (not used on Linux).
    virtual ISoundCardControl* GetSoundCardControl(void* window) = 0;
    // Slot 5: a recorder writing to `path` (UTF-8), or null when the file cannot be made.
    virtual IWavRecorder* CreateRecorder(const std::string& path) = 0;
    // Slot 6: drops every block waiting in either direction, so the path starts again with no
    // delay (asked when a call starts talking).
    virtual void Resync() = 0;
    // Why the last failed operation failed, for a person to read; empty when nothing failed.
    virtual std::string LastError() const = 0;

    // Stream `index` (0..3), or null.
    IAudioStream* Stream(int index);

protected:
    ~IAudioLib() = default;
};

// Makes the library for the voice port `port` (a device path) at `baud`, with `sound_card`
// (null: MakeDefaultSoundCard()). Nothing is opened yet. Never null.
IAudioLib* CreateAudioLib(const std::string& port, int baud,
                          std::unique_ptr<ISoundCard> sound_card = nullptr);
// Stops and closes what is still open and deletes the library. Null is allowed.
void ReleaseAudioLib(IAudioLib* lib);

}  // namespace dedevev::audio

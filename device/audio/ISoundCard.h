#pragma once
// The PC's sound card as the audio library sees it: microphone samples in, speaker samples out,
// always 8 kHz mono 16-bit (an implementation resamples when the device will not take that).
// The window layer provides the real one (Qt Multimedia); tests provide a fake.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace dedevev::audio {

// Receives microphone samples, on the sound card's own thread.
class ISoundCardCapture {
public:
    virtual void OnCaptured(const std::int16_t* samples, std::size_t count) = 0;

protected:
    ~ISoundCardCapture() = default;
};

class ISoundCard {
public:
    virtual ~ISoundCard() = default;
    // Opens the default input and output device. False, with a reason a person can read in
    // `error`, when there is no sound card or it cannot be used.
    virtual bool Open(std::string* error) = 0;
    virtual void Close() = 0;
    // Microphone samples go to `sink` until StopCapture returns (after that, never again).
    virtual bool StartCapture(ISoundCardCapture* sink) = 0;
    virtual void StopCapture() = 0;
    virtual bool StartPlayback() = 0;
    virtual void StopPlayback() = 0;
    // Queues samples for the speaker; never blocks. A queue beyond a few blocks loses its
    // oldest samples.
    virtual void Play(const std::int16_t* samples, std::size_t count) = 0;
    // Speaker volume, 0..100.
    virtual void SetVolume(int percent) = 0;
    virtual int Volume() const = 0;
};

using SoundCardFactory = std::function<std::unique_ptr<ISoundCard>()>;

// The sound card the library opens when it is given none; the window layer installs the real
// one at start. Without a factory there is no sound card.
void SetDefaultSoundCardFactory(SoundCardFactory factory);
std::unique_ptr<ISoundCard> MakeDefaultSoundCard();

}  // namespace dedevev::audio

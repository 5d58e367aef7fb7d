#pragma once
// The PC side of the voice path: the voice-audio library opened on the card's voice port for
// as long as the voice page lives, its streams started while a call talks and stopped when it
// ends, and the diagnostic wave window. Without a voice port, or when the library cannot be
// opened (no sound card), there is no library: calls still work through the card.

#include <functional>
#include <memory>
#include <string>

#include "device/audio/IAudioLib.h"

namespace dedevev {

// The diagnostic wave window as the engine drives it (the window layer implements it).
class IWaveDisplay {
public:
    virtual ~IWaveDisplay() = default;
    virtual void Show() = 0;
    // Ticked recorders run again / every recorder pauses.
    virtual void ResumeRecorders() = 0;
    virtual void PauseRecorders() = 0;
};

struct VoiceAudioEnvironment {
    // The current card's voice port (a device path); empty when it has none.
    std::function<std::string()> voice_port;
    // The library for a port and baud rate, and its release. Defaults: CreateAudioLib and
    // ReleaseAudioLib.
    std::function<audio::IAudioLib*(const std::string& port, int baud)> create;
    std::function<void(audio::IAudioLib*)> release;
    // The wave window over the library; empty: no wave window.
    std::function<std::unique_ptr<IWaveDisplay>(audio::IAudioLib*)> make_wave;
    // The settings' "ShowWave" and "Voiceloop" options, and whether a card is there.
    std::function<bool()> show_wave;
    std::function<bool()> voice_loop;
    std::function<bool()> modem_present;
    // Where the one line telling why there is no library goes (default: stderr).
    std::function<void(const std::string&)> log;
};

// The current card's voice port, the real library, the settings' options and stderr; no
// wave window (the window layer adds it).
VoiceAudioEnvironment DefaultVoiceAudioEnvironment();

class VoiceAudioEngine {
public:
    // Makes and opens the library when the card has a voice port.
    explicit VoiceAudioEngine(VoiceAudioEnvironment environment);
    // Closes the wave window, stops and closes the streams, releases the library.
    ~VoiceAudioEngine();
    VoiceAudioEngine(const VoiceAudioEngine&) = delete;
    VoiceAudioEngine& operator=(const VoiceAudioEngine&) = delete;

    // The library, or null when there is none.
    audio::IAudioLib* Lib() const { return lib_; }
    IWaveDisplay* Wave() const { return wave_.get(); }

    // A call started talking: every stream starts (up to the first that fails); the wave
    // window shows when asked for and its recorders run again. False when a stream failed.
    bool Start();
    // The call ended: the capture streams stop, then the playback streams (up to the first
    // that fails); the wave window's recorders pause.
    bool Stop();
    // Shows the wave window (made on first use); nothing without a library.
    void ShowWave();

private:
    // Opens the four streams in order; false at the first that fails.
    bool Open();
    void NoLibrary(const std::string& why);

    VoiceAudioEnvironment env_;
    audio::IAudioLib* lib_ = nullptr;
    std::unique_ptr<IWaveDisplay> wave_;
};

}  // namespace dedevev

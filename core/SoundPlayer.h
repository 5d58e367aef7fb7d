#pragma once
// The program's sounds: ring, call and new-message sounds from the "RingSetting" files, and
// the keypad's tones. One process-wide player; the window layer installs the output that
// really plays (Qt Multimedia). Without an output, or without a sound card, every sound is silent:
// no error, no delay. Every call returns at once; the output plays asynchronously, one sound at a
// time.

#include <functional>
#include <mutex>
#include <string>

#include "core/AppSettings.h"

namespace dedevev {

// What plays a WAV file. Implementations return at once and never throw; a new Play replaces
// whatever plays.
class ISoundOutput {
public:
    virtual ~ISoundOutput() = default;
    // Plays the WAV file at `path` (UTF-8 file-system path) once, or again and again while
    // `loop`. A file that cannot be played is passed over silently.
    virtual void Play(const std::string& path, bool loop) = 0;
    virtual void Stop() = 0;
    // Plays a plain tone of `frequency_hz` for `ms` beside whatever else plays (a key tone).
    virtual void PlayTone(int frequency_hz, int ms) {
        (void)frequency_hz;
        (void)ms;
    }
};

class SoundPlayer {
public:
    // The process-wide player, made on first use, with no output and the current settings'
    // ring files.
    static SoundPlayer& Instance();

    SoundPlayer();
    // Where sounds go (not owned; null: silence). Returns the previous output.
    ISoundOutput* SetOutput(ISoundOutput* output);
    // Where the ring files come from (default: CurrentSettings().ring).
    void SetRingSource(std::function<RingSetting()> source);

    // An incoming call: busy; "CallComming" looped.
    void PlayIncoming();
    // A waiting call: busy; "CallWaiting" once.
    void PlayWaiting();
    // "CallConnected" / "CallDisconnected" once.
    void PlayConnected();
    void PlayDisconnected();
    // A new message: "NewMessage" once, only while not busy with a call sound. False when it
    // was not asked for (busy, or no file set).
    bool PlayNewMessage();
    // A key tone of `frequency_hz` for `ms`; it leaves the ring sounds alone.
    void PlayTone(int frequency_hz, int ms);
    // Stops whatever plays; not busy.
    void StopSound();
    bool IsBusy() const;

private:
    // Plays the file `path` (empty: nothing). False when nothing was asked of the output.
    bool Play(const std::u16string& path, bool loop);
    RingSetting Rings() const;

    mutable std::mutex mutex_;
    ISoundOutput* output_ = nullptr;
    std::function<RingSetting()> ring_source_;
    bool busy_ = false;
};

}  // namespace dedevev

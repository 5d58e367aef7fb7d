#pragma once
// The program's sounds through Qt Multimedia: one WAV file at a time, played once or looped,
// without waiting for it, and short synthesised key tones beside it. Without a sound output device
// (or with a file that cannot be read) nothing is heard and nothing is reported.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <string>

#include "core/SoundPlayer.h"

class QAudioSink;
class QBuffer;
class QSoundEffect;

namespace dedevev {

class QtSoundOutput : public QObject, public ISoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    // Any thread; the sound starts on this object's thread.
    void Play(const std::string& path, bool loop) override;
    void Stop() override;
    // A sine tone of `frequency_hz` for `ms`; a new tone cuts the one before short.
    void PlayTone(int frequency_hz, int ms) override;

    // The file playing or asked to play now (empty: silence), for the window thread.
    QString Current() const { return current_; }
    // Whether a device was there to play on when the last sound was asked for.
    bool HasDevice() const { return has_device_; }

    // Whether a key tone is playing now (window thread).
    bool TonePlaying() const { return tone_ != nullptr; }

private:
    void PlayNow(const QString& path, bool loop);
    void StopNow();
    void PlayToneNow(int frequency_hz, int ms);
    void StopTone();

    QSoundEffect* effect_ = nullptr;
    QAudioSink* tone_ = nullptr;
    QBuffer* tone_data_ = nullptr;
    QString current_;
    bool has_device_ = false;
};

// Mono signed 16-bit samples at `rate` Hz of a sine of `frequency_hz` lasting `ms`, faded in
// and out over a few milliseconds so that it starts and stops without a click.
QByteArray SynthesiseTone(int frequency_hz, int ms, int rate);

}  // namespace dedevev

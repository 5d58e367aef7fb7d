#pragma once
// The program's sounds through Qt Multimedia: one WAV file at a time, played once or looped,
// without waiting for it. Without a sound output device (or with a file that cannot be read)
// nothing is heard and nothing is reported.

#include <QObject>
#include <QString>

#include <string>

#include "core/SoundPlayer.h"

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

    // The file playing or asked to play now (empty: silence), for the window thread.
    QString Current() const { return current_; }
    // Whether a device was there to play on when the last sound was asked for.
    bool HasDevice() const { return has_device_; }

private:
    void PlayNow(const QString& path, bool loop);
    void StopNow();

    QSoundEffect* effect_ = nullptr;
    QString current_;
    bool has_device_ = false;
};

}  // namespace dedevev

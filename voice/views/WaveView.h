#pragma once
// The diagnostic wave window: both voice streams drawn as they pass (the sound card's on the
// left, the voice port's on the right) and recorded to "AudioCard.wav" and "Serial.wav".

#include <QWidget>

#include <array>
#include <cstdint>
#include <mutex>

#include "device/audio/IAudioLib.h"
#include "voice/VoiceAudioEngine.h"

class QCheckBox;
class QLabel;

namespace dedevev {

// Draws the last block of each stream: a vertical line per sample around the middle height.
class CWndWaveForm : public QWidget {
    Q_OBJECT
public:
    using Block = std::array<std::int16_t, 160>;

    explicit CWndWaveForm(QWidget* parent = nullptr);
    // Any thread: keeps a copy of the block and has the window redrawn on its own thread.
    void SetBlock(bool serial, const std::uint8_t* data);
    Block Serial() const;
    Block SoundCard() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable std::mutex mutex_;
    Block serial_{};
    Block sound_card_{};
};

class CWaveView : public QWidget, public IWaveDisplay, public audio::IAudioInListener {
    Q_OBJECT
public:
    // Listens to both capture streams of `lib` and records each to its file.
    explicit CWaveView(audio::IAudioLib* lib, QWidget* parent = nullptr);
    // Detaches everything and finishes both files.
    ~CWaveView() override;

    // Where the recordings go: the program folder, or the data folder when that one cannot
    // be written.
    static std::string RecordFolder();

    // IWaveDisplay
    void Show() override;
    void ResumeRecorders() override;
    void PauseRecorders() override;

    // IAudioInListener (the library's threads): only whole 320-byte blocks are drawn.
    void OnAudioIn(audio::IAudioStream* stream, const std::uint8_t* data,
                   std::size_t bytes) override;

    CWndWaveForm* Form() const { return form_; }
    audio::IWavRecorder* Recorder(bool serial) const { return serial ? serial_ : sound_card_; }
    QCheckBox* Box(bool serial) const { return serial ? serial_box_ : sound_card_box_; }

private:
    // A ticked box keeps its recorder running.
    void FollowBoxes();

    audio::IAudioLib* lib_;
    audio::IWavRecorder* serial_ = nullptr;
    audio::IWavRecorder* sound_card_ = nullptr;
    QCheckBox* serial_box_ = nullptr;
    QCheckBox* sound_card_box_ = nullptr;
    QLabel* folder_ = nullptr;
    CWndWaveForm* form_ = nullptr;
};

}  // namespace dedevev

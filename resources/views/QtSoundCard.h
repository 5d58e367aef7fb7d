#pragma once
// The PC's sound card for the voice path, through Qt Multimedia: the default input and output
// devices at 8 kHz mono 16-bit, or in the device's own format with the samples converted and
// resampled. The Qt audio objects live on a thread of this card's own with its event loop, so
// the microphone keeps flowing while the window thread is busy. Every method may be called
// from any thread but that one.

#include <QAudioFormat>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "device/audio/ISoundCard.h"
#include "device/audio/Resampler.h"

class QAudioSink;
class QAudioSource;
class QIODevice;
class QObject;

namespace dedevev {

class SpeakerFeed;

class QtSoundCard final : public audio::ISoundCard {
public:
    QtSoundCard();
    ~QtSoundCard() override;
    QtSoundCard(const QtSoundCard&) = delete;
    QtSoundCard& operator=(const QtSoundCard&) = delete;

    bool Open(std::string* error) override;
    void Close() override;
    bool StartCapture(audio::ISoundCardCapture* sink) override;
    void StopCapture() override;
    bool StartPlayback() override;
    void StopPlayback() override;
    void Play(const std::int16_t* samples, std::size_t count) override;
    void SetVolume(int percent) override;
    int Volume() const override;

private:
    // Runs `work` on the card's thread and waits for it.
    template <typename Work>
    auto OnThread(Work work);
    // On the card's thread.
    bool OpenNow(std::string* error);
    void CloseNow();
    bool StartCaptureNow(audio::ISoundCardCapture* sink);
    void StopCaptureNow();
    bool StartPlaybackNow();
    void StopPlaybackNow();
    void ReadMicrophone();

    QThread thread_;
    QObject* context_ = nullptr;  // lives on thread_
    std::atomic<int> volume_{100};

    // The card's thread's own.
    bool open_ = false;
    QAudioFormat in_format_;
    QAudioFormat out_format_;
    QAudioSource* source_ = nullptr;
    QIODevice* source_io_ = nullptr;
    audio::ISoundCardCapture* capture_ = nullptr;
    QAudioSink* sink_ = nullptr;
    std::unique_ptr<audio::Resampler> mic_resampler_;

    // Filled by Play on the library's thread, read by the sink on the card's thread.
    std::mutex feed_mutex_;
    SpeakerFeed* feed_ = nullptr;
};

}  // namespace dedevev

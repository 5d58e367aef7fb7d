#pragma once
// A recorder of one or more capture streams into a WAV file: RIFF/WAVE, PCM, 8 kHz, 16-bit,
// mono. The header's sizes are brought up to date after every block, so the file is a valid
// WAV whenever no block is being written (a crash loses at most the block in hand).

#include <cstdint>
#include <mutex>
#include <string>

#include "device/audio/IAudioLib.h"

namespace dedevev::audio {

class WavRecorder final : public IWavRecorder {
public:
    // A recorder writing to a new (or emptied) file at `path`; null when it cannot be made.
    static WavRecorder* Create(const std::string& path);

    void OnAudioIn(IAudioStream* stream, const std::uint8_t* data, std::size_t bytes) override;
    void Pause() override;
    void Resume() override;
    bool IsPaused() const override;
    std::uint64_t DataBytes() const override;
    void Release() override;

    // The most sample bytes a WAV file's 32-bit sizes can describe; later blocks are dropped.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36 - 1;

private:
    explicit WavRecorder(int fd) : fd_(fd) {}
    ~WavRecorder() = default;
    bool WriteSizes();

    mutable std::mutex mutex_;
    int fd_;
    bool paused_ = false;
    std::uint64_t data_bytes_ = 0;
};

}  // namespace dedevev::audio

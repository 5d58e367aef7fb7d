#include "device/audio/WavRecorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "device/audio/AudioFormat.h"

namespace dedevev::audio {

namespace {

constexpr std::size_t kHeaderBytes = 44;

void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

std::array<std::uint8_t, kHeaderBytes> Header() {
    std::array<std::uint8_t, kHeaderBytes> h{};
    auto tag = [&](std::size_t at, const char* text) {
        for (int i = 0; i < 4; ++i)
            h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(text[i]);
    };
    tag(0, "RIFF");
    Put32(&h[4], 36);
    tag(8, "WAVE");
    tag(12, "fmt ");
    Put32(&h[16], 16);
    Put16(&h[20], 1);  // PCM
    Put16(&h[22], 1);  // mono
    Put32(&h[24], kSampleRate);
    Put32(&h[28], kSampleRate * 2);  // bytes per second
    Put16(&h[32], 2);                // bytes per frame
    Put16(&h[34], 16);               // bits per sample
    tag(36, "data");
    Put32(&h[40], 0);
    return h;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t bytes, off_t offset) {
    while (bytes > 0) {
        const ssize_t n = ::pwrite(fd, data, bytes, offset);
        if (n <= 0)
            return false;
        data += n;
        bytes -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

}  // namespace

WavRecorder* WavRecorder::Create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    const auto header = Header();
    if (!WriteAll(fd, header.data(), header.size(), 0)) {
        ::close(fd);
        return nullptr;
    }
    return new WavRecorder(fd);
}

void WavRecorder::OnAudioIn(IAudioStream*, const std::uint8_t* data, std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    if (paused_ || fd_ < 0)
        return;
    bytes -= bytes % 2;  // whole samples only
    if (bytes == 0 || data_bytes_ + bytes > kMaxDataBytes)
        return;
    const auto at = static_cast<off_t>(kHeaderBytes + data_bytes_);
    if (!WriteAll(fd_, data, bytes, at)) {
        // A full disk: cut the partial block off so the file stays what the header says.
        [[maybe_unused]] const int cut = ::ftruncate(fd_, at);
        return;
    }
    data_bytes_ += bytes;
    WriteSizes();
}

bool WavRecorder::WriteSizes() {
    std::uint8_t riff[4];
    std::uint8_t data[4];
    Put32(riff, static_cast<std::uint32_t>(36 + data_bytes_));
    Put32(data, static_cast<std::uint32_t>(data_bytes_));
    return WriteAll(fd_, riff, 4, 4) && WriteAll(fd_, data, 4, 40);
}

void WavRecorder::Pause() {
    const std::lock_guard lock(mutex_);
    paused_ = true;
}

void WavRecorder::Resume() {
    const std::lock_guard lock(mutex_);
    paused_ = false;
}

bool WavRecorder::IsPaused() const {
    const std::lock_guard lock(mutex_);
    return paused_;
}

std::uint64_t WavRecorder::DataBytes() const {
    const std::lock_guard lock(mutex_);
    return data_bytes_;
}

void WavRecorder::Release() {
    {
        const std::lock_guard lock(mutex_);
        if (fd_ >= 0) {
            WriteSizes();
            ::close(fd_);
            fd_ = -1;
        }
    }
    delete this;
}

}  // namespace dedevev::audio

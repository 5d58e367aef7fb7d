#include "core/SoundPlayer.h"

#include <utility>

#include "core/Paths.h"

namespace dedevev {

SoundPlayer& SoundPlayer::Instance() {
    static SoundPlayer player;
    return player;
}

SoundPlayer::SoundPlayer() = default;

ISoundOutput* SoundPlayer::SetOutput(ISoundOutput* output) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(output_, output);
}

void SoundPlayer::SetRingSource(std::function<RingSetting()> source) {
    std::lock_guard<std::mutex> lock(mutex_);
    ring_source_ = std::move(source);
}

// The source is called without the lock held: it reads the settings, which may take a while.
RingSetting SoundPlayer::Rings() const {
    std::function<RingSetting()> source;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        source = ring_source_;
    }
    return source ? source() : CurrentSettings().ring;
}

void SoundPlayer::PlayIncoming() {
    const std::u16string path = Rings().call_comming;
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = true;
    Play(path, true);
}

void SoundPlayer::PlayWaiting() {
    const std::u16string path = Rings().call_waiting;
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = true;
    Play(path, false);
}

void SoundPlayer::PlayConnected() {
    const std::u16string path = Rings().call_connected;
    std::lock_guard<std::mutex> lock(mutex_);
    Play(path, false);
}

void SoundPlayer::PlayDisconnected() {
    const std::u16string path = Rings().call_disconnected;
    std::lock_guard<std::mutex> lock(mutex_);
    Play(path, false);
}

bool SoundPlayer::PlayNewMessage() {
    const std::u16string path = Rings().new_message;
    std::lock_guard<std::mutex> lock(mutex_);
    return !busy_ && Play(path, false);
}

void SoundPlayer::PlayTone(int frequency_hz, int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (output_ != nullptr && frequency_hz > 0 && ms > 0)
        output_->PlayTone(frequency_hz, ms);
}

void SoundPlayer::StopSound() {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = false;
    if (output_ != nullptr)
        output_->Stop();
}

bool SoundPlayer::IsBusy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_;
}

// Called with mutex_ held, so that a SetOutput(nullptr) that has returned is never followed by
// a call on the old output. Ring paths are stored as the settings file has them
// ("Music\sms.wav" under the resource folder, or absolute).
bool SoundPlayer::Play(const std::u16string& path, bool loop) {
    if (path.empty() || output_ == nullptr)
        return false;
    output_->Play(ResolvePathNoCase(NativePath(ResolveStoredPath(path))), loop);
    return true;
}

}  // namespace dedevev

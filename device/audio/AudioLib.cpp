#include "device/audio/AudioLib.h"

#include <algorithm>
#include <utility>

#include "device/audio/WavRecorder.h"

namespace dedevev::audio {

namespace {

constexpr int kMicrophone = 0;
constexpr int kFromPort = 1;
constexpr int kToPort = 2;
constexpr int kSpeaker = 3;

bool OnSoundCard(int index) {
    return index == kMicrophone || index == kSpeaker;
}

class SoundCardControl final : public ISoundCardControl {
public:
    explicit SoundCardControl(std::shared_ptr<ISoundCard> card) : card_(std::move(card)) {}
    void SetVolume(int percent) override { card_->SetVolume(std::clamp(percent, 0, 100)); }
    int Volume() const override { return card_->Volume(); }
    void Release() override { delete this; }

private:
    ~SoundCardControl() = default;
    std::shared_ptr<ISoundCard> card_;
};

}  // namespace

// ---- AudioStream

bool AudioStream::Open() {
    return lib_->OpenStream(*this);
}
bool AudioStream::Start() {
    return lib_->StartStream(*this);
}
bool AudioStream::Stop() {
    return lib_->StopStream(*this);
}
bool AudioStream::Close() {
    return lib_->CloseStream(*this);
}

void AudioStream::AddListener(IAudioInListener* listener) {
    if (listener == nullptr || (index_ != kMicrophone && index_ != kFromPort))
        return;
    const std::lock_guard lock(listeners_mutex_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void AudioStream::RemoveListener(IAudioInListener* listener) {
    // Waits for a block being told to other threads' listeners: afterwards `listener` is never
    // called again.
    const std::lock_guard lock(listeners_mutex_);
    std::erase(listeners_, listener);
}

void AudioStream::Tell(const Block& block) {
    const std::lock_guard lock(listeners_mutex_);
    if (listeners_.empty())
        return;
    const std::vector<IAudioInListener*> listeners = listeners_;
    for (IAudioInListener* listener : listeners) {
        // One listener may have removed another while being told.
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->OnAudioIn(this, block.data(), block.size());
    }
}

// ---- IAudioLib

IAudioStream* IAudioLib::Stream(int index) {
    switch (index) {
        case kMicrophone:
            return SoundCardCapture();
        case kFromPort:
            return VoicePortCapture();
        case kToPort:
            return VoicePortPlayback();
        case kSpeaker:
            return SoundCardPlayback();
        default:
            return nullptr;
    }
}

IAudioLib* CreateAudioLib(const std::string& port, int baud,
                          std::unique_ptr<ISoundCard> sound_card) {
    if (!sound_card)
        sound_card = MakeDefaultSoundCard();
    return new AudioLib(port, baud, std::move(sound_card));
}

void ReleaseAudioLib(IAudioLib* lib) {
    delete static_cast<AudioLib*>(lib);
}

// ---- AudioLib

AudioLib::AudioLib(std::string port, int baud, std::unique_ptr<ISoundCard> sound_card,
                   IClock& clock)
    : port_path_(std::move(port)),
      baud_(baud),
      clock_(clock),
      card_(std::move(sound_card)),
      port_(clock, this) {}

AudioLib::~AudioLib() {
    for (AudioStream& stream : streams_)
        stream.Stop();
    for (AudioStream& stream : streams_)
        stream.Close();
}

ISoundCardControl* AudioLib::GetSoundCardControl(void*) {
    return card_ ? new SoundCardControl(card_) : nullptr;
}

IWavRecorder* AudioLib::CreateRecorder(const std::string& path) {
    IWavRecorder* recorder = WavRecorder::Create(path);
    if (recorder == nullptr)
        Fail("cannot create " + path);
    return recorder;
}

void AudioLib::Resync() {
    port_.Resync();
    to_speaker_.Clear();
    mic_resync_ = true;
}

std::string AudioLib::LastError() const {
    const std::lock_guard lock(error_mutex_);
    return last_error_;
}

AudioPathStats AudioLib::Stats() const {
    return {port_.DroppedOut(), to_speaker_.Dropped()};
}

bool AudioLib::Fail(const std::string& error) {
    const std::lock_guard lock(error_mutex_);
    last_error_ = error;
    return false;
}

bool AudioLib::OpenStream(AudioStream& stream) {
    const std::lock_guard lock(mutex_);
    if (stream.open_)
        return true;
    if (OnSoundCard(stream.index_)) {
        if (!card_)
            return Fail("no sound card");
        if (!card_open_) {
            std::string error;
            if (!card_->Open(&error))
                return Fail(error.empty() ? "no sound card" : error);
            card_open_ = true;
        }
    } else if (!port_.Alive()) {
        port_.Close();  // what is left of a card that went away
        std::string error;
        if (!port_.Open(port_path_, baud_, &error))
            return Fail(error);
    }
    stream.open_ = true;
    return true;
}

bool AudioLib::StartStream(AudioStream& stream) {
    const std::lock_guard lock(mutex_);
    if (!stream.open_)
        return Fail("the stream is not open");
    if (stream.started_)
        return true;
    switch (stream.index_) {
        case kMicrophone:
            mic_fill_ = 0;
            if (!card_->StartCapture(this))
                return Fail("the sound card does not record");
            break;
        case kSpeaker:
            if (!card_->StartPlayback())
                return Fail("the sound card does not play");
            to_speaker_.Clear();
            to_speaker_.Reopen();
            speaker_ = std::thread([this] { RunSpeaker(); });
            break;
        default:
            if (!port_.Alive())
                return Fail(LastError());
            break;
    }
    stream.started_ = true;
    return true;
}

bool AudioLib::StopStream(AudioStream& stream) {
    const std::lock_guard lock(mutex_);
    StopLocked(stream);
    return true;
}

void AudioLib::StopLocked(AudioStream& stream) {
    if (!stream.started_.exchange(false))
        return;
    if (stream.index_ == kMicrophone) {
        card_->StopCapture();
    } else if (stream.index_ == kSpeaker) {
        to_speaker_.Shut();
        if (speaker_.joinable())
            speaker_.join();
        card_->StopPlayback();
    }
}

bool AudioLib::CloseStream(AudioStream& stream) {
    const std::lock_guard lock(mutex_);
    if (!stream.open_)
        return true;
    StopLocked(stream);
    stream.open_ = false;
    if (OnSoundCard(stream.index_)) {
        if (!streams_[kMicrophone].open_ && !streams_[kSpeaker].open_ && card_open_) {
            card_->Close();
            card_open_ = false;
        }
    } else if (!streams_[kFromPort].open_ && !streams_[kToPort].open_) {
        port_.Close();
    }
    return true;
}

// ---- The path

void AudioLib::OnPortBlock(const Block& block) {
    if (!streams_[kFromPort].started_)
        return;
    streams_[kFromPort].Tell(block);
    if (streams_[kSpeaker].started_)
        to_speaker_.Push(block);
}

void AudioLib::OnPortGone(const std::string& error) {
    Fail(error);
    streams_[kFromPort].started_ = false;
    streams_[kToPort].started_ = false;
}

void AudioLib::OnCaptured(const std::int16_t* samples, std::size_t count) {
    if (mic_resync_.exchange(false))
        mic_fill_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto u = static_cast<std::uint16_t>(samples[i]);
        mic_[2 * mic_fill_] = static_cast<std::uint8_t>(u & 0xFF);
        mic_[2 * mic_fill_ + 1] = static_cast<std::uint8_t>(u >> 8);
        if (++mic_fill_ < kBlockSamples)
            continue;
        mic_fill_ = 0;
        if (!streams_[kMicrophone].started_)
            continue;
        streams_[kMicrophone].Tell(mic_);
        if (streams_[kToPort].started_)
            port_.Write(mic_);
    }
}

void AudioLib::RunSpeaker() {
    Block block;
    std::int16_t samples[kBlockSamples];
    while (to_speaker_.Pop(clock_, IClock::kNever, &block)) {
        for (std::size_t i = 0; i < kBlockSamples; ++i)
            samples[i] = static_cast<std::int16_t>(block[2 * i] | (block[2 * i + 1] << 8));
        card_->Play(samples, kBlockSamples);
    }
}

}  // namespace dedevev::audio

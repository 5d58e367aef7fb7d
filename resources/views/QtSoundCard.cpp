#include "resources/views/QtSoundCard.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <type_traits>
#include <vector>

#include "device/audio/AudioFormat.h"

namespace dedevev {

namespace {

constexpr int kDeviceBufferMs = 40;
// What the speaker may lag behind at most; older samples are dropped.
constexpr int kSpeakerQueueMs = 4 * audio::kBlockMs;

QAudioFormat VoiceFormat() {
    QAudioFormat format;
    format.setSampleRate(audio::kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// The voice format when the device takes it, else the device's own.
QAudioFormat FormatFor(const QAudioDevice& device) {
    const QAudioFormat voice = VoiceFormat();
    if (device.isFormatSupported(voice))
        return voice;
    return device.preferredFormat();
}

std::int16_t ReadSample(const char* at, QAudioFormat::SampleFormat format) {
    switch (format) {
        case QAudioFormat::UInt8:
            return static_cast<std::int16_t>(
                (static_cast<int>(static_cast<unsigned char>(*at)) - 128) << 8);
        case QAudioFormat::Int32: {
            std::int32_t v;
            std::memcpy(&v, at, sizeof v);
            return static_cast<std::int16_t>(v >> 16);
        }
        case QAudioFormat::Float: {
            float v;
            std::memcpy(&v, at, sizeof v);
            return static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        }
        default: {
            std::int16_t v;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
    }
}

void WriteSample(char* at, QAudioFormat::SampleFormat format, std::int16_t sample) {
    switch (format) {
        case QAudioFormat::UInt8:
            *at = static_cast<char>((sample >> 8) + 128);
            break;
        case QAudioFormat::Int32: {
            const std::int32_t v = static_cast<std::int32_t>(sample) * 65536;
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case QAudioFormat::Float: {
            const float v = static_cast<float>(sample) / 32768.0f;
            std::memcpy(at, &v, sizeof v);
            break;
        }
        default:
            std::memcpy(at, &sample, sizeof sample);
            break;
    }
}

}  // namespace

// The speaker's source: the voice samples, already at the device's rate, with silence when none
// are waiting (a sink that runs dry would stop and start again, adding delay).
class SpeakerFeed final : public QIODevice {
public:
    explicit SpeakerFeed(const QAudioFormat& format)
        : format_(format),
          resampler_(audio::kSampleRate, format.sampleRate()),
          max_queued_(static_cast<std::size_t>(format.sampleRate()) * kSpeakerQueueMs / 1000) {
        open(QIODevice::ReadOnly);
    }

    // Any thread.
    void Push(const std::int16_t* samples, std::size_t count) {
        const std::lock_guard lock(mutex_);
        converted_.clear();
        resampler_.Process(samples, count, &converted_);
        queue_.insert(queue_.end(), converted_.begin(), converted_.end());
        if (queue_.size() > max_queued_)
            queue_.erase(queue_.begin(),
                         queue_.begin() + static_cast<long>(queue_.size() - max_queued_));
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return format_.bytesForDuration(kDeviceBufferMs * 1000) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        const int frame = format_.bytesPerFrame();
        const int sample = format_.bytesPerSample();
        const qint64 frames = frame > 0 ? max / frame : 0;
        const std::lock_guard lock(mutex_);
        for (qint64 i = 0; i < frames; ++i) {
            std::int16_t value = 0;
            if (!queue_.empty()) {
                value = queue_.front();
                queue_.pop_front();
            }
            for (int c = 0; c < format_.channelCount(); ++c)
                WriteSample(data + i * frame + c * sample, format_.sampleFormat(), value);
        }
        return frames * frame;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QAudioFormat format_;
    std::mutex mutex_;
    audio::Resampler resampler_;
    std::vector<std::int16_t> converted_;
    std::deque<std::int16_t> queue_;
    const std::size_t max_queued_;
};

template <typename Work>
auto QtSoundCard::OnThread(Work work) {
    using Result = decltype(work());
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(context_, work, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(context_, work, Qt::BlockingQueuedConnection, &result);
        return result;
    }
}

QtSoundCard::QtSoundCard() {
    thread_.setObjectName("sound card");
    thread_.start();
    context_ = new QObject;
    context_->moveToThread(&thread_);
}

QtSoundCard::~QtSoundCard() {
    Close();
    // Deleted by its own thread as that thread ends.
    context_->deleteLater();
    context_ = nullptr;
    thread_.quit();
    thread_.wait();
}

bool QtSoundCard::Open(std::string* error) {
    std::string reason;
    const bool ok = OnThread([&] { return OpenNow(&reason); });
    if (!ok && error)
        *error = reason;
    return ok;
}

void QtSoundCard::Close() {
    OnThread([this] { CloseNow(); });
}

bool QtSoundCard::StartCapture(audio::ISoundCardCapture* sink) {
    return OnThread([&] { return StartCaptureNow(sink); });
}

void QtSoundCard::StopCapture() {
    OnThread([this] { StopCaptureNow(); });
}

bool QtSoundCard::StartPlayback() {
    return OnThread([this] { return StartPlaybackNow(); });
}

void QtSoundCard::StopPlayback() {
    OnThread([this] { StopPlaybackNow(); });
}

void QtSoundCard::Play(const std::int16_t* samples, std::size_t count) {
    const std::lock_guard lock(feed_mutex_);
    if (feed_ != nullptr)
        feed_->Push(samples, count);
}

void QtSoundCard::SetVolume(int percent) {
    volume_ = std::clamp(percent, 0, 100);
    QMetaObject::invokeMethod(context_, [this] {
        if (sink_ != nullptr)
            sink_->setVolume(volume_ / 100.0);
    });
}

int QtSoundCard::Volume() const {
    return volume_;
}

bool QtSoundCard::OpenNow(std::string* error) {
    if (open_)
        return true;
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (input.isNull() && output.isNull()) {
        *error = "no sound card";
        return false;
    }
    if (input.isNull()) {
        *error = "no sound card: there is no microphone";
        return false;
    }
    if (output.isNull()) {
        *error = "no sound card: there is no speaker";
        return false;
    }
    in_format_ = FormatFor(input);
    out_format_ = FormatFor(output);
    if (!in_format_.isValid() || !out_format_.isValid()) {
        *error = "the sound card offers no usable format";
        return false;
    }
    source_ = new QAudioSource(input, in_format_, context_);
    source_->setBufferSize(in_format_.bytesForDuration(kDeviceBufferMs * 1000));
    sink_ = new QAudioSink(output, out_format_, context_);
    sink_->setBufferSize(out_format_.bytesForDuration(kDeviceBufferMs * 1000));
    sink_->setVolume(volume_ / 100.0);
    open_ = true;
    return true;
}

void QtSoundCard::CloseNow() {
    StopCaptureNow();
    StopPlaybackNow();
    delete source_;
    source_ = nullptr;
    delete sink_;
    sink_ = nullptr;
    open_ = false;
}

bool QtSoundCard::StartCaptureNow(audio::ISoundCardCapture* sink) {
    if (!open_)
        return false;
    if (capture_ != nullptr)
        return true;
    mic_resampler_ =
        std::make_unique<audio::Resampler>(in_format_.sampleRate(), audio::kSampleRate);
    source_io_ = source_->start();
    if (source_io_ == nullptr)
        return false;
    capture_ = sink;
    QObject::connect(source_io_, &QIODevice::readyRead, context_, [this] { ReadMicrophone(); });
    return true;
}

void QtSoundCard::StopCaptureNow() {
    if (source_io_ != nullptr)
        QObject::disconnect(source_io_, nullptr, context_, nullptr);
    if (source_ != nullptr)
        source_->stop();
    source_io_ = nullptr;
    capture_ = nullptr;
}

void QtSoundCard::ReadMicrophone() {
    if (capture_ == nullptr || source_io_ == nullptr)
        return;
    const QByteArray bytes = source_io_->readAll();
    const int frame = in_format_.bytesPerFrame();
    const int sample = in_format_.bytesPerSample();
    const int channels = in_format_.channelCount();
    if (frame <= 0 || bytes.size() < frame)
        return;
    std::vector<std::int16_t> mono(static_cast<std::size_t>(bytes.size() / frame));
    for (std::size_t i = 0; i < mono.size(); ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += ReadSample(bytes.constData() + static_cast<qsizetype>(i) * frame + c * sample,
                              in_format_.sampleFormat());
        mono[i] = static_cast<std::int16_t>(sum / channels);
    }
    if (in_format_.sampleRate() == audio::kSampleRate) {
        capture_->OnCaptured(mono.data(), mono.size());
        return;
    }
    std::vector<std::int16_t> voice;
    mic_resampler_->Process(mono.data(), mono.size(), &voice);
    if (!voice.empty())
        capture_->OnCaptured(voice.data(), voice.size());
}

bool QtSoundCard::StartPlaybackNow() {
    if (!open_)
        return false;
    const std::lock_guard lock(feed_mutex_);
    if (feed_ != nullptr)
        return true;
    feed_ = new SpeakerFeed(out_format_);
    sink_->start(feed_);
    return true;
}

void QtSoundCard::StopPlaybackNow() {
    if (sink_ != nullptr)
        sink_->stop();
    const std::lock_guard lock(feed_mutex_);
    delete feed_;
    feed_ = nullptr;
}

}  // namespace dedevev

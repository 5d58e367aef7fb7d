#include "resources/views/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMetaObject>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

namespace dedevev {

QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

namespace {

constexpr int kToneRate = 22050;
constexpr int kFadeMs = 5;
constexpr double kToneLevel = 0.4;  // of full scale

}  // namespace

QByteArray SynthesiseTone(int frequency_hz, int ms, int rate) {
    if (frequency_hz <= 0 || ms <= 0 || rate <= 0)
        return {};
    const int count = static_cast<int>(static_cast<std::int64_t>(rate) * ms / 1000);
    const int fade = std::max(1, std::min(count / 2, rate * kFadeMs / 1000));
    QByteArray data(count * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(data.data());
    const double step = 2.0 * std::numbers::pi * frequency_hz / rate;
    for (int i = 0; i < count; ++i) {
        const double edge = std::min(
            {1.0, static_cast<double>(i) / fade, static_cast<double>(count - 1 - i) / fade});
        out[i] = static_cast<std::int16_t>(
            std::lround(32767.0 * kToneLevel * edge * std::sin(step * i)));
    }
    return data;
}

QtSoundOutput::~QtSoundOutput() {
    StopNow();
    StopTone();
}

void QtSoundOutput::PlayTone(int frequency_hz, int ms) {
    if (QThread::currentThread() == thread()) {
        PlayToneNow(frequency_hz, ms);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, frequency_hz, ms] { PlayToneNow(frequency_hz, ms); }, Qt::QueuedConnection);
}

void QtSoundOutput::PlayToneNow(int frequency_hz, int ms) {
    StopTone();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;  // no sound card: silent, at once
    QAudioFormat format;
    format.setSampleRate(kToneRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    tone_data_ = new QBuffer(this);
    tone_data_->setData(SynthesiseTone(frequency_hz, ms, kToneRate));
    tone_data_->open(QIODevice::ReadOnly);
    tone_ = new QAudioSink(device, format, this);
    connect(tone_, &QAudioSink::stateChanged, this, [this, sink = tone_](QAudio::State state) {
        // Played out (idle) or failed (stopped): the tone is over.
        if (sink == tone_ && state != QAudio::ActiveState && state != QAudio::SuspendedState)
            StopTone();
    });
    tone_->start(tone_data_);
}

void QtSoundOutput::StopTone() {
    if (tone_ != nullptr) {
        QAudioSink* sink = std::exchange(tone_, nullptr);
        sink->stop();
        sink->deleteLater();
    }
    if (tone_data_ != nullptr)
        std::exchange(tone_data_, nullptr)->deleteLater();
}

void QtSoundOutput::Play(const std::string& path, bool loop) {
    const QString file = QString::fromStdString(path);
    if (QThread::currentThread() == thread()) {
        PlayNow(file, loop);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, file, loop] { PlayNow(file, loop); }, Qt::QueuedConnection);
}

void QtSoundOutput::Stop() {
    if (QThread::currentThread() == thread()) {
        StopNow();
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { StopNow(); }, Qt::QueuedConnection);
}

void QtSoundOutput::PlayNow(const QString& path, bool loop) {
    StopNow();
    // A file that is not there is passed over before Qt reports it as an error.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return;
    // Without a device the effect would only fail later, with a warning: stay silent now.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    has_device_ = !device.isNull();
    if (!has_device_)
        return;
    current_ = info.absoluteFilePath();
    effect_ = new QSoundEffect(device, this);
    effect_->setLoopCount(loop ? static_cast<int>(QSoundEffect::Infinite) : 1);
    effect_->setSource(QUrl::fromLocalFile(current_));
    // The effect loads the file on its own; it starts once it has it, or stays silent when
    // the file is no WAV it can read.
    effect_->play();
    connect(effect_, &QSoundEffect::playingChanged, this, [this, effect = effect_] {
        if (effect == effect_ && !effect_->isPlaying() &&
            effect_->status() != QSoundEffect::Loading)
            current_.clear();
    });
}

void QtSoundOutput::StopNow() {
    current_.clear();
    if (effect_ == nullptr)
        return;
    effect_->stop();
    effect_->deleteLater();
    effect_ = nullptr;
}

}  // namespace dedevev

#include "resources/views/QtSoundOutput.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMetaObject>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace dedevev {

QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

QtSoundOutput::~QtSoundOutput() {
    StopNow();
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

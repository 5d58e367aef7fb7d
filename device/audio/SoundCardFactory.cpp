#include <mutex>
#include <utility>

#include "device/audio/ISoundCard.h"

namespace dedevev::audio {

namespace {

std::mutex& FactoryMutex() {
    static std::mutex mutex;
    return mutex;
}

SoundCardFactory& Factory() {
    static SoundCardFactory factory;
    return factory;
}

}  // namespace

void SetDefaultSoundCardFactory(SoundCardFactory factory) {
    const std::lock_guard lock(FactoryMutex());
    Factory() = std::move(factory);
}

std::unique_ptr<ISoundCard> MakeDefaultSoundCard() {
    SoundCardFactory factory;
    {
        const std::lock_guard lock(FactoryMutex());
        factory = Factory();
    }
    return factory ? factory() : nullptr;
}

}  // namespace dedevev::audio

#include "voice/VoiceAudioEngine.h"

#include <cstdio>
#include <utility>

#include "core/AppSettings.h"
#include "device/DeviceHolder.h"
#include "device/IHardwareInfo.h"
#include "device/audio/AudioFormat.h"

namespace dedevev {

namespace {

// Streams 0 and 1 capture, 2 and 3 play: every step takes them in this order and ends at
// the first stream that fails.
constexpr int kStreamOrder[] = {0, 1, 2, 3};

bool EachStream(audio::IAudioLib* lib, bool (audio::IAudioStream::*step)()) {
    for (int index : kStreamOrder) {
        audio::IAudioStream* stream = lib->Stream(index);
        if (stream == nullptr || !(stream->*step)())
            return false;
    }
    return true;
}

}  // namespace

VoiceAudioEnvironment DefaultVoiceAudioEnvironment() {
    VoiceAudioEnvironment env;
    env.voice_port = [] {
        IHardwareInfo* hardware = Devices().Hardware();
        return hardware != nullptr ? hardware->GetVoicePort() : std::string();
    };
    env.create = [](const std::string& port, int baud) {
        return audio::CreateAudioLib(port, baud);
    };
    env.release = audio::ReleaseAudioLib;
    env.show_wave = [] { return CurrentSettings().options.show_wave; };
    env.voice_loop = [] { return CurrentSettings().options.voice_loop; };
    env.modem_present = [] { return Devices().ModemAgent() != nullptr; };
    return env;
}

VoiceAudioEngine::VoiceAudioEngine(VoiceAudioEnvironment environment)
    : env_(std::move(environment)) {
    const std::string port = env_.voice_port ? env_.voice_port() : std::string();
    if (port.empty() || !env_.create)
        return;  // a card without a voice port carries the speech itself
    lib_ = env_.create(port, audio::kVoicePortBaud);
    if (lib_ == nullptr)
        return;
    if (!Open()) {
        NoLibrary(lib_->LastError());
        return;
    }
    if (env_.show_wave && env_.show_wave())
        ShowWave();
    if (env_.modem_present && env_.modem_present() && env_.voice_loop && env_.voice_loop())
        Start();
}

VoiceAudioEngine::~VoiceAudioEngine() {
    wave_.reset();  // detaches from the streams before they go
    if (lib_ == nullptr)
        return;
    for (int index : kStreamOrder) {
        if (audio::IAudioStream* stream = lib_->Stream(index)) {
            stream->Stop();
            stream->Close();
        }
    }
    if (env_.release)
        env_.release(lib_);
}

bool VoiceAudioEngine::Open() {
    return EachStream(lib_, &audio::IAudioStream::Open);
}

void VoiceAudioEngine::NoLibrary(const std::string& why) {
    for (int index : kStreamOrder) {
        if (audio::IAudioStream* stream = lib_->Stream(index))
            stream->Close();
    }
    if (env_.release)
        env_.release(lib_);
    lib_ = nullptr;
    const std::string line =
        "voice audio: speech stays on the card (" + (why.empty() ? "cannot open" : why) + ")";
    if (env_.log)
        env_.log(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

bool VoiceAudioEngine::Start() {
    if (lib_ == nullptr)
        return false;
    const bool started = EachStream(lib_, &audio::IAudioStream::Start);
    if (env_.show_wave && env_.show_wave())
        ShowWave();
    if (wave_ != nullptr)
        wave_->ResumeRecorders();
    return started;
}

bool VoiceAudioEngine::Stop() {
    if (lib_ == nullptr)
        return false;
    const bool stopped = EachStream(lib_, &audio::IAudioStream::Stop);
    if (wave_ != nullptr)
        wave_->PauseRecorders();
    return stopped;
}

void VoiceAudioEngine::ShowWave() {
    if (lib_ == nullptr)
        return;
    if (wave_ == nullptr && env_.make_wave)
        wave_ = env_.make_wave(lib_);
    if (wave_ != nullptr)
        wave_->Show();
}

}  // namespace dedevev

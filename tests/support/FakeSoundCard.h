#pragma once
// A sound card for tests: the test speaks into its "microphone" and reads what reached its
// "speaker". Microphone samples reach the capture sink on a thread of the fake, in 20 ms
// chunks, as a real card's would; the fake can be told to fail Open.
//
//   auto card = std::make_unique<test::FakeSoundCard>();
//   test::FakeSoundCard* fake = card.get();
//   IAudioLib* lib = CreateAudioLib(port, 115200, std::move(card));
//   fake->Speak(samples);                // delivered while capture runs
//   fake->SpeakerSamples();              // everything played so far

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/audio/AudioFormat.h"
#include "device/audio/ISoundCard.h"

namespace dedevev::test {

class FakeSoundCard final : public audio::ISoundCard {
public:
    ~FakeSoundCard() override { StopCapture(); }

    // Open fails with `error` from now on (empty: it works again).
    void FailOpen(std::string error) {
        const std::lock_guard lock(mutex_);
        open_error_ = std::move(error);
    }
    // Queues samples for the microphone.
    void Speak(const std::vector<std::int16_t>& samples) {
        {
            const std::lock_guard lock(mutex_);
            microphone_.insert(microphone_.end(), samples.begin(), samples.end());
        }
        changed_.notify_all();
    }
    // Everything the speaker has played, in order.
    std::vector<std::int16_t> SpeakerSamples() const {
        const std::lock_guard lock(mutex_);
        return speaker_;
    }
    std::size_t SpeakerCount() const {
        const std::lock_guard lock(mutex_);
        return speaker_.size();
    }
    // Microphone samples not yet delivered.
    std::size_t Unspoken() const {
        const std::lock_guard lock(mutex_);
        return microphone_.size();
    }
    bool IsOpen() const {
        const std::lock_guard lock(mutex_);
        return open_;
    }
    bool Capturing() const {
        const std::lock_guard lock(mutex_);
        return sink_ != nullptr;
    }

    bool Open(std::string* error) override {
        const std::lock_guard lock(mutex_);
        if (!open_error_.empty()) {
            *error = open_error_;
            return false;
        }
        open_ = true;
        return true;
    }
    void Close() override {
        StopCapture();
        const std::lock_guard lock(mutex_);
        open_ = false;
        playing_ = false;
    }
    bool StartCapture(audio::ISoundCardCapture* sink) override {
        std::unique_lock lock(mutex_);
        if (!open_ || sink_ != nullptr)
            return open_;
        sink_ = sink;
        stop_ = false;
        thread_ = std::thread([this] { Deliver(); });
        return true;
    }
    void StopCapture() override {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        const std::lock_guard lock(mutex_);
        sink_ = nullptr;
    }
    bool StartPlayback() override {
        const std::lock_guard lock(mutex_);
        playing_ = open_;
        return open_;
    }
    void StopPlayback() override {
        const std::lock_guard lock(mutex_);
        playing_ = false;
    }
    void Play(const std::int16_t* samples, std::size_t count) override {
        const std::lock_guard lock(mutex_);
        if (playing_)
            speaker_.insert(speaker_.end(), samples, samples + count);
    }
    void SetVolume(int percent) override {
        const std::lock_guard lock(mutex_);
        volume_ = percent;
    }
    int Volume() const override {
        const std::lock_guard lock(mutex_);
        return volume_;
    }

private:
    void Deliver() {
        std::unique_lock lock(mutex_);
        while (true) {
            changed_.wait(lock, [&] { return stop_ || !microphone_.empty(); });
            if (stop_)
                return;
            const std::size_t count = std::min(microphone_.size(), audio::kBlockSamples);
            const std::vector<std::int16_t> chunk(microphone_.begin(),
                                                  microphone_.begin() + static_cast<long>(count));
            microphone_.erase(microphone_.begin(), microphone_.begin() + static_cast<long>(count));
            audio::ISoundCardCapture* sink = sink_;
            lock.unlock();
            sink->OnCaptured(chunk.data(), chunk.size());
            lock.lock();
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string open_error_;
    bool open_ = false;
    bool playing_ = false;
    bool stop_ = false;
    int volume_ = 50;
    audio::ISoundCardCapture* sink_ = nullptr;
    std::deque<std::int16_t> microphone_;
    std::vector<std::int16_t> speaker_;
    std::thread thread_;
};

}  // namespace dedevev::test

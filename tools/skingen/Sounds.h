#pragma once
// The event sounds: short tones synthesised as 22050 Hz 16-bit mono PCM WAV files.

#include <string>
#include <vector>

namespace skingen {

struct Sound {
    std::string file;        // file name, exactly as the ring settings name it
    std::vector<short> pcm;  // 22050 Hz mono samples
};

constexpr int kSampleRate = 22050;

// ring.wav, call-connect.wav, call-disconnect.wav, sms.wav, callWaiting.wav.
std::vector<Sound> MakeSounds();

// RIFF/WAVE with one PCM "fmt " chunk and one "data" chunk.
std::vector<unsigned char> EncodeWav(const std::vector<short>& pcm);

}  // namespace skingen

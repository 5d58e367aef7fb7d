#pragma once
// The voice path's one format: 8 kHz, 16-bit little-endian, mono PCM, moved in 20 ms blocks.

#include <cstddef>

namespace dedevev::audio {

inline constexpr int kSampleRate = 8000;
inline constexpr int kBlockMs = 20;
inline constexpr std::size_t kBlockSamples = 160;
inline constexpr std::size_t kBlockBytes = kBlockSamples * 2;
// The voice port's line settings.
inline constexpr int kVoicePortBaud = 115200;
// At most this many blocks wait in each direction; beyond it the oldest is dropped, so the
// path never drifts behind the talk.
inline constexpr std::size_t kMaxQueuedBlocks = 3;

}  // namespace dedevev::audio

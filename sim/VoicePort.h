#pragma once
// The card's PCM voice path: 8 kHz, 16-bit little-endian mono in 320-byte blocks (20 ms).
// What a host plays into the voice port comes back (an echo of the far end); when nothing came
// in for 100 ms the far end sends a 425 Hz tone instead. No I/O: the card's loop feeds the
// bytes in and asks for a block every 20 ms.

#include <cstdint>
#include <string>
#include <string_view>

namespace dedevev::sim {

class VoicePort {
public:
    static constexpr std::size_t kBlockBytes = 320;
    static constexpr int kBlockMs = 20;
    static constexpr int kSilenceMs = 100;
    static constexpr int kToneHz = 425;
    static constexpr int kSampleRate = 8000;
    static constexpr std::size_t kMaxBuffered = 16000;  // one second; older bytes are dropped

    // Bytes the host wrote at `now_ms`.
    void Receive(std::string_view bytes, std::int64_t now_ms);
    // The next 20 ms block: the buffered echo (padded with silence), or the tone when nothing
    // came in during the last 100 ms.
    std::string NextBlock(std::int64_t now_ms);
    void Reset();

private:
    std::string echo_;
    std::int64_t last_input_ = -1;
    std::uint32_t phase_ = 0;  // samples of the tone sent so far
};

}  // namespace dedevev::sim

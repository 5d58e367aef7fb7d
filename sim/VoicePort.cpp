#include "sim/VoicePort.h"

#include <cmath>

namespace dedevev::sim {

void VoicePort::Receive(std::string_view bytes, std::int64_t now_ms) {
    if (bytes.empty())
        return;
    echo_.append(bytes.data(), bytes.size());
    if (echo_.size() > kMaxBuffered) {
        // Keep whole samples: drop an even number of bytes from the front.
        std::size_t drop = echo_.size() - kMaxBuffered;
        drop += drop % 2;
        echo_.erase(0, drop);
    }
    last_input_ = now_ms;
}

std::string VoicePort::NextBlock(std::int64_t now_ms) {
    const bool fresh = last_input_ >= 0 && now_ms - last_input_ < kSilenceMs;
    if (fresh || !echo_.empty()) {
        std::string block = echo_.substr(0, kBlockBytes);
        echo_.erase(0, block.size());
        block.resize(kBlockBytes, '\0');
        return block;
    }
    std::string block(kBlockBytes, '\0');
    constexpr double kTwoPi = 6.283185307179586;
    for (std::size_t i = 0; i < kBlockBytes / 2; ++i, ++phase_) {
        const double t = static_cast<double>(phase_ % kSampleRate) / kSampleRate;
        const auto sample =
            static_cast<std::int16_t>(std::lround(8000.0 * std::sin(kTwoPi * kToneHz * t)));
        const auto u = static_cast<std::uint16_t>(sample);
        block[2 * i] = static_cast<char>(u & 0xFF);
        block[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return block;
}

void VoicePort::Reset() {
    echo_.clear();
    last_input_ = -1;
    phase_ = 0;
}

}  // namespace dedevev::sim

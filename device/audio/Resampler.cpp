#include "device/audio/Resampler.h"

#include <cmath>

namespace dedevev::audio {

Resampler::Resampler(int from_rate, int to_rate)
    : step_(static_cast<double>(from_rate) / static_cast<double>(to_rate)) {}

void Resampler::Reset() {
    position_ = 0;
    previous_ = 0;
    primed_ = false;
}

void Resampler::Process(const std::int16_t* in, std::size_t count, std::vector<std::int16_t>* out) {
    if (count == 0)
        return;
    std::size_t first = 0;
    if (!primed_) {
        // The very first sample is where the output starts.
        previous_ = in[0];
        primed_ = true;
        first = 1;
        position_ = 0;
    }
    // Position 0 is `previous_`, position k (k >= 1) is in[first + k - 1].
    const auto available = static_cast<double>(count - first);
    while (position_ <= available) {
        const auto whole = static_cast<std::size_t>(position_);
        const double fraction = position_ - static_cast<double>(whole);
        const double a = whole == 0 ? previous_ : in[first + whole - 1];
        const double b = whole >= count - first ? a : in[first + whole];
        out->push_back(static_cast<std::int16_t>(std::lround(a + (b - a) * fraction)));
        position_ += step_;
    }
    position_ -= available;
    previous_ = in[count - 1];
}

}  // namespace dedevev::audio

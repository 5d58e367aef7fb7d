#pragma once
// Changes the sample rate of a mono 16-bit stream by linear interpolation, chunk by chunk: the
// position between input samples carries over from one chunk to the next, so a stream cut
// into chunks of any size comes out as if converted whole.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dedevev::audio {

class Resampler {
public:
    // Rates in Hz, both above 0.
    Resampler(int from_rate, int to_rate);

    // Appends the output for `count` more input samples to `out`.
    void Process(const std::int16_t* in, std::size_t count, std::vector<std::int16_t>* out);
    void Reset();

private:
    const double step_;    // input samples per output sample
    double position_ = 0;  // of the next output sample, from the previous chunk's last sample
    std::int16_t previous_ = 0;
    bool primed_ = false;
};

}  // namespace dedevev::audio

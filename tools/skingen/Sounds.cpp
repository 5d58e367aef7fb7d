#include "Sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace skingen {

namespace {

enum class Timbre {
    Bell,  // struck: a few partials dying away, the upper ones faster
    Soft,  // a held sine with a touch of second harmonic
};

struct Note {
    double start;   // seconds
    double freq;    // Hz
    double length;  // seconds until the note has faded out completely
    double gain;
    Timbre timbre;
};

// Equal-tempered pitch from a MIDI note number (69 = A4 = 440 Hz).
double Pitch(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

double Envelope(double t, double length, double attack, double release) {
    if (t < 0 || t >= length) {
        return 0;
    }
    double e = 1;
    if (t < attack) {
        e *= 0.5 - 0.5 * std::cos(M_PI * t / attack);
    }
    if (t > length - release) {
        e *= 0.5 + 0.5 * std::cos(M_PI * (t - (length - release)) / release);
    }
    return e;
}

void Render(std::vector<double>& mix, const Note& note) {
    struct Partial {
        double ratio;
        double level;
        double decay;  // seconds to fall by 1/e
    };
    static const Partial kBell[] = {
        {1.0, 1.0, 0.32}, {2.0, 0.32, 0.16}, {3.0, 0.10, 0.09}, {4.16, 0.05, 0.05}};
    static const Partial kSoft[] = {{1.0, 1.0, 1e9}, {2.0, 0.12, 1e9}};
    const Partial* partials = note.timbre == Timbre::Bell ? kBell : kSoft;
    const int count = note.timbre == Timbre::Bell ? 4 : 2;
    const double attack = note.timbre == Timbre::Bell ? 0.004 : 0.02;
    const double release = note.timbre == Timbre::Bell ? 0.04 : 0.06;
    const auto first = static_cast<std::size_t>(note.start * kSampleRate);
    const auto samples = static_cast<std::size_t>(note.length * kSampleRate);
    for (std::size_t i = 0; i < samples && first + i < mix.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double v = 0;
        for (int k = 0; k < count; ++k) {
            const Partial& p = partials[k];
            v += p.level * std::exp(-t / p.decay) * std::sin(2 * M_PI * note.freq * p.ratio * t);
        }
        mix[first + i] += note.gain * Envelope(t, note.length, attack, release) * v;
    }
}

std::vector<short> Mix(double seconds, const std::vector<Note>& notes, double peak) {
    std::vector<double> mix(static_cast<std::size_t>(seconds * kSampleRate), 0.0);
    for (const Note& note : notes) {
        Render(mix, note);
    }
    double top = 1e-9;
    for (double v : mix) {
        top = std::max(top, std::abs(v));
    }
    std::vector<short> pcm(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const double v = std::clamp(mix[i] * peak / top, -1.0, 1.0);
        pcm[i] = static_cast<short>(std::lround(v * 32767));
    }
    return pcm;
}

void Put16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutTag(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(tag[i]));
    }
}

}  // namespace

std::vector<unsigned char> EncodeWav(const std::vector<short>& pcm) {
    const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, kSampleRate);
    Put32(out, kSampleRate * 2);  // bytes per second
    Put16(out, 2);                // block align
    Put16(out, 16);               // bits per sample
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (short s : pcm) {
        Put16(out, static_cast<std::uint16_t>(s));
    }
    return out;
}

std::vector<Sound> MakeSounds() {
    const Timbre bell = Timbre::Bell;
    const Timbre soft = Timbre::Soft;
    std::vector<Sound> sounds;

    // Incoming call, played in a loop: a rising arpeggio answered by a second one, then a
    // pause so that the repeats breathe.
    std::vector<Note> ring;
    const int phrase1[] = {72, 76, 79, 84};
    const int phrase2[] = {79, 76, 79, 84};
    for (int i = 0; i < 4; ++i) {
        ring.push_back({0.00 + 0.13 * i, Pitch(phrase1[i]), 0.55, i == 3 ? 0.9 : 0.7, bell});
        ring.push_back({0.70 + 0.13 * i, Pitch(phrase2[i]), 0.55, i == 3 ? 0.9 : 0.7, bell});
    }
    sounds.push_back({"ring.wav", Mix(2.0, ring, 0.55)});

    // Call connected: a rising fourth.
    sounds.push_back(
        {"call-connect.wav",
         Mix(0.55, {{0.00, Pitch(79), 0.40, 0.8, bell}, {0.12, Pitch(84), 0.43, 1.0, bell}}, 0.5)});

    // Call ended: three falling notes.
    sounds.push_back({"call-disconnect.wav", Mix(0.65,
                                                 {{0.00, Pitch(84), 0.35, 0.9, bell},
                                                  {0.13, Pitch(79), 0.35, 0.85, bell},
                                                  {0.26, Pitch(72), 0.39, 0.8, bell}},
                                                 0.5)});

    // New message: a bright major triad, the top note held a little longer.
    sounds.push_back({"sms.wav", Mix(0.8,
                                     {{0.00, Pitch(81), 0.30, 0.8, bell},
                                      {0.09, Pitch(85), 0.30, 0.8, bell},
                                      {0.18, Pitch(88), 0.60, 1.0, bell}},
                                     0.5)});

    // Call waiting: two gentle beeps.
    sounds.push_back(
        {"callWaiting.wav",
         Mix(0.75, {{0.00, Pitch(81), 0.18, 1.0, soft}, {0.32, Pitch(81), 0.18, 1.0, soft}},
             0.35)});
    return sounds;
}

}  // namespace skingen

// Writes the default alarm sound: a two-tone (high-low) siren, 16-bit mono PCM.
// Usage: makesiren <output.wav>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kSeconds = 4.0;
constexpr double kToneSeconds = 0.5;   // each tone, high then low
constexpr double kHigh = 587.33, kLow = 440.0;
constexpr double kGlide = 0.015;       // seconds to slide between the tones (no clicks)
constexpr double kFade = 0.03;         // fade in and out at the ends
constexpr double kLevel = 0.55;

void Put16(std::ofstream& out, std::uint16_t v) {
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    out.write(b, 2);
}
void Put32(std::ofstream& out, std::uint32_t v) {
    Put16(out, std::uint16_t(v & 0xFFFF));
    Put16(out, std::uint16_t(v >> 16));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    const int frames = int(kRate * kSeconds);
    std::vector<std::int16_t> samples(frames);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double inTone = std::fmod(t, kToneSeconds);
        const bool high = int(t / kToneSeconds) % 2 == 0;
        double f = high ? kHigh : kLow;
        if (i > 0 && inTone < kGlide) {  // slide from the previous tone
            const double from = high ? kLow : kHigh;
            f = from + (f - from) * (inTone / kGlide);
        }
        phase += 2 * std::numbers::pi * f / kRate;
        if (phase > 2 * std::numbers::pi) phase -= 2 * std::numbers::pi;
        // Odd harmonics give the hard, horn-like sound of a siren.
        double v = std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5 + std::sin(7 * phase) / 7;
        v *= kLevel / 1.2;
        const double edge = std::min(t, kSeconds - t);
        if (edge < kFade) v *= edge / kFade;
        samples[i] = std::int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
    }

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    const std::uint32_t dataBytes = std::uint32_t(frames * 2);
    out.write("RIFF", 4);
    Put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1);          // PCM
    Put16(out, 1);          // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);  // bytes per second
    Put16(out, 2);          // bytes per frame
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, dataBytes);
    for (std::int16_t s : samples) Put16(out, std::uint16_t(s));
    return out.good() ? 0 : 1;
}

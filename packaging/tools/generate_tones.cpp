// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// Writes the program's two notification sounds as short 16-bit PCM mono WAV files:
// ConnectionLost.wav, a falling two-note chime, and ConnectedNow.wav, a rising one. The build
// makes them, so the tree holds no binary audio and every build produces the same bytes.
// Usage: varnoke_generate_tones <output folder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr double lengthSeconds = 0.7;
constexpr double secondNoteAt = 0.15;
constexpr double peakLevel = 0.45; // of full scale: clearly audible, never harsh

constexpr double noteC5 = 523.25;
constexpr double noteG5 = 783.99;

// One struck note: a fundamental and two softer overtones that die away faster, like a small bell.
// A short raised-cosine attack lets it start without a click.
void addNote(std::vector<double> &samples, double frequency, double start)
{
    constexpr double attack = 0.006;
    const auto first = static_cast<std::size_t>(start * sampleRate);
    for (std::size_t i = first; i < samples.size(); ++i) {
        const double t = double(i - first) / sampleRate;
        const double onset = t < attack ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack) : 1.0;
        const double phase = 2.0 * std::numbers::pi * frequency * t;
        samples[i] += onset
            * (std::exp(-t / 0.15) * std::sin(phase)
               + 0.30 * std::exp(-t / 0.07) * std::sin(2.0 * phase)
               + 0.12 * std::exp(-t / 0.04) * std::sin(3.0 * phase));
    }
}

std::vector<std::int16_t> chime(double firstFrequency, double secondFrequency)
{
    std::vector<double> samples(static_cast<std::size_t>(lengthSeconds * sampleRate), 0.0);
    addNote(samples, firstFrequency, 0.0);
    addNote(samples, secondFrequency, secondNoteAt);

    // Fade the tail to silence so the end never clicks.
    const std::size_t fade = sampleRate / 40;
    for (std::size_t i = 0; i < fade; ++i)
        samples[samples.size() - 1 - i] *= double(i) / double(fade);

    double peak = 0.0;
    for (const double s : samples)
        peak = std::max(peak, std::abs(s));
    std::vector<std::int16_t> pcm;
    pcm.reserve(samples.size());
    for (const double s : samples)
        pcm.push_back(static_cast<std::int16_t>(std::lround(s / peak * peakLevel * 32767.0)));
    return pcm;
}

void put16(std::string &out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xffu));
    out.push_back(static_cast<char>((value >> 8) & 0xffu));
}

void put32(std::string &out, std::uint32_t value)
{
    put16(out, value & 0xffffu);
    put16(out, value >> 16);
}

// The canonical 44-byte layout, little-endian: RIFF header, 16-byte PCM fmt chunk, data chunk.
bool writeWav(const std::filesystem::path &path, const std::vector<std::int16_t> &pcm)
{
    constexpr std::uint32_t channels = 1;
    constexpr std::uint32_t bytesPerSample = 2;
    const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * bytesPerSample);

    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, channels);
    put32(out, sampleRate);
    put32(out, sampleRate * channels * bytesPerSample);
    put16(out, channels * bytesPerSample);
    put16(out, 8 * bytesPerSample);
    out += "data";
    put32(out, dataBytes);
    for (const std::int16_t sample : pcm)
        put16(out, static_cast<std::uint16_t>(sample));

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    return !file.fail();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    struct Sound
    {
        const char *name;
        double firstFrequency;
        double secondFrequency;
    };
    const Sound sounds[] = {
        {"ConnectionLost.wav", noteG5, noteC5},
        {"ConnectedNow.wav", noteC5, noteG5},
    };
    for (const Sound &sound : sounds) {
        const std::filesystem::path path = folder / sound.name;
        if (!writeWav(path, chime(sound.firstFrequency, sound.secondFrequency))) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.string().c_str());
            std::filesystem::remove(path, error);
            return 1;
        }
    }
    return 0;
}

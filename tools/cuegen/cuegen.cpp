// cuegen: synthesizes the interface cue sounds as 16-bit mono 44.1 kHz PCM WAV files.
//
//     cuegen OUTDIR
//
// Every cue is built from sine partials under smooth envelopes: each note fades in from silence
// and back to silence, and the whole cue ends on a fade, so no cue starts or stops with a click.
// Each cue is then scaled so its loudest sample sits at -6 dBFS. There is no randomness: the
// same program writes the same bytes every run.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// -6 dBFS.
constexpr double kPeak = 0.5011872336272722;

using Samples = std::vector<double>;

Samples silence(double seconds)
{
    return Samples(static_cast<std::size_t>(std::lround(seconds * kSampleRate)), 0.0);
}

// A raised-cosine ramp from 0 to 1 over `length` seconds; 1 afterwards.
double fadeIn(double t, double length)
{
    if (t >= length)
        return 1.0;
    const double s = std::sin(0.5 * std::numbers::pi * t / length);
    return s * s;
}

// Amplitude of a struck note `t` seconds after its start: a short fade-in, an exponential decay
// with time constant `decay`, and a fade to exactly zero over the last `release` seconds before
// `length`.
double strikeEnvelope(double t, double length, double attack, double decay, double release)
{
    if (t < 0.0 || t >= length)
        return 0.0;
    return fadeIn(t, attack) * std::exp(-t / decay) * fadeIn(length - t, release);
}

struct Partial
{
    double ratio; // of the fundamental
    double gain;
    double decayScale; // higher partials die away faster
};

// Soft bell: strong fundamental, quiet octave and twelfth, a faint inharmonic shimmer.
const std::vector<Partial> kBell = {
    {1.0, 1.0, 1.0},
    {2.0, 0.28, 0.55},
    {3.0, 0.10, 0.35},
    {4.16, 0.04, 0.25},
};

// Adds one bell note starting at `start` seconds and lasting at most `length` seconds.
void addBellNote(Samples &out, double start, double frequency, double length, double gain,
                 double decay)
{
    const auto first = static_cast<std::size_t>(std::lround(start * kSampleRate));
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = static_cast<double>(i - first) / kSampleRate;
        if (t >= length)
            break;
        double sum = 0.0;
        for (const Partial &p : kBell) {
            if (frequency * p.ratio >= 0.45 * kSampleRate)
                continue;
            sum += p.gain * strikeEnvelope(t, length, 0.004, decay * p.decayScale, 0.012)
                * std::sin(kTwoPi * frequency * p.ratio * t);
        }
        out[i] += gain * sum;
    }
}

// Scales to the -6 dBFS peak and fades the tail so the last sample is silent.
Samples finish(Samples samples)
{
    const std::size_t tail = std::min<std::size_t>(samples.size(), kSampleRate / 100);
    for (std::size_t i = 0; i < tail; ++i) {
        const std::size_t index = samples.size() - tail + i;
        samples[index] *= fadeIn(static_cast<double>(tail - i - 1) / kSampleRate,
                                 static_cast<double>(tail) / kSampleRate);
    }
    double loudest = 0.0;
    for (double s : samples)
        loudest = std::max(loudest, std::abs(s));
    if (loudest > 0.0) {
        for (double &s : samples)
            s *= kPeak / loudest;
    }
    return samples;
}

double noteFrequency(int semitonesFromA4)
{
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// Menu opens: C5 E5 G5 C6 rising quickly, each note ringing into the next.
Samples makeOpen()
{
    Samples out = silence(0.35);
    const int notes[] = {3, 7, 10, 15};
    for (int n = 0; n < 4; ++n)
        addBellNote(out, 0.045 * n, noteFrequency(notes[n]), 0.35 - 0.045 * n, 0.75 + 0.08 * n,
                    0.09);
    return finish(std::move(out));
}

// Menu closes: C6 G5 E5 C5 falling, a little quicker and darker than the opening.
Samples makeClose()
{
    Samples out = silence(0.30);
    const int notes[] = {15, 10, 7, 3};
    for (int n = 0; n < 4; ++n)
        addBellNote(out, 0.04 * n, noteFrequency(notes[n]), 0.30 - 0.04 * n, 1.0 - 0.1 * n, 0.07);
    return finish(std::move(out));
}

// Something chosen: a bright blip whose pitch flicks up from E6 to A6 in its first 15 ms.
Samples makeSelect()
{
    Samples out = silence(0.08);
    double phase = 0.0;
    const double from = noteFrequency(19);
    const double to = noteFrequency(24);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double glide = std::min(1.0, t / 0.015);
        const double frequency = from * std::pow(to / from, glide);
        phase += kTwoPi * frequency / kSampleRate;
        const double envelope = strikeEnvelope(t, 0.08, 0.002, 0.03, 0.015);
        out[i] = envelope
            * (std::sin(phase) + 0.3 * std::sin(2.0 * phase) + 0.1 * std::sin(3.0 * phase));
    }
    return finish(std::move(out));
}

// Confirmed: A5 then C#6 (a major third up), two bell strikes that ring together.
Samples makeConfirm()
{
    Samples out = silence(0.42);
    addBellNote(out, 0.0, noteFrequency(12), 0.42, 0.85, 0.12);
    addBellNote(out, 0.09, noteFrequency(16), 0.33, 1.0, 0.13);
    return finish(std::move(out));
}

// Cancelled: a low, reedy tone sliding down from D4 to A3 with its odd harmonics rolled off,
// so it buzzes without rasping.
Samples makeCancel()
{
    constexpr double length = 0.15;
    Samples out = silence(length);
    double phase = 0.0;
    const double from = noteFrequency(-7);
    const double to = noteFrequency(-12);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double frequency = from * std::pow(to / from, t / length);
        phase += kTwoPi * frequency / kSampleRate;
        double sum = 0.0;
        for (int k = 1; k <= 9; k += 2) {
            if (frequency * k < 0.45 * kSampleRate)
                sum += std::sin(k * phase) / std::pow(k, 1.6);
        }
        // A second, slightly flat voice makes the slow beating that reads as "buzz".
        sum += 0.35 * std::sin(0.985 * phase);
        out[i] = strikeEnvelope(t, length, 0.005, 0.09, 0.03) * sum;
    }
    return finish(std::move(out));
}

// Pointer over an entry: a tiny wooden tick, one fast-dying high partial over a soft body.
Samples makeHover()
{
    constexpr double length = 0.03;
    Samples out = silence(length);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        out[i]
            = strikeEnvelope(t, length, 0.001, 0.004, 0.008) * (0.6 * std::sin(kTwoPi * 2400.0 * t))
            + strikeEnvelope(t, length, 0.0015, 0.007, 0.01) * std::sin(kTwoPi * 1200.0 * t);
    }
    return finish(std::move(out));
}

void putU16(std::string &out, std::uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8));
}

void putU32(std::string &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

// The canonical 44-byte header (RIFF, "fmt " PCM, "data") followed by little-endian samples.
std::string encodeWave(const Samples &samples)
{
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    putU32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    putU32(out, 16);
    putU16(out, 1); // PCM
    putU16(out, 1); // mono
    putU32(out, kSampleRate);
    putU32(out, kSampleRate * 2); // bytes per second
    putU16(out, 2); // bytes per frame
    putU16(out, 16); // bits per sample
    out += "data";
    putU32(out, dataBytes);
    for (double s : samples) {
        const long value = std::clamp(std::lround(s * 32767.0), -32768L, 32767L);
        putU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
    }
    return out;
}

bool writeFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: cuegen OUTDIR\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cuegen: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }

    const struct
    {
        const char *name;
        std::function<Samples()> make;
    } cues[] = {
        {"zel_open.wav", makeOpen},     {"zel_close.wav", makeClose},
        {"zel_select.wav", makeSelect}, {"zel_confirm.wav", makeConfirm},
        {"zel_cancel.wav", makeCancel}, {"zel_hover.wav", makeHover},
    };
    for (const auto &cue : cues) {
        const std::filesystem::path path = folder / cue.name;
        if (!writeFile(path, encodeWave(cue.make()))) {
            std::fprintf(stderr, "cuegen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

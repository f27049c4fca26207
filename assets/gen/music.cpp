// "Track01.mp3": an upbeat synthwave loop, composed and synthesised here.
// 128 BPM in A minor, 36 bars: intro, A, B, A again, a breakdown and a
// wind-down on E that resolves into the intro's A minor when it loops.
#include "art.h"
#include "audio.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const int kStep = 2584;         // samples per 16th note (~128 BPM)
const int kBar = 16 * kStep;
const int kBars = 36;
const int kLength = kBars * kBar;  // ~67.5 s
const int kTail = 3 * kRate;       // room for the last notes' release

double hz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

struct Chord {
    int root;      // bass note, midi
    int tones[3];  // pad voicing, midi
};

const Chord Am{33, {57, 60, 64}}, F{29, {57, 60, 65}}, C{36, {55, 60, 64}}, G{31, {55, 59, 62}},
    Em{28, {55, 59, 64}}, Dm{38, {57, 62, 65}}, E{28, {56, 59, 64}};

// One chord per bar.
const Chord kSong[kBars] = {
    Am, F, C, G,                       // intro
    Am, F, C, G, Am, F, C, G,          // A
    F, G, Em, Am, Dm, F, G, E,         // B
    Am, F, C, G, Am, F, C, G,          // A again
    F, C, G, Am,                       // breakdown
    Am, F, G, E,                       // wind-down, back to the intro
};

enum Section { Intro, A, B, A2, Breakdown, Outro };

Section sectionOf(int bar)
{
    if (bar < 4) return Intro;
    if (bar < 12) return A;
    if (bar < 20) return B;
    if (bar < 28) return A2;
    if (bar < 32) return Breakdown;
    return Outro;
}

struct Note {
    int step;  // 16ths from the phrase start
    int len;   // 16ths
    int midi;
};

// Lead phrases.
const std::vector<Note> kPhraseA = {
    {0, 3, 69},  {3, 3, 72},  {6, 4, 76},  {10, 2, 74}, {12, 4, 72},                // Am
    {16, 3, 69}, {19, 3, 72}, {22, 4, 77}, {26, 2, 76}, {28, 4, 72},                // F
    {32, 3, 67}, {35, 3, 72}, {38, 4, 76}, {42, 2, 79}, {44, 4, 76},                // C
    {48, 6, 74}, {54, 2, 71}, {56, 4, 74}, {60, 4, 76},                             // G
};
const std::vector<Note> kPhraseAEnd = {
    {0, 3, 69},  {3, 3, 72},  {6, 4, 76},  {10, 2, 74}, {12, 4, 72},
    {16, 3, 69}, {19, 3, 72}, {22, 4, 77}, {26, 2, 76}, {28, 4, 72},
    {32, 3, 67}, {35, 3, 72}, {38, 4, 76}, {42, 2, 79}, {44, 4, 81},
    {48, 4, 79}, {52, 2, 74}, {54, 2, 71}, {56, 8, 74},
};
const std::vector<Note> kPhraseB = {
    {0, 6, 84},   {6, 2, 81},   {8, 4, 84},   {12, 4, 86},   // F
    {16, 6, 83},  {22, 2, 79},  {24, 4, 83},  {28, 4, 86},   // G
    {32, 4, 83},  {36, 4, 79},  {40, 8, 76},                 // Em
    {48, 12, 81},                                            // Am
    {64, 4, 77},  {68, 4, 81},  {72, 6, 86},  {78, 2, 84},   // Dm
    {80, 4, 81},  {84, 4, 84},  {88, 8, 77},                 // F
    {96, 4, 79},  {100, 4, 83}, {104, 4, 86}, {108, 4, 83},  // G
    {112, 6, 80}, {118, 2, 83}, {120, 8, 88},                // E
};

// Adds `len` samples of `fn(t)` at `at`, t in seconds from the note start.
template <class Fn>
void addNote(std::vector<float>& out, long at, long len, Fn fn)
{
    for (long i = 0; i < len && at + i < static_cast<long>(out.size()); ++i)
        out[at + i] += static_cast<float>(fn(static_cast<double>(i) / kRate));
}

double saw(double phase) { return 2 * (phase - std::floor(phase)) - 1; }

// ---- voices --------------------------------------------------------------

void kick(std::vector<float>& out, long at, double vel)
{
    double ph = 0;
    addNote(out, at, kRate * 4 / 10, [&](double t) {
        double f = 46 + 120 * std::exp(-t * 32);
        ph += 2 * kPi * f / kRate;
        double click = std::exp(-t * 400) * 0.4;
        return vel * (std::sin(ph) * std::exp(-t * 6.5) + click) * std::min(1.0, t * kRate / 8);
    });
}

void snare(std::vector<float>& out, long at, double vel, Prng& rng)
{
    OnePole low, body;
    double ph = 0;
    addNote(out, at, kRate * 3 / 10, [&](double t) {
        float n = static_cast<float>(rng.range(-1, 1));
        float bright = n - low.lowpass(n, lowpassCoeff(900));
        float soft = body.lowpass(bright, lowpassCoeff(7000));
        ph += 2 * kPi * (185 + 40 * std::exp(-t * 40)) / kRate;
        double tone = std::sin(ph) * std::exp(-t * 28);
        return vel * (0.9 * soft * std::exp(-t * 16) + 0.6 * tone) * std::min(1.0, t * kRate / 6);
    });
}

void hat(std::vector<float>& out, long at, double vel, bool open, Prng& rng)
{
    OnePole low;
    const double decay = open ? 11 : 55;
    addNote(out, at, open ? kRate * 4 / 10 : kRate / 10, [&](double t) {
        float n = static_cast<float>(rng.range(-1, 1));
        float high = n - low.lowpass(n, lowpassCoeff(7000));
        return vel * high * std::exp(-t * decay) * std::min(1.0, t * kRate / 4);
    });
}

void bass(std::vector<float>& out, long at, long len, int midi, double vel, double bright)
{
    OnePole a, b;
    double p1 = 0, p2 = 0, ps = 0;
    const double f = hz(midi);
    const long rel = kRate / 100;
    addNote(out, at, len + rel, [&](double t) {
        p1 += f * 1.0035 / kRate;
        p2 += f * 0.9965 / kRate;
        ps += 2 * kPi * f / kRate;
        double cutoff = 180 + bright * 1400 * std::exp(-t * 14);
        float k = lowpassCoeff(cutoff);
        float x = static_cast<float>(0.5 * (saw(p1) + saw(p2)));
        float y = b.lowpass(a.lowpass(x, k), k);
        double i = t * kRate;
        double env = std::min(1.0, i / 60) * (i < len ? 0.75 + 0.25 * std::exp(-t * 10) : 0.75 * (1 - (i - len) / rel));
        return vel * env * (0.8 * y + 0.55 * std::sin(ps));
    });
}

void padChord(std::vector<float>& out, long at, long len, const int* tones, double vel, double cutoff)
{
    const long rel = kRate * 35 / 100;
    for (int v = 0; v < 3; ++v) {
        const double f = hz(tones[v]);
        for (int d = -1; d <= 1; ++d) {
            OnePole a, b;
            double ph = 0.31 * v + 0.17 * (d + 1);
            const double detune = 1 + d * 0.0045;
            addNote(out, at, len + rel, [&](double t) {
                ph += f * detune / kRate;
                float k = lowpassCoeff(cutoff * (1 + 0.15 * std::sin(2 * kPi * 0.25 * t)));
                float y = b.lowpass(a.lowpass(static_cast<float>(saw(ph)), k), k);
                double i = t * kRate;
                double env = std::min(1.0, t / 0.22) * (i < len ? 1.0 : std::max(0.0, 1 - (i - len) / rel));
                return vel * env * y / 3.0;
            });
        }
    }
}

void lead(std::vector<float>& out, long at, long len, int midi, double vel)
{
    OnePole a, b;
    double ph = 0, ph2 = 0;
    const double f = hz(midi);
    const long rel = kRate * 6 / 100;
    addNote(out, at, len + rel, [&](double t) {
        double vib = 1 + 0.005 * std::sin(2 * kPi * 5.6 * t) * std::min(1.0, std::max(0.0, (t - 0.12) * 6));
        ph += f * vib / kRate;
        ph2 += f * vib * 1.004 / kRate;
        double frac = ph - std::floor(ph);
        double pulse = frac < 0.32 ? 1.0 : -1.0;
        float x = static_cast<float>(0.55 * pulse + 0.45 * saw(ph2));
        float k = lowpassCoeff(2600 + 2400 * std::exp(-t * 8));
        float y = b.lowpass(a.lowpass(x, k), k);
        double i = t * kRate;
        double env = std::min(1.0, i / 110) * (i < len ? 0.82 + 0.18 * std::exp(-t * 9) : 0.82 * (1 - (i - len) / rel));
        return vel * env * y;
    });
}

void pluck(std::vector<float>& out, long at, int midi, double vel, double cutoff)
{
    OnePole a;
    double ph = 0;
    const double f = hz(midi);
    addNote(out, at, kRate / 4, [&](double t) {
        ph += f / kRate;
        double sq = (ph - std::floor(ph)) < 0.5 ? 1.0 : -1.0;
        float y = a.lowpass(static_cast<float>(sq), lowpassCoeff(cutoff * (0.4 + std::exp(-t * 20))));
        return vel * y * std::exp(-t * 13) * std::min(1.0, t * kRate / 40);
    });
}

// Feedback echo, dotted eighth: the lead's space.
void echo(std::vector<float>& v, int delay, float feedback, float mix)
{
    std::vector<float> wet(v.size(), 0.0f);
    for (size_t i = static_cast<size_t>(delay); i < v.size(); ++i)
        wet[i] = (v[i - delay] + wet[i - delay]) * feedback;
    OnePole soften;
    for (size_t i = 0; i < v.size(); ++i)
        v[i] += mix * soften.lowpass(wet[i], lowpassCoeff(3000));
}

std::vector<float> compose()
{
    const size_t total = static_cast<size_t>(kLength + kTail);
    std::vector<float> drums(total), bassV(total), pad(total), leadV(total), arp(total);
    Prng rng{0x7ac01u};

    for (int bar = 0; bar < kBars; ++bar) {
        const long b0 = static_cast<long>(bar) * kBar;
        const Section sec = sectionOf(bar);
        const Chord& ch = kSong[bar];
        const int inSection = bar - (sec == Intro ? 0 : sec == A ? 4 : sec == B ? 12 : sec == A2 ? 20 : sec == Breakdown ? 28 : 32);

        // Drums.
        const bool full = sec == A || sec == B || sec == A2;
        for (int s = 0; s < 16; ++s) {
            long at = b0 + static_cast<long>(s) * kStep;
            bool four = s % 4 == 0;
            if (full && four)
                kick(drums, at, 1.0);
            if ((sec == Intro && bar >= 2 && (s == 0 || s == 8)) || (sec == Breakdown && s == 0) ||
                (sec == Outro && four && bar < 35) || (sec == Outro && bar == 35 && s == 0))
                kick(drums, at, 0.85);
            if (full && (s == 4 || s == 12))
                snare(drums, at, 0.8, rng);
            // Fills leading into the next section.
            if ((bar == 19 || bar == 27) && s >= 12)
                snare(drums, at, 0.35 + 0.1 * (s - 12), rng);
            if (bar == 11 && (s == 14 || s == 15))
                snare(drums, at, 0.5, rng);
            // Hats: off-beat eighths, sixteenths in B, sparse in the quiet parts.
            if ((full || sec == Outro || (sec == Intro && bar >= 2)) && s % 4 == 2)
                hat(drums, at, 0.5, full && s == 14 && bar % 2 == 1, rng);
            else if (sec == B && s % 2 == 1)
                hat(drums, at, 0.22, false, rng);
            else if (sec == Breakdown && bar >= 30 && s % 2 == 0)
                hat(drums, at, 0.12 + 0.02 * s, false, rng);
        }

        // Bass: octave-bouncing eighths; long notes in the breakdown.
        if (sec == Breakdown) {
            bass(bassV, b0, kBar - kStep / 2, ch.root, 0.8, 0.25);
        } else if (sec != Intro || bar >= 2) {
            for (int e = 0; e < 8; ++e) {
                int midi = ch.root + ((e % 2) ? 12 : 0);
                double vel = (e % 2) ? 0.7 : 0.9;
                double bright = sec == Intro ? 0.25 : (sec == Outro ? 0.5 - 0.1 * inSection : 0.8);
                bass(bassV, b0 + static_cast<long>(e) * 2 * kStep, 2 * kStep - 300, midi, vel, bright);
            }
        }

        // Pad: one chord a bar, darker in the intro, open in B.
        double cutoff = sec == B ? 2600 : sec == Intro ? 900 + 250 * bar : 1800;
        padChord(pad, b0, kBar - 200, ch.tones, sec == Breakdown ? 0.9 : 0.7, cutoff);

        // Arpeggio: chord tones an octave up, in sixteenths.
        if (sec == Intro || sec == A2 || sec == Breakdown || sec == Outro) {
            const int order[4] = {0, 1, 2, 1};
            for (int s = 0; s < 16; ++s) {
                int idx = order[s % 4];
                int midi = ch.tones[idx] + 12 + ((s % 8) >= 4 && idx == 0 ? 12 : 0);
                double cut = sec == Intro ? 1200 + 400 * bar : 3000;
                pluck(arp, b0 + static_cast<long>(s) * kStep, midi, sec == A2 ? 0.35 : 0.5, cut);
            }
        }
    }

    // Lead melody.
    auto phrase = [&](const std::vector<Note>& notes, int startBar, int transpose, double vel) {
        for (const Note& n : notes)
            lead(leadV, static_cast<long>(startBar) * kBar + static_cast<long>(n.step) * kStep,
                 static_cast<long>(n.len) * kStep - 400, n.midi + transpose, vel);
    };
    phrase(kPhraseA, 4, 0, 0.8);
    phrase(kPhraseAEnd, 8, 0, 0.8);
    phrase(kPhraseB, 12, 0, 0.75);
    phrase(kPhraseA, 20, 12, 0.55);
    phrase(kPhraseAEnd, 24, 12, 0.55);
    echo(leadV, 6 * kStep, 0.38f, 0.45f);

    // Pump: pad, bass and arp duck under every beat like a side-chained synth.
    std::vector<float> mix(total);
    for (size_t i = 0; i < total; ++i) {
        long inBeat = static_cast<long>(i % static_cast<size_t>(4 * kStep));
        int bar = static_cast<int>((i / kBar) % kBars);
        Section sec = sectionOf(bar);
        bool pumping = sec == A || sec == B || sec == A2 || sec == Outro;
        double duck = pumping ? 1 - 0.45 * std::exp(-inBeat / (0.09 * kRate)) : 1.0;
        mix[i] = static_cast<float>(0.95 * drums[i] + duck * (0.55 * bassV[i] + 0.42 * pad[i] + 0.28 * arp[i]) +
                                    0.36 * leadV[i]);
    }

    // The loop point: the song breathes out over its last sixteenth and
    // starts again from silence, so the decoder's few silent frames at the
    // seam sound like part of that break instead of a dropout, and the
    // wave meets itself at zero (no click).
    std::vector<float> song(mix.begin(), mix.begin() + kLength);
    const int fadeFrom = kLength - kStep, fadeTo = kLength - kStep / 3;
    for (int i = fadeFrom; i < kLength; ++i) {
        double g = i >= fadeTo ? 0.0 : 0.5 * (1 + std::cos(kPi * (i - fadeFrom) / (fadeTo - fadeFrom)));
        song[i] = static_cast<float>(song[i] * g);
    }

    // Gentle soft clip, then peak at -1 dBFS.
    float peak = 0;
    for (float v : song)
        peak = std::max(peak, std::fabs(v));
    for (float& v : song)
        v = static_cast<float>(std::tanh(1.3 * v / peak) / std::tanh(1.3));
    normalise(song, -1.0);
    return song;
}

}  // namespace

bool writeMusic(const std::string& dir)
{
    return writeMp3(dir + "Track01.mp3", compose(), 64);
}

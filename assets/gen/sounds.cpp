// Sound effects: the paddle "pok" and the two layers of a scored point.
#include "art.h"
#include "audio.h"

#include <algorithm>
#include <cmath>

namespace {

const double kTwoPi = 2 * 3.14159265358979323846;

std::vector<float> pok()
{
    // ~80 ms: a woody pitched knock (fast downward blip) plus a short click.
    const int n = kRate * 80 / 1000;
    std::vector<float> s(n);
    Prng rng{0x90c0001u};
    double ph = 0, ph2 = 0;
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double f = 380 + 520 * std::exp(-t * 90);
        ph += kTwoPi * f / kRate;
        ph2 += kTwoPi * f * 2.76 / kRate;
        double body = std::sin(ph) * std::exp(-t * 55) + 0.35 * std::sin(ph2) * std::exp(-t * 120);
        double click = lp.lowpass(static_cast<float>(rng.range(-1, 1)), lowpassCoeff(5000)) * std::exp(-t * 700);
        double attack = std::min(1.0, i / 20.0);  // no click from a hard start
        double tail = std::min(1.0, (n - 1 - i) / 60.0);
        s[i] = static_cast<float>((body + 1.8 * click) * attack * tail);
    }
    normalise(s, -1.5);
    return s;
}

std::vector<float> crack()
{
    // ~0.6 s: a noise crack with a falling electric zap behind it.
    const int n = kRate * 600 / 1000;
    std::vector<float> s(n);
    Prng rng{0xc4ac0001u};
    OnePole lp1, lp2, hp;
    double ph = 0, ph2 = 0;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        float noise = static_cast<float>(rng.range(-1, 1));
        // Crack: bright noise, very fast decay; then a rumble.
        float bright = noise - hp.lowpass(noise, lowpassCoeff(1800));
        double crackPart = bright * std::exp(-t * 38) * 1.2;
        double rumble = lp1.lowpass(noise, lowpassCoeff(400)) * std::exp(-t * 7) * 2.2;
        // Zap: a buzzy saw sweeping down, ring-modulated for grit.
        double f = 90 + 1900 * std::exp(-t * 9);
        ph += f / kRate;
        ph2 += kTwoPi * 57 / kRate;
        double saw = 2 * (ph - std::floor(ph)) - 1;
        double zap = lp2.lowpass(static_cast<float>(saw), lowpassCoeff(3200)) * (0.6 + 0.4 * std::sin(ph2)) *
                     std::exp(-t * 5.5) * 0.7;
        double attack = std::min(1.0, i / 12.0);
        double tail = std::min(1.0, (n - 1 - i) / 400.0);
        s[i] = static_cast<float>((crackPart + rumble + zap) * attack * tail);
    }
    normalise(s, -1.5);
    return s;
}

std::vector<float> ufo()
{
    // ~0.95 s: a descending sci-fi warble, vibrato speeding up as it falls.
    const int n = kRate * 950 / 1000;
    std::vector<float> s(n);
    double ph = 0, lfo = 0, ph3 = 0;
    OnePole lp;
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double u = t / 0.95;
        double base = 1400 * std::pow(0.16, u);  // 1400 Hz down to ~220 Hz
        lfo += kTwoPi * (7 + 10 * u) / kRate;
        double f = base * (1 + 0.18 * std::sin(lfo));
        ph += kTwoPi * f / kRate;
        ph3 += kTwoPi * f * 1.5 / kRate;
        double tri = 2 / 3.14159265358979323846 * std::asin(std::sin(ph));
        double v = 0.75 * tri + 0.25 * std::sin(ph3);
        double env = std::min(1.0, t / 0.03) * std::pow(1 - u, 1.4);
        s[i] = lp.lowpass(static_cast<float>(v * env), lowpassCoeff(4500));
    }
    normalise(s, -3);
    return s;
}

}  // namespace

bool writeSounds(const std::string& dir)
{
    bool ok = writeWav(dir + "sound.dat", pok());
    ok = writeWav(dir + "crack.dat", crack()) && ok;
    ok = writeWav(dir + "ufo.dat", ufo()) && ok;
    return ok;
}

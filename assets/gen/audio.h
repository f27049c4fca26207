// Shared sound tools: the output rate and the file writers.
#pragma once

#include <string>
#include <vector>

constexpr int kRate = 22050;  // Hz, everything the game plays

// Removes DC, then scales so the loudest sample sits at `peakDb` dBFS.
void normalise(std::vector<float>& s, double peakDb);

// 16-bit PCM mono WAV (the mixer rejects 32-bit PCM).
bool writeWav(const std::string& path, const std::vector<float>& s);

// Mono MP3 at kRate, CBR, no tags, so the bytes are the same every build.
bool writeMp3(const std::string& path, const std::vector<float>& s, int kbps);

// One-pole filters kept as plain state.
struct OnePole {
    float z = 0;  // last output
    float lowpass(float x, float a) { return z += a * (x - z); }  // a = 1 - exp(-2 pi fc / rate)
};
float lowpassCoeff(double hz);

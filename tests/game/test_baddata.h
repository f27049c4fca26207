// Bad bytes for the data-file tests: damaged BMP, WAV, AIFF and MP3 files,
// and whether the mixer is still open.
#pragma once

#include <cstdint>
#include <string>

// A BMP file with a 40-byte info header and the given fields; `pixelBytes`
// bytes of 0x40 follow the headers (a palette of `paletteEntries` entries
// comes first when asked for).
std::string bmpBytes(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression = 0,
                     uint32_t coloursUsed = 0, size_t pixelBytes = 64, uint32_t dataOffset = 0,
                     int paletteEntries = 0);
// A BMP file with the 12-byte OS/2 core header.
std::string coreBmpBytes(uint16_t width, uint16_t height, size_t pixelBytes = 64);
// A complete, valid 24-bit picture.
std::string goodBmpBytes(int width, int height);

// A 16-bit mono PCM WAV at 22050 Hz whose data chunk holds `samples`
// samples but claims `claimedBytes` bytes (0: the true size).
std::string wavBytes(int samples, uint32_t claimedBytes = 0);
// An AIFF file: 16-bit mono, `frames` frames present, `claimedFrames` in
// its COMM chunk; without SSND when `withSsnd` is false.
std::string aiffBytes(int frames, uint32_t claimedFrames, bool withSsnd = true);

// Whether the mixer's audio device is still open.
bool audioOpen();

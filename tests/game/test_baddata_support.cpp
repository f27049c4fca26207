// Builders of damaged data files for the bad-data tests.
#include "game/test_baddata.h"

#include "SDL.h"
#include "SDL_mixer.h"

namespace {

void le16(std::string& b, unsigned v)
{
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}

void le32(std::string& b, uint32_t v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

void be16(std::string& b, unsigned v)
{
    b += static_cast<char>((v >> 8) & 0xFF);
    b += static_cast<char>(v & 0xFF);
}

void be32(std::string& b, uint32_t v)
{
    be16(b, v >> 16);
    be16(b, v & 0xFFFF);
}

}  // namespace

std::string bmpBytes(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression,
                     uint32_t coloursUsed, size_t pixelBytes, uint32_t dataOffset, int paletteEntries)
{
    const uint32_t offset = dataOffset ? dataOffset : 54 + 4 * paletteEntries;
    std::string b = "BM";
    le32(b, static_cast<uint32_t>(54 + 4 * paletteEntries + pixelBytes));
    le32(b, 0);
    le32(b, offset);
    le32(b, 40);
    le32(b, static_cast<uint32_t>(width));
    le32(b, static_cast<uint32_t>(height));
    le16(b, 1);
    le16(b, bitsPerPixel);
    le32(b, compression);
    le32(b, static_cast<uint32_t>(pixelBytes));
    le32(b, 2835);
    le32(b, 2835);
    le32(b, coloursUsed);
    le32(b, 0);
    for (int i = 0; i < paletteEntries; ++i)
        le32(b, 0x00FFFF00u + static_cast<uint32_t>(i));
    b.append(pixelBytes, '\x40');
    return b;
}

std::string coreBmpBytes(uint16_t width, uint16_t height, size_t pixelBytes)
{
    std::string b = "BM";
    le32(b, static_cast<uint32_t>(26 + pixelBytes));
    le32(b, 0);
    le32(b, 26);
    le32(b, 12);
    le16(b, width);
    le16(b, height);
    le16(b, 1);
    le16(b, 24);
    b.append(pixelBytes, '\x40');
    return b;
}

std::string goodBmpBytes(int width, int height)
{
    const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    return bmpBytes(width, height, 24, 0, 0, row * static_cast<size_t>(height));
}

std::string wavBytes(int samples, uint32_t claimedBytes)
{
    const uint32_t bytes = static_cast<uint32_t>(samples) * 2;
    std::string b = "RIFF";
    le32(b, 36 + bytes);
    b += "WAVEfmt ";
    le32(b, 16);
    le16(b, 1);
    le16(b, 1);
    le32(b, 22050);
    le32(b, 44100);
    le16(b, 2);
    le16(b, 16);
    b += "data";
    le32(b, claimedBytes ? claimedBytes : bytes);
    for (int i = 0; i < samples; ++i)
        le16(b, i % 2 ? 0x2000 : 0xE000);
    return b;
}

std::string aiffBytes(int frames, uint32_t claimedFrames, bool withSsnd)
{
    std::string body = "AIFF";
    body += "COMM";
    be32(body, 18);
    be16(body, 1);              // channels
    be32(body, claimedFrames);  // sample frames
    be16(body, 16);             // bits
    body += std::string("\x40\x0D\xAC\x44\0\0\0\0\0\0", 10);  // 22050 Hz
    if (withSsnd) {
        body += "SSND";
        be32(body, 8 + 2 * static_cast<uint32_t>(frames));
        be32(body, 0);
        be32(body, 0);
        for (int i = 0; i < frames; ++i)
            be16(body, i % 2 ? 0x2000 : 0xE000);
    }
    std::string b = "FORM";
    be32(b, static_cast<uint32_t>(body.size()));
    return b + body;
}

bool audioOpen()
{
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&frequency, &format, &channels) != 0;
}

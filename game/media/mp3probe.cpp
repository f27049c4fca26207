#include "game/media/mp3probe.h"

#include <cstdio>
#include <vector>

namespace {

// Bytes of audio data looked through for the first frame after the tags.
const size_t scanWindow = 64 * 1024;

// Size of an ID3v2 tag starting at p (header, body and footer), or 0 when
// p does not start a well-formed tag header.
size_t id3v2TagSize(const unsigned char* p, size_t size)
{
    if (size < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3')
        return 0;
    if (p[3] == 0xFF || p[4] == 0xFF)
        return 0;
    for (int i = 6; i < 10; ++i)
        if (p[i] & 0x80)  // syncsafe: top bit of every size byte is clear
            return 0;
    size_t body = (static_cast<size_t>(p[6]) << 21) | (static_cast<size_t>(p[7]) << 14)
                  | (static_cast<size_t>(p[8]) << 7) | static_cast<size_t>(p[9]);
    size_t footer = (p[5] & 0x10) ? 10 : 0;
    return 10 + body + footer;
}

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]; index 0 is free format.
const int bitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

struct FrameHeader {
    int sampleRate;   // Hz
    int layer;        // 1..3
    int channelMode;  // Mp3ChannelMode
    size_t length;    // bytes of the whole frame; 0 for free format
};

bool decodeHeader(const unsigned char* p, FrameHeader& h)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    int version = (p[1] >> 3) & 3;  // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    int layerBits = (p[1] >> 1) & 3;
    int bitrateIndex = p[2] >> 4;
    int rateIndex = (p[2] >> 2) & 3;
    int padding = (p[2] >> 1) & 1;
    if (version == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3 || (p[3] & 3) == 2)
        return false;

    static const int mpeg1Rates[3] = {44100, 48000, 32000};
    int rate = mpeg1Rates[rateIndex];
    if (version == 2)
        rate /= 2;
    else if (version == 0)
        rate /= 4;

    h.sampleRate = rate;
    h.layer = 4 - layerBits;
    h.channelMode = p[3] >> 6;

    long bitsPerSecond = 1000L * bitrates[version == 3 ? 0 : 1][h.layer - 1][bitrateIndex];
    if (bitsPerSecond == 0)
        h.length = 0;
    else if (h.layer == 1)
        h.length = static_cast<size_t>((12 * bitsPerSecond / rate + padding) * 4);
    else if (h.layer == 3 && version != 3)
        h.length = static_cast<size_t>(72 * bitsPerSecond / rate + padding);
    else
        h.length = static_cast<size_t>(144 * bitsPerSecond / rate + padding);
    return true;
}

}  // namespace

bool probeMp3(const unsigned char* data, size_t size, Mp3Format& out)
{
    if (!data)
        return false;
    size_t pos = 0;
    for (;;) {
        size_t tag = id3v2TagSize(data + pos, size - pos);
        if (tag == 0)
            break;
        if (tag >= size - pos)
            return false;  // the tag runs to the end: no audio here
        pos += tag;
    }

    for (; pos + 4 <= size; ++pos) {
        FrameHeader h;
        if (!decodeHeader(data + pos, h))
            continue;
        // Like the decoder, trust a sync only when the next frame starts
        // with a sync too (when that next frame lies within the data).
        if (h.length != 0 && pos + h.length + 2 <= size) {
            const unsigned char* next = data + pos + h.length;
            if (next[0] != 0xFF || (next[1] & 0xE0) != 0xE0)
                continue;
        }
        out.sampleRate = h.sampleRate;
        out.channelMode = h.channelMode;
        out.channels = h.channelMode == mp3Mono ? 1 : 2;
        out.layer = h.layer;
        out.frameOffset = pos;
        return true;
    }
    return false;
}

Mp3FileResult probeMp3File(const char* path, Mp3Format& out)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return mp3FileUnreadable;

    // Jump over a leading tag without reading it: it may hold large pictures.
    unsigned char head[10];
    size_t skip = 0;
    if (std::fread(head, 1, sizeof head, f) == sizeof head)
        skip = id3v2TagSize(head, sizeof head);
    if (std::fseek(f, static_cast<long>(skip), SEEK_SET) != 0) {
        std::fclose(f);
        return mp3FileNoFrame;
    }
    std::vector<unsigned char> window(scanWindow);
    size_t got = std::fread(window.data(), 1, window.size(), f);
    bool readFailed = std::ferror(f) != 0;
    std::fclose(f);
    if (readFailed)
        return mp3FileUnreadable;

    if (!probeMp3(window.data(), got, out))
        return mp3FileNoFrame;
    out.frameOffset += skip;
    return mp3FileFound;
}

// Measured with the mixer opened as the game opens it (22050 Hz, signed
// 16-bit, mono, 512-sample chunks), playing a second of each file encoded at
// every MP3 rate, mono, stereo and joint stereo, with glibc's heap checks and
// under valgrind:
//
//   rate (Hz)                    mono        stereo / joint stereo
//   8000                         corrupts    corrupts
//   11025, 12000, 16000          clean       clean
//   22050, 24000                 clean       clean
//   32000, 44100, 48000          clean       corrupts ("double free or corruption")
//
// Dual channel is decoded as two channels, so it is treated as stereo.
bool mixerConvertsSafely(const Mp3Format& format)
{
    if (format.sampleRate < 11025)
        return false;
    if (format.sampleRate >= 32000 && format.channels != 1)
        return false;
    return true;
}

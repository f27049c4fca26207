#include "game/media/soundfile.h"

#include <cstdint>
#include <cstring>

#include "SDL.h"

namespace {

uint32_t le32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t be32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

unsigned be16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

void putLe32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool startsWith(const std::vector<unsigned char>& b, size_t at, const char* tag)
{
    return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

// Mend: a WAVE chunk that claims more bytes than the file holds is cut to
// the bytes there; the mixer would read past the end of the file.
void boundWaveChunks(std::vector<unsigned char>& b)
{
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        uint64_t length = le32(&b[pos + 4]);
        uint64_t there = b.size() - pos - 8;
        if (length > there) {
            putLe32(&b[pos + 4], static_cast<uint32_t>(there));
            return;
        }
        pos += 8 + length + (length & 1);
    }
}

// Mend: the mixer walks the chunks of an AIFF or 8SVX file, without padding,
// until it has seen both chunks it needs; a walk that leaves the file
// first never ends. So every chunk up to those two must lie inside the
// file. For AIFF the sample data the header claims must also be in the
// file where SSND says it starts: the mixer allocates it before reading,
// and loses that memory when the read fails.
bool formFits(const std::vector<unsigned char>& b)
{
    const bool aiff = startsWith(b, 8, "AIFF") || startsWith(b, 8, "AIFC");
    if (!aiff && !startsWith(b, 8, "8SVX"))
        return true;  // the mixer refuses these by itself
    const char* header = aiff ? "COMM" : "VHDR";
    const char* samples = aiff ? "SSND" : "BODY";
    bool seenHeader = false, seenSamples = false;
    uint64_t sampleBytes = 0, sampleStart = 0;
    uint64_t pos = 12;
    while (!(seenHeader && seenSamples)) {
        if (pos + 8 > b.size())
            return false;
        uint64_t end = pos + 8 + be32(&b[pos + 4]);
        if (end > b.size())
            return false;
        if (startsWith(b, pos, header)) {
            seenHeader = true;
            if (aiff && end >= pos + 16) {
                uint64_t channels = be16(&b[pos + 8]);
                uint64_t frames = be32(&b[pos + 10]);
                sampleBytes = channels * frames * (be16(&b[pos + 14]) / 8);
            }
        }
        if (startsWith(b, pos, samples)) {
            seenSamples = true;
            if (aiff && end >= pos + 12)
                sampleStart = pos + 16 + be32(&b[pos + 8]);  // after offset and block size
        }
        pos = end;
    }
    return !aiff || sampleStart + sampleBytes <= b.size();
}

}  // namespace

bool readSoundFile(const char* file, std::vector<unsigned char>& bytes)
{
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    if (!rw)
        return false;
    bytes.clear();
    unsigned char chunk[4096];
    int n;
    while ((n = SDL_RWread(rw, chunk, 1, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    SDL_RWclose(rw);
    return n == 0;
}

bool boundSoundSizes(std::vector<unsigned char>& bytes)
{
    if (startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "WAVE"))
        boundWaveChunks(bytes);
    else if (startsWith(bytes, 0, "FORM"))
        return formFits(bytes);
    return true;
}

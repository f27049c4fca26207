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
// file. It reads the fields of COMM, VHDR and SSND whatever length their
// chunk gives, and for AIFF allocates the sample data COMM claims before
// reading it from where SSND says it starts: a read that fails (data past
// the chunk, or no data at all) loses that buffer and the stream.
// Mend: an AIFF whose COMM or SSND chunk cannot hold what it claims, or
// whose COMM claims no samples, is refused before the mixer sees it.
bool formFits(const std::vector<unsigned char>& b)
{
    const bool aiff = startsWith(b, 8, "AIFF") || startsWith(b, 8, "AIFC");
    if (!aiff && !startsWith(b, 8, "8SVX"))
        return true;  // the mixer refuses these by itself
    const char* header = aiff ? "COMM" : "VHDR";
    const char* samples = aiff ? "SSND" : "BODY";
    const uint64_t headerBytes = aiff ? 18 : 14;  // the fields the mixer reads
    bool seenHeader = false, seenSamples = false;
    uint64_t sampleBytes = 0, sampleStart = 0, samplesEnd = 0;
    uint64_t pos = 12;
    while (!(seenHeader && seenSamples)) {
        if (pos + 8 > b.size())
            return false;
        const uint64_t length = be32(&b[pos + 4]);
        const uint64_t end = pos + 8 + length;
        if (end > b.size())
            return false;
        if (startsWith(b, pos, header)) {
            seenHeader = true;
            if (length < headerBytes)
                return false;
            if (aiff)
                sampleBytes = uint64_t{be16(&b[pos + 8])} * be32(&b[pos + 10]) * (be16(&b[pos + 14]) / 8);
        }
        if (startsWith(b, pos, samples)) {
            seenSamples = true;
            if (aiff && length < 8)
                return false;
            if (aiff)
                sampleStart = pos + 16 + be32(&b[pos + 8]);  // after offset and block size
            samplesEnd = end;
        }
        pos = end;
    }
    return !aiff || (sampleBytes > 0 && sampleStart + sampleBytes <= samplesEnd);
}

// The mixer's VOC reader allocates the first sound block's claimed size,
// then reads block after block; a block that fails to read after that
// loses the buffer and the stream, and a block claiming more than the
// file holds grows the buffer by bytes never read. It also divides by
// the channel count an extended block leaves (none until a stereo one),
// and silence by 256 minus the rate. So the walk below takes the blocks as
// the mixer does (it keeps to the fields it knows, not to the block
// length, for silence and extended blocks) and refuses any block that
// would fail or crash there, or reach past the end of the file.
// Mend: a VOC effect with a damaged or inconsistent block, a mono extended
// block before any stereo one, or silence after a rate of 256 is refused
// before the mixer sees it.
bool vocFits(const std::vector<unsigned char>& b)
{
    enum : unsigned { term = 0, data = 1, silence = 3, marker = 4, extended = 8, data16 = 9 };
    const uint64_t noRate = 0xFFFFFFFFu;
    if (b.size() < 22)
        return true;  // the mixer refuses it before allocating
    uint64_t pos = b[20] | b[21] << 8;
    uint64_t rate = noRate;  // one rate for every block, as the mixer keeps it
    bool afterExtended = false;
    bool stereo = false;  // an extended block has set two channels
    auto takeRate = [&rate](uint64_t r) {
        if (r == 0 || (rate != noRate && r != rate))
            return false;
        rate = r;
        return true;
    };
    while (pos + 4 <= b.size() && b[pos] != term) {
        const unsigned type = b[pos];
        const uint64_t length = b[pos + 1] | b[pos + 2] << 8 | uint64_t{b[pos + 3]} << 16;
        const uint64_t at = pos + 4;
        uint64_t fields = 0;          // bytes the mixer reads first
        uint64_t next = at + length;  // where it reads the next block
        switch (type) {
        case data:
            fields = 2;
            break;
        case data16:
            fields = 12;
            break;
        case silence:
            fields = 3;
            next = at + fields;
            break;
        case extended:
            fields = 4;
            next = at + fields;
            break;
        case marker:
            fields = 2;
            next += 2;
            break;
        }
        if (next < at + fields || next > b.size())
            return false;
        const unsigned char* f = b.data() + at;
        switch (type) {
        case data:
            if ((!afterExtended && !takeRate(f[0])) || f[1] != 0)
                return false;
            afterExtended = false;
            break;
        case data16:
            if (!takeRate(le32(f)) || (f[4] != 8 && f[4] != 16))
                return false;
            break;
        case silence:
            if (f[2] == 0 || rate == 256)
                return false;
            if (rate == noRate)
                rate = f[2];  // a differing code only stretches the silence
            break;
        case extended:
            stereo = stereo || f[3] != 0;
            if (!takeRate(f[0] | f[1] << 8) || f[2] != 0 || !stereo)
                return false;
            afterExtended = true;
            break;
        default:
            break;  // continuation, marker, text, loops and unknown blocks
        }
        pos = next;
    }
    return true;
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
    else if (bytes.size() >= 20 && std::memcmp(bytes.data(), "Creative Voice File\x1a", 20) == 0)
        return vocFits(bytes);
    return true;
}

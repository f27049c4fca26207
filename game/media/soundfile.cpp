#include "game/media/soundfile.h"

#include <climits>
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
// the bytes there; the mixer would read past the end of the file. Chunks
// start at pos: after "RIFF", its length and "WAVE", or after a bare "WAVE",
// which the mixer and SDL read as well (and then allocate what "data" claims).
void boundWaveChunks(std::vector<unsigned char>& b, size_t pos)
{
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

// Mend: the mixer walks the chunks of an AIFF or 8SVX file, each odd one
// followed by a pad byte, until it has seen both chunks it needs; a walk
// that leaves the file first never ends (past the end its reads fail and
// leave the last length in place, so it seeks to the end again and again).
// So every chunk up to those two must lie inside the file. It reads the fields of COMM, VHDR and SSND whatever length their
// chunk gives, and for AIFF allocates the sample data COMM claims before
// reading it from where SSND says it starts: a read that fails (data past
// the chunk, or no data at all) loses that buffer and the stream.
// Mend: an AIFF whose COMM or SSND chunk cannot hold what it claims, or
// whose COMM claims no samples, is refused before the mixer sees it.
bool formFits(const std::vector<unsigned char>& b)
{
    // The mixer also takes "FORM" then "FFIA" for an AIFF without its
    // length, whose chunks start at byte 8.
    const bool lengthless = startsWith(b, 4, "FFIA");
    const bool aiff = lengthless || startsWith(b, 8, "AIFF") || startsWith(b, 8, "AIFC");
    if (!aiff && !startsWith(b, 8, "8SVX"))
        return true;  // the mixer refuses these by itself
    const char* header = aiff ? "COMM" : "VHDR";
    const char* samples = aiff ? "SSND" : "BODY";
    const uint64_t headerBytes = aiff ? 18 : 14;  // the fields the mixer reads
    bool seenHeader = false, seenSamples = false;
    uint64_t sampleBytes = 0, sampleStart = 0, samplesEnd = 0;
    uint64_t pos = lengthless ? 8 : 12;
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
        pos = end + (length & 1);
    }
    return !aiff || (sampleBytes > 0 && sampleStart + sampleBytes <= samplesEnd);
}

// The mixer's VOC reader, as far as what it reads and allocates goes. It
// allocates the first sound block's size, then reads block after block,
// growing the buffer by each; a block that fails to read then loses the
// buffer and the stream. After a block of no sound (the terminator, the
// end of the file, an empty sound block) it reads one block more, past a
// terminator too, and writes that block's sound where the buffer has no
// room for it. It divides by the channel count an extended block leaves
// (none until a stereo one) and silence by 256 minus the rate, takes its
// sample size from the first 8- or 16-bit sound block (unset before), and
// keeps the length in 32 bits, which silence (64 KiB in 7 bytes) can pass.
const uint64_t vocNoRate = 0xFFFFFFFFu;

struct VocWalk {
    const std::vector<unsigned char>& b;
    uint64_t pos;                // byte where the mixer reads next
    uint64_t rate = vocNoRate;   // one rate for every block, as the mixer keeps it
    bool afterExtended = false;  // the next sound block takes the extended block's rate
    bool stereo = false;         // an extended block has set two channels
    bool sized = false;          // a sound block has set the sample size
};

bool takeVocRate(VocWalk& w, uint64_t rate)
{
    if (rate == 0 || (w.rate != vocNoRate && rate != w.rate))
        return false;
    w.rate = rate;
    return true;
}

// One call of the mixer's block reader: false where it fails or crashes,
// or the block reaches past the end of the file; otherwise `rest` is the
// bytes of sound the block holds, 0 at the terminator or the end of the
// file.
bool nextVocBlock(VocWalk& w, uint64_t& rest)
{
    enum : unsigned { term = 0, data = 1, cont = 2, silence = 3, marker = 4, extended = 8, data16 = 9 };
    const std::vector<unsigned char>& b = w.b;
    rest = 0;
    for (;;) {
        if (w.pos >= b.size())
            return true;
        const unsigned type = b[w.pos];
        if (type == term) {
            w.pos += 1;
            return true;
        }
        if (w.pos + 4 > b.size()) {
            w.pos = b.size();
            return true;
        }
        const uint64_t length = b[w.pos + 1] | b[w.pos + 2] << 8 | uint64_t{b[w.pos + 3]} << 16;
        const uint64_t at = w.pos + 4;
        uint64_t fields = 0;           // bytes the mixer reads first
        uint64_t after = at + length;  // where it reads the next block
        switch (type) {
        case data:
            fields = 2;
            break;
        case data16:
            fields = 12;
            break;
        case silence:
            fields = 3;
            after = at + fields;
            break;
        case extended:
            fields = 4;
            after = at + fields;
            break;
        case marker:
            fields = 2;
            after += 2;
            break;
        }
        if (after < at + fields || after > b.size())
            return false;
        const unsigned char* f = b.data() + at;
        w.pos = after;
        switch (type) {
        case data:
            if ((!w.afterExtended && !takeVocRate(w, f[0])) || f[1] != 0)
                return false;
            w.afterExtended = false;
            w.sized = true;
            rest = length - fields;
            return true;
        case data16:
            if (!takeVocRate(w, le32(f)) || (f[4] != 8 && f[4] != 16))
                return false;
            w.sized = true;
            rest = length - fields;
            return true;
        case cont:
            rest = length;
            return w.sized;
        case silence: {
            const unsigned code = f[2];
            uint32_t period = f[0] | f[1] << 8;
            if (code == 0 || w.rate == 256 || !w.sized)
                return false;
            if (w.rate == vocNoRate)
                w.rate = code;
            else if (code != w.rate)  // stretched to the rate, as the mixer does
                period = static_cast<uint16_t>(period * (256 - code) / (256 - static_cast<uint32_t>(w.rate)));
            rest = period;
            return true;
        }
        case extended:
            w.stereo = w.stereo || f[3] != 0;
            if (!takeVocRate(w, f[0] | f[1] << 8) || f[2] != 0 || !w.stereo)
                return false;
            w.afterExtended = true;
            break;
        default:
            break;  // marker, text, loops and unknown blocks
        }
    }
}

// Mend: a VOC effect is refused when a block would fail or crash in the
// mixer's reader or reach past the end of the file, when it starts without
// sound or has sound after a block of none, when silence or a continuation
// comes before the first sound block, or when it holds more than 2 GiB.
bool vocFits(const std::vector<unsigned char>& b)
{
    if (b.size() < 22)
        return true;  // the mixer refuses it before allocating
    VocWalk walk{b, uint64_t{b[20]} | uint64_t{b[21]} << 8};
    uint64_t rest = 0;
    if (!nextVocBlock(walk, rest) || walk.rate == vocNoRate || rest == 0)
        return false;
    uint64_t sound = rest;
    for (;;) {
        if (!nextVocBlock(walk, rest))
            return false;
        // The mixer stops unless the block after holds sound; it checks no
        // length against the file, so that block must read whole too.
        if (rest == 0)
            return nextVocBlock(walk, rest) && rest == 0;
        sound += rest;
        if (sound > INT_MAX)
            return false;
    }
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
        boundWaveChunks(bytes, 12);
    else if (startsWith(bytes, 0, "WAVE"))
        boundWaveChunks(bytes, 4);
    else if (startsWith(bytes, 0, "FORM"))
        return formFits(bytes);
    else if (bytes.size() >= 20 && std::memcmp(bytes.data(), "Creative Voice File\x1a", 20) == 0)
        return vocFits(bytes);
    return true;
}

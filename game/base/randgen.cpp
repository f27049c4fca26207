#include "game/base/randgen.h"

namespace {

const int shortLag = 3;        // the second tap
const int droppedOutputs = 10 * randLag;  // glibc discards these after seeding

}  // namespace

RandGen seededRandGen(Uint32 seed)
{
    RandGen g{};
    Sint32* r = g.words;
    r[0] = static_cast<Sint32>(seed == 0 ? 1 : seed);
    for (int i = 1; i < randLag; ++i) {
        // 16807 * r[i-1] mod (2^31 - 1), without overflow
        const Sint32 hi = r[i - 1] / 127773;
        const Sint32 lo = r[i - 1] % 127773;
        Sint32 word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        r[i] = word;
    }
    g.front = shortLag;
    for (int i = 0; i < droppedOutputs; ++i)
        nextRand(g);
    return g;
}

int nextRand(RandGen& g)
{
    // r[k] = r[k-3] + r[k-31]: words[front] holds r[k-31] and becomes r[k].
    Sint32* r = g.words;
    const int back = (g.front + randLag - shortLag) % randLag;
    const Uint32 sum = static_cast<Uint32>(r[g.front]) + static_cast<Uint32>(r[back]);
    r[g.front] = static_cast<Sint32>(sum);
    g.front = (g.front + 1) % randLag;
    return static_cast<int>(sum >> 1);
}

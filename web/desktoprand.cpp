// rand() and srand() of the browser build, giving the numbers the desktop's
// C library (glibc) gives: an additive feedback generator over 34 words
// seeded by a multiplicative one, the first 310 outputs dropped. The game
// never seeds it, and the computer's smashes hang on its draws, so the same
// draws make the same matches in both builds. Emscripten's own rand is
// another generator; defining both calls here keeps it out of the link.
#include <cstdint>
#include <cstdlib>

namespace {

const int lag = 31;      // words of state
const int shortLag = 3;  // the second tap

struct Generator {
    int32_t words[lag];
    int front;  // index of the word that the next output adds to
    bool seeded;
} generator;

void seedGenerator(unsigned seed)
{
    int32_t* r = generator.words;
    r[0] = static_cast<int32_t>(seed == 0 ? 1 : seed);
    for (int i = 1; i < lag; ++i) {
        // 16807 * r[i-1] mod (2^31 - 1), without overflow
        const int32_t hi = r[i - 1] / 127773;
        const int32_t lo = r[i - 1] % 127773;
        int32_t word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        r[i] = word;
    }
    generator.front = shortLag;
    generator.seeded = true;
    for (int i = 0; i < 10 * lag; ++i)
        std::rand();
}

}  // namespace

extern "C" {

void srand(unsigned seed)
{
    seedGenerator(seed);
}

int rand(void)
{
    if (!generator.seeded)
        seedGenerator(1);
    // r[k] = r[k-3] + r[k-31]: words[front] holds r[k-31] and becomes r[k].
    int32_t* r = generator.words;
    const int back = (generator.front + lag - shortLag) % lag;
    const uint32_t sum = static_cast<uint32_t>(r[generator.front]) + static_cast<uint32_t>(r[back]);
    r[generator.front] = static_cast<int32_t>(sum);
    generator.front = (generator.front + 1) % lag;
    return static_cast<int>(sum >> 1);
}

}  // extern "C"

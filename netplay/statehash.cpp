#include "netplay/statehash.h"

#include "game/base/state.h"
#include "game/match/match.h"

namespace {

struct Fnv {
    std::uint64_t h = 1469598103934665603ull;
    // Low byte first, so every build hashes a number alike.
    void i(std::int64_t v) {
        std::uint64_t u = static_cast<std::uint64_t>(v);
        for (int k = 0; k < 8; ++k) {
            h ^= u & 0xFFu;
            h *= 1099511628211ull;
            u >>= 8;
        }
    }
};

}  // namespace

std::uint64_t matchStateHash(const Match& m) {
    // The music volume is left out: it is each machine's own.
    Fnv h;
    h.i(inMatch);
    h.i(gameType);
    h.i(courtMode);
    for (std::int64_t v : matchFieldValues(m))
        h.i(v);
    return h.h;
}

std::uint64_t gameStateHash() { return matchStateHash(currentMatch()); }

#include "netplay/statehash.h"

#include <cstring>
#include <initializer_list>

#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/paddle.h"

namespace {

struct Fnv {
    std::uint64_t h = 1469598103934665603ull;
    void bytes(const void* p, std::size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    void i(std::int64_t v) { bytes(&v, sizeof v); }
    void f(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        i(bits);
    }
};

}  // namespace

std::uint64_t gameStateHash() {
    // The music volume is left out: it is each machine's own.
    Fnv h;
    h.i(inMatch);
    h.i(gameType);
    h.i(courtMode);
    h.i(score1);
    h.i(score2);
    h.i(rallyEnd);
    h.i(rallySpeed);
    for (float v : {ball.x, ball.y, ball.vx, ball.vy, ball.smashBoost, leftPaddle.x, leftPaddle.y, leftPaddle.vx,
                    leftPaddle.vy, rightPaddle.x, rightPaddle.y, rightPaddle.vx, rightPaddle.vy})
        h.f(v);
    h.i(leftHitLock);
    h.i(rightHitLock);
    h.i(leftSmashHeld);
    h.i(rightSmashHeld);
    h.i(randDraws);
    h.i(randHash);
    return h.h;
}

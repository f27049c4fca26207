#include "game/match/match.h"

#include <cstring>
#include <type_traits>

#include "game/base/state.h"
#include "game/match/court.h"

namespace {

// The first serve of a program is seeded as an unseeded rand() is: with 1.
const Uint32 randSeed = 1;
const Uint32 fnvOffsetBasis = 2166136261u;
const Uint32 fnvPrime = 16777619u;

Paddle createdPaddle(float x)
{
    return Paddle{x, paddleCreatedY, {{static_cast<Sint16>(x), paddleCreatedY, paddleWidth, paddleHeight}}, 0, 0};
}

Side startingSide(float x)
{
    Side s{};
    s.paddle = createdPaddle(x);
    s.smashHeld = false;
    s.hitLock = false;
    s.vxSnapshot = 0;
    s.score = 0;
    s.hitSpark = HitSpark{0};
    return s;
}

}  // namespace

Match startingMatch(Uint32 now)
{
    Match m{};
    m.gameType = gameTwoPeople;
    m.courtMode = courtPlain;
    m.sides[leftSide] = startingSide(leftPaddleStartX);
    m.sides[rightSide] = startingSide(rightPaddleStartX);
    m.ball = ballAt(centreLineX, courtCentreY);
    m.rallyEnd = rallyRunning;
    m.rallyAborted = false;
    m.hitCount = 0;
    m.rallySpeed = 300;
    m.rampTrigger = rampIdle;
    m.postLock = false;
    m.contactX = 0;
    m.frameClock = idleFrameClock;
    m.sparkClock = makeFrameClock(now);
    m.rand = seededRandGen(randSeed);
    m.randDraws = 0;
    m.randHash = fnvOffsetBasis;
    return m;
}

Match& currentMatch()
{
    static Match match = startingMatch(0);
    return match;
}

int drawRand(Match& m)
{
    ++m.randDraws;
    const int value = nextRand(m.rand);
    // Fold the value in byte by byte, low byte first, so the hash is the
    // same on every build of the game.
    Uint32 v = static_cast<Uint32>(value);
    for (int i = 0; i < 4; ++i) {
        m.randHash ^= v & 0xFFu;
        m.randHash *= fnvPrime;
        v >>= 8;
    }
    return value;
}

std::vector<std::int64_t> matchFieldValues(const Match& m)
{
    std::vector<std::int64_t> values;
    visitMatchFields(m, [&values](const char*, const auto& field) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, float>) {
            std::uint32_t bits;
            std::memcpy(&bits, &field, sizeof bits);
            values.push_back(bits);
        } else {
            values.push_back(static_cast<std::int64_t>(field));
        }
    });
    return values;
}

bool operator==(const Match& a, const Match& b)
{
    return matchFieldValues(a) == matchFieldValues(b);
}

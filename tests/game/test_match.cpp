// The match record: its generator, its comparison and hash over every
// field, and the step: a copy stepped goes on as the original, and an
// earlier record restored and stepped again with the same events comes to
// the same later records, over the golden replays' whole matches.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "game/base/randgen.h"
#include "game/base/state.h"
#include "game/flow/matchloop.h"
#include "game/match/match.h"
#include "game/match/step.h"
#include "netplay/statehash.h"
#include "settings/settings.h"
#include "support/gamerun.h"
#include "support/replay.h"

namespace {

namespace fs = std::filesystem;

// --- the generator -----------------------------------------------------

// The record's generator gives glibc's rand() numbers from the same seed:
// the game's own seed and another.
TEST(MatchRand, DrawsWhatTheCLibrarysRandDrawsFromTheSameSeed)
{
    for (unsigned seed : {1u, 4242u, 0u}) {
        SCOPED_TRACE(seed);
        RandGen g = seededRandGen(seed);
        std::srand(seed);
        for (int i = 0; i < 5000; ++i)
            ASSERT_EQ(nextRand(g), std::rand()) << "draw " << i;
    }
}

TEST(MatchRand, TheCountAndHashFollowEveryDrawAndACopyDrawsAlike)
{
    Match m = startingMatch(0);
    const Match start = m;
    const int first = drawRand(m);
    EXPECT_EQ(m.randDraws, 1u);
    EXPECT_NE(m.randHash, start.randHash);
    Match copy = start;
    EXPECT_EQ(drawRand(copy), first);
    EXPECT_EQ(copy, m);
    EXPECT_EQ(drawRand(copy), drawRand(m));  // and the second value alike
    EXPECT_EQ(copy, m);
}

// --- every field compared and hashed ------------------------------------

// Changes the k-th field of visitMatchFields' list; false past the end.
bool changeField(Match& m, int k, std::string& name)
{
    int i = 0;
    bool changed = false;
    visitMatchFields(m, [&](const char* n, auto& field) {
        if (i++ != k)
            return;
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>)
            field = !field;
        else if constexpr (std::is_same_v<T, float>)
            field += 1.5f;
        else
            field = static_cast<T>(field + 1);
        name = n;
        changed = true;
    });
    return changed;
}

Match playedRecord()
{
    // Not a fresh record: a field that is 0 everywhere would hide little.
    Match m = startingMatch(1234);
    m.ball.vx = 100;
    m.ball.vy = -100;
    m.frameClock = makeFrameClock(900);
    restart(m.frameClock, 1000);
    drawRand(m);
    return m;
}

TEST(MatchRecord, EveryFieldCountsForEqualityAndForTheStateHash)
{
    const Match base = playedRecord();
    const std::uint64_t baseHash = matchStateHash(base);
    std::set<std::string> names;
    int k = 0;
    std::string name;
    for (Match m = base; changeField(m, k, name); m = base, ++k) {
        SCOPED_TRACE(name + " (field " + std::to_string(k) + ")");
        names.insert(name);
        EXPECT_NE(m, base);
        EXPECT_NE(matchStateHash(m), baseHash);
    }
    EXPECT_GT(k, 100);  // the ball's rects and the generator's words are many
    // What went unhashed once, and each side's own fields, are on the list.
    for (const char* expected : {"postLock", "contactX", "hitCount", "frameClock", "sparkClock", "rallyEnd",
                                 "rallyAborted", "rampTrigger", "rallySpeed", "rand.words", "rand.front",
                                 "randDraws", "randHash", "ball.smashBoost", "left", "right"})
        EXPECT_EQ(names.count(expected), 1u) << expected;

    // Each side: paddle, smash button, lock, snapshot, score and spark.
    auto sideFieldsDiffer = [&](auto change) {
        for (int side : {leftSide, rightSide}) {
            Match m = base;
            change(m.sides[side]);
            EXPECT_NE(matchStateHash(m), baseHash) << "side " << side;
            EXPECT_NE(m, base) << "side " << side;
        }
    };
    sideFieldsDiffer([](Side& s) { s.paddle.x += 1; });
    sideFieldsDiffer([](Side& s) { s.paddle.vy -= 1; });
    sideFieldsDiffer([](Side& s) { s.smashHeld = !s.smashHeld; });
    sideFieldsDiffer([](Side& s) { s.hitLock = !s.hitLock; });
    sideFieldsDiffer([](Side& s) { s.vxSnapshot = 7; });
    sideFieldsDiffer([](Side& s) { ++s.score; });
    sideFieldsDiffer([](Side& s) { s.hitSpark.frame = 3; });
}

TEST(MatchRecord, TheMenuChoicesAndTheMatchFlagGoInTheHash)
{
    const Match m = playedRecord();
    const Sint32 type = gameType, court = courtMode;
    const bool playing = inMatch;
    const std::uint64_t h = matchStateHash(m);
    gameType = type + 1;
    EXPECT_NE(matchStateHash(m), h);
    gameType = type;
    courtMode = court + 1;
    EXPECT_NE(matchStateHash(m), h);
    courtMode = court;
    inMatch = !playing;
    EXPECT_NE(matchStateHash(m), h);
    inMatch = playing;
    EXPECT_EQ(matchStateHash(m), h);
}

// The two swapped sides are two different records.
TEST(MatchRecord, SwappedSidesDiffer)
{
    Match m = playedRecord();
    m.sides[leftSide].score = 3;
    Match swapped = m;
    std::swap(swapped.sides[leftSide].score, swapped.sides[rightSide].score);
    EXPECT_NE(swapped, m);
    EXPECT_NE(matchStateHash(swapped), matchStateHash(m));
}

// --- the step ------------------------------------------------------------

// Mend: a frame's movers share one time step, taken from the frame's time.
TEST(MatchStep, BothPaddlesAndTheBallMoveByTheFramesOneTime)
{
    gameType = gameTwoPeople;
    courtMode = courtPlain;
    Match m = startingMatch(0);
    resetMatch(m);
    m.ball.vx = 100;
    m.ball.vy = 100;
    m.sides[leftSide].paddle.vx = 300;
    m.sides[rightSide].paddle.vx = -200;
    restart(m.frameClock, 5000);
    const float ballX = m.ball.x, leftX = m.sides[leftSide].paddle.x, rightX = m.sides[rightSide].paddle.x;
    const FrameHappenings h = stepMatch(m, FrameInput{nullptr, 0, 5010});
    EXPECT_FLOAT_EQ(m.ball.x, ballX + 1.0f);                         // 100 px/s for 10 ms
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.x, leftX + 3.0f);       // 300 px/s
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.x, rightX - 2.0f);     // -200 px/s
    EXPECT_EQ(m.frameClock.startTicks, 5010u);
    EXPECT_EQ(h.strokes.count, 0);
    EXPECT_FALSE(h.rallyOver);
}

TEST(MatchStep, EventsArriveAsHappeningsAndTheRallyEndsInTwoSteps)
{
    gameType = gameTwoPeople;
    Match m = startingMatch(0);
    resetMatch(m);
    restart(m.frameClock, 100);
    const SDL_Event events[3] = {keyDown(SDLK_m), keyDown(SDLK_k), keyDown(SDLK_ESCAPE)};
    const FrameHappenings h = stepMatch(m, FrameInput{events, 3, 110});
    EXPECT_EQ(h.volumeKeys, 1);
    EXPECT_TRUE(h.rampRestarted);
    EXPECT_TRUE(h.aborted);
    EXPECT_FALSE(h.quit);
    EXPECT_TRUE(h.rallyOver);
    EXPECT_TRUE(m.rallyAborted);
    EXPECT_EQ(m.frameClock.rampStart, 110u);

    m.ball.x = 50;
    m.sides[leftSide].hitLock = true;
    serveBall(m);
    EXPECT_FLOAT_EQ(m.ball.x, 390.0f);
    EXPECT_TRUE(m.sides[leftSide].hitLock);  // the still court shows the rally's last look
    endRally(m);
    EXPECT_EQ(m.rallyEnd, rallyRunning);
    EXPECT_FALSE(m.sides[leftSide].hitLock);

    const SDL_Event quit = quitEvent();
    EXPECT_TRUE(stepMatch(m, FrameInput{&quit, 1, 120}).quit);
}

// One frame as the game played it.
struct PlayedFrame {
    Match before;
    std::vector<SDL_Event> events;
    Uint32 nowMs;
    FrameHappenings happenings;
    Match after;
};

bool sameHappenings(const FrameHappenings& a, const FrameHappenings& b)
{
    if (a.strokes.count != b.strokes.count)
        return false;
    for (int i = 0; i < a.strokes.count; ++i) {
        if (a.strokes.sides[i] != b.strokes.sides[i])
            return false;
    }
    return a.rampRestarted == b.rampRestarted && a.volumeKeys == b.volumeKeys && a.aborted == b.aborted &&
           a.quit == b.quit && a.rallyOver == b.rallyOver;
}

// What comes between one frame's step and the next one's: the picture runs
// the sparks as advanceSparks does, and after a rally's end its sequences
// run them, its two steps come and the clock restarts after the pictures.
// Those come from the next record as the game had it.
Match betweenFrames(Match stepped, const FrameHappenings& h, const Match& next, Uint32 nowMs)
{
    if (!h.rallyOver) {
        advanceSparks(stepped, nowMs);
        return stepped;
    }
    for (int side : {leftSide, rightSide})
        stepped.sides[side].hitSpark = next.sides[side].hitSpark;
    stepped.sparkClock = next.sparkClock;
    {
        serveBall(stepped);
        endRally(stepped);
        stepped.frameClock = next.frameClock;
    }
    return stepped;
}

// The names of the fields where two records differ, for a failure's message.
std::string differingFields(const Match& a, const Match& b)
{
    std::vector<std::string> names;
    visitMatchFields(a, [&names](const char* n, const auto&) { names.push_back(n); });
    const std::vector<std::int64_t> va = matchFieldValues(a), vb = matchFieldValues(b);
    std::string out;
    for (size_t i = 0; i < va.size(); ++i) {
        if (va[i] != vb[i])
            out += " " + names[i] + "[" + std::to_string(i) + "]: " + std::to_string(va[i]) + " vs " +
                   std::to_string(vb[i]);
    }
    return out;
}

// Frame j leads straight on to frame j + 1 within one match.
bool leadsOn(const PlayedFrame& f)
{
    return !f.happenings.aborted && f.after.sides[leftSide].score < settings.pointsToWin &&
           f.after.sides[rightSide].score < settings.pointsToWin;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(MatchStep, ACopyStepsAsTheOriginalAndARestoredRecordStepsToTheSameLaterOnes)
{
    const fs::path replayDir = fs::path(VOLTARI_SOURCE_DIR) / "tests" / "replays";
    std::vector<fs::path> scripts;
    for (const auto& entry : fs::directory_iterator(replayDir)) {
        if (entry.path().extension() == ".replay")
            scripts.push_back(entry.path());
    }
    ASSERT_GE(scripts.size(), 7u);

    const int rollbackEvery = 37;  // frames between two rollbacks
    const int rollbackDepth = 25;  // frames stepped again after each
    for (const fs::path& path : scripts) {
        SCOPED_TRACE(path.filename().string());
        ReplayScript script;
        std::string error;
        ASSERT_TRUE(parseReplay(readFile(path), script, error)) << error;

        std::vector<PlayedFrame> frames;
        int copiesDiffering = 0;
        setMatchStepWatcher([&](const Match& before, const FrameInput& in, const FrameHappenings& h,
                                const Match& after) {
            // Stepping a copy, as the game steps the original.
            Match copy = before;
            const FrameHappenings again = stepMatch(copy, in);
            if (copy != after || !sameHappenings(again, h))
                ++copiesDiffering;
            frames.push_back(PlayedFrame{before, std::vector<SDL_Event>(in.events, in.events + in.eventCount),
                                         in.nowMs, h, after});
        });
        runReplay(script);
        setMatchStepWatcher(nullptr);
        ASSERT_GT(frames.size(), 100u);
        EXPECT_EQ(copiesDiffering, 0);

        int rollbacks = 0, rallyEndsCrossed = 0;
        for (size_t start = 0; start + rollbackDepth < frames.size(); start += rollbackEvery) {
            Match m = frames[start].before;  // restored
            for (size_t j = start; j < start + rollbackDepth && leadsOn(frames[j]); ++j) {
                const PlayedFrame& f = frames[j];
                const FrameHappenings h =
                    stepMatch(m, FrameInput{f.events.data(), static_cast<int>(f.events.size()), f.nowMs});
                ASSERT_TRUE(m == f.after) << "frame " << j << " after a rollback to frame " << start << ":"
                                          << differingFields(m, f.after);
                ASSERT_TRUE(sameHappenings(h, f.happenings)) << "frame " << j;
                m = betweenFrames(m, h, frames[j + 1].before, f.nowMs);
                ASSERT_TRUE(m == frames[j + 1].before) << "between frames " << j << " and " << j + 1 << " at "
                                                       << f.nowMs << " ms:" << differingFields(m, frames[j + 1].before);
                rallyEndsCrossed += h.rallyOver ? 1 : 0;
            }
            ++rollbacks;
        }
        EXPECT_GT(rollbacks, 2);
        if (path.stem() == "computer_vs_computer") {
            EXPECT_GT(rallyEndsCrossed, 0);  // rollbacks across a point
        }
    }
}

}  // namespace

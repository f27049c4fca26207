// Playing ahead and putting it right: frames stepped with a guess for the
// other player and stepped again once their events come end as the frames
// stepped with every event known, a hit among them heard once; a rally's end
// found in the past ends the frames there.
#include <gtest/gtest.h>

#include <vector>

#include "game/base/state.h"
#include "game/match/match.h"
#include "game/match/step.h"
#include "net/lockstep.h"
#include "netplay/rollback.h"
#include "netplay/sdlinput.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

constexpr std::uint32_t kFirstMs = 1000;  // virtual ms of the first frame
constexpr std::uint32_t kFrameMs = 5;

struct Timed {
    std::uint8_t player;
    std::uint32_t atMs;    // the stamp
    std::uint32_t comesMs; // when it reaches this machine (its own: at once)
    SDL_Event event;
};

// A rally for two people whose ball is about to meet the left paddle.
Match startedMatch()
{
    gameType = gameTwoPeople;
    courtMode = courtPlain;
    settings.sound = 0;
    Match m = startingMatch(0);
    resetMatch(m);
    restart(m.frameClock, kFirstMs - kFrameMs);
    Paddle& left = m.sides[leftSide].paddle;
    left.x = 100;
    left.y = 250;
    placeHitRects(left);
    m.ball = ballAt(140, 270);
    m.ball.vx = -300;
    return m;
}

net::Message inputFor(std::uint8_t player, std::uint32_t atMs, const SDL_Event& e)
{
    net::InputEvent in;
    EXPECT_TRUE(toInputEvent(e, in));
    return net::inputMessage(player, atMs, in);
}

// Every frame stepped with every event known, shown after each.
std::vector<Match> knownRun(Match m, const std::vector<Timed>& events, int frames)
{
    std::vector<Match> out;
    for (int k = 0; k < frames; ++k) {
        const std::uint32_t at = kFirstMs + kFrameMs * std::uint32_t(k);
        std::vector<SDL_Event> now;
        for (const Timed& t : events)
            if (t.atMs <= at && t.atMs + kFrameMs > at)
                now.push_back(t.event);
        stepMatch(m, FrameInput{now.data(), int(now.size()), at});
        advanceSparks(m, at);
        out.push_back(m);
    }
    return out;
}

// The same frames played ahead by player `local`: the other's events come
// late, and each frame first puts right what they change.
struct AheadRun {
    Rollback rb;
    net::Lockstep ls;
    Match m;
    std::vector<Match> shown;  // after each frame, as shown
    int heard = 0;             // strokes heard, present and late
    FrameHappenings ended{};   // the happenings of a rally's end, if one came
};

void playAhead(AheadRun& r, std::uint8_t local, const std::vector<Timed>& events, int frames)
{
    net::lockstepStart(r.ls, local, 20, kFirstMs - kFrameMs);
    for (int k = 0; k < frames && !r.ended.rallyOver; ++k) {
        const std::uint32_t at = kFirstMs + kFrameMs * std::uint32_t(k);
        for (PlayedFrame& f : r.rb.frames)
            f.shown = true;
        for (const Timed& t : events) {
            if (t.comesMs != at)
                continue;
            if (t.player == local) {
                net::InputEvent in;
                ASSERT_TRUE(toInputEvent(t.event, in));
                net::lockstepLocalAt(r.ls, at, in);
            } else {
                net::lockstepReceive(r.ls, inputFor(t.player, t.atMs, t.event));
                r.rb.changedFromMs = std::min(r.rb.changedFromMs, t.atMs);
            }
        }
        FrameHappenings h{};
        rollbackCorrect(r.rb, r.ls, r.m, 1 - local, h);
        r.heard += h.lateHits;
        if (h.rallyOver) {
            r.ended = h;
            return;
        }
        const FrameHappenings step = rollbackStep(r.rb, r.ls, r.m, at);
        r.heard += step.strokes.count;
        if (step.rallyOver) {
            r.ended = step;
            return;
        }
        advanceSparks(r.m, at);
        r.shown.push_back(r.m);
    }
}

}  // namespace

// The hit comes in frames stepped again and again: it is heard once.
TEST(Rollback, FramesPutRightEndAsFramesSteppedWithEveryEventKnownAndAHitIsHeardOnce)
{
    // The host steers at once; the guest's keys come 8 to 15 frames late.
    const std::vector<Timed> events = {
        {0, 1020, 1020, keyDown(SDLK_d)},  {1, 1030, 1070, keyDown(SDLK_UP)},  {0, 1090, 1090, keyUp(SDLK_d)},
        {1, 1100, 1175, keyUp(SDLK_UP)},   {1, 1105, 1175, keyDown(SDLK_LEFT)}, {0, 1150, 1150, keyDown(SDLK_s)},
        {1, 1200, 1240, keyUp(SDLK_LEFT)}, {0, 1260, 1260, keyUp(SDLK_s)},
    };
    const int frames = 80;
    const std::vector<Match> known = knownRun(startedMatch(), events, frames);
    AheadRun r;
    r.m = startedMatch();
    playAhead(r, 0, events, frames);
    ASSERT_EQ(r.shown.size(), known.size());
    EXPECT_TRUE(r.shown.back() == known.back());
    // Every frame shown once every event up to it had come is the known one.
    for (std::size_t k = 0; k < known.size(); ++k) {
        const std::uint32_t at = kFirstMs + kFrameMs * std::uint32_t(k);
        bool allCame = true;
        for (const Timed& t : events)
            allCame = allCame && (t.atMs > at || t.comesMs <= at);
        if (allCame) {
            EXPECT_TRUE(r.shown[k] == known[k]) << "frame at " << at << " ms";
        }
    }
    // The host's own key moved its paddle in the frame that took it.
    EXPECT_NE(r.shown[4].sides[leftSide].paddle.x, r.shown[3].sides[leftSide].paddle.x);
    // Three arrivals changed frames already shown; the longest went back 15.
    EXPECT_EQ(r.rb.corrections, 3u);
    EXPECT_EQ(r.rb.longest, 15u);
    ASSERT_EQ(r.rb.jumps.size(), 3u);
    EXPECT_GT(r.rb.jumps[0], 1.0f);  // the guest's paddle had moved for 8 frames unseen
    EXPECT_EQ(r.heard, 1);
    EXPECT_GT(r.shown.back().ball.vx, 0.0f);  // the ball went back the way it came
}

TEST(Rollback, AnEscapeFoundInThePastEndsTheRallyInItsFrame)
{
    // The guest plays ahead; the host's Escape at 1015 ms comes at 1060.
    const std::vector<Timed> events = {
        {1, 1005, 1005, keyDown(SDLK_UP)},
        {0, 1015, 1060, keyDown(SDLK_ESCAPE)},
        {1, 1040, 1040, keyUp(SDLK_UP)},
    };
    AheadRun r;
    r.m = startedMatch();
    playAhead(r, 1, events, 40);
    ASSERT_TRUE(r.ended.rallyOver);
    EXPECT_TRUE(r.ended.aborted);
    EXPECT_TRUE(r.m.rallyAborted);
    ASSERT_EQ(r.rb.frames.size(), 4u);  // 1000 .. 1015: the frames after the end are gone
    EXPECT_EQ(r.rb.frames.back().atMs, 1015u);
    EXPECT_FALSE(r.rb.frames.back().shown);
    // The guest's release at 1040 waits for the next frame after the point.
    EXPECT_EQ(r.ls.queue.back().atMs, 1040u);
}

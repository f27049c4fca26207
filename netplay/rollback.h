// Playing ahead during a rally. A player's game steps each frame at once
// with its own events and, for the other player, what is known so far (the
// guess: no new events, so their keys stay as they were). It keeps the
// frames not yet certain with the record each stepped from; once the other
// player's events for an earlier time come, it steps again from the first
// frame they change, without drawing or sounding. A frame is certain once
// every event of both players up to its time is known. No network and no
// clock here: the driver brings the events and says what is known.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "SDL.h"
#include "game/match/match.h"
#include "game/match/sphere.h"
#include "game/match/step.h"
#include "net/lockstep.h"

constexpr std::uint32_t kRollbackWindowMs = 250;  // virtual ms a game may run past the other player's known events
constexpr std::uint32_t kSameHitMs = 20;          // virtual ms: a stroke of the same paddle this near one heard is that one
constexpr std::uint32_t kNoStamp = 0xffffffffu;

struct PlayedFrame {
    std::uint32_t atMs = 0;  // virtual ms: the frame's time
    Match before;            // the record it stepped from (its sparks as the frame before was shown)
    bool shown = false;      // drawn on the screen (the present frame is not, until the flow draws it)
    Dot dotsBefore[sphereDotCount];  // the ball's dots before it was drawn: they roll as frames are drawn
};

struct HeardHit {
    std::uint32_t atMs;  // virtual ms of the frame
    int side;            // leftSide, rightSide
};

struct Rollback {
    std::deque<PlayedFrame> frames;      // stepped, not yet certain, oldest first
    std::uint32_t changedFromMs = kNoStamp;  // the earliest stamp of the other player's events come since they were stepped
    std::vector<HeardHit> heard;         // strokes whose sound was played, while their frames may be stepped again
    // Figures for the benchmark.
    std::uint64_t corrections = 0;       // times frames were stepped again
    std::uint64_t framesRestepped = 0;
    std::uint32_t longest = 0;           // frames, the longest correction
    std::vector<float> jumps;            // px: how far the other paddle moved on screen at each correction
};

// A frame's events: every queued event up to atMs that an earlier frame
// did not take (after afterMs; all of them for the oldest frame), each
// applied only where its seat may (the match is left from an Escape on).
std::vector<SDL_Event> frameEvents(const net::Lockstep& ls, bool oldest, std::uint32_t afterMs, std::uint32_t atMs);

// Steps the present frame at atMs from m and keeps it. The strokes to be
// heard are those not heard already.
FrameHappenings rollbackStep(Rollback& rb, const net::Lockstep& ls, Match& m, std::uint32_t atMs);

// If the other player's events changed frames already stepped, steps them
// again from the first one changed; m becomes the record after the last,
// and the ball's dots turn as drawing those frames would have turned them.
// A rally that now ends in a frame stepped again ends there: the frames
// after it are dropped and m is the record that frame left, not yet shown.
// Adds to h what was found: strokes not heard (lateHits), corrected, and
// the end's happenings. otherSide is the other player's paddle.
void rollbackCorrect(Rollback& rb, const net::Lockstep& ls, Match& m, int otherSide, FrameHappenings& h);

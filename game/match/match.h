// The match as one record: everything that decides how a match goes on,
// copyable and comparable, so a copy stepped with the same input goes on as
// the original does. The menu's choices stay the menu's; the record holds a
// copy of the two the match plays by, taken as the match starts, so a record
// stepped later goes on as it would have then.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "SDL.h"
#include "game/base/frameclock.h"
#include "game/base/randgen.h"
#include "game/match/ball.h"
#include "game/match/paddle.h"

struct HitSpark {
    Sint32 frame;  // 0 just struck, 1..7 running, 8 or more idle
};

// One player's side of the court: index leftSide or rightSide of Match::sides.
struct Side {
    Paddle paddle;
    bool smashHeld;    // smash button held: paddle frozen, hits smash
    bool hitLock;      // this paddle played the ball last
    float vxSnapshot;  // px/s: the paddle's vx copied at the frame's start
    Sint32 score;      // points
    HitSpark hitSpark; // the spark at this paddle; the picture runs it
};

struct Match {
    Sint32 gameType;        // the menu's gameType as the match started: who plays which paddle
    Sint32 courtMode;       // the menu's courtMode as the match started
    Side sides[2];          // [leftSide], [rightSide]
    Ball ball;
    Sint32 rallyEnd;        // 0 running, 1 left scored, 2 right scored, 3 abort
    bool rallyAborted;      // Escape or window close until resetMatch
    Sint32 hitCount;        // bounces counted since the last frame
    Sint32 rallySpeed;      // px/s given to paddles by keys, sticks and computer
    Sint32 rampTrigger;     // 2: restart the speed ramp of frameClock
    bool postLock;          // a post bounce happened, no paddle hit since
    int contactX;           // px: x of the last contact found by rectListsOverlap
    FrameClock frameClock;  // the match frame's stopwatch and speed ramp (virtual ms)
    FrameClock sparkClock;  // shared by both sparks, created not started (virtual ms)
    RandGen rand;           // the computer's generator: glibc's rand() from the same seed
    Uint32 randDraws;       // number of draws made by the computer
    Uint32 randHash;        // FNV-1a over every value drawn, in order
};

// The record as the program starts; now (ms) creates the sparks' clock.
Match startingMatch(Uint32 now);
// The one match the game plays: its address never changes.
Match& currentMatch();

// A draw for the computer's smashes, counted and folded into randHash.
int drawRand(Match& m);

// Calls visit(name, field) for every field of the record, in one fixed
// order, with field a reference to a bool, a whole number or a float; M is
// Match or const Match. Equality and the state hash both walk this list, so
// a field added to the record and to this list is compared and hashed.
template <class M, class Visit>
void visitMatchFields(M& m, Visit&& visit)
{
    static const char* const sideNames[2] = {"left", "right"};
    visit("gameType", m.gameType);
    visit("courtMode", m.courtMode);
    for (int i = 0; i < 2; ++i) {
        auto& s = m.sides[i];
        const char* n = sideNames[i];
        visit(n, s.paddle.x);
        visit(n, s.paddle.y);
        visit(n, s.paddle.hitRects[0].x);
        visit(n, s.paddle.hitRects[0].y);
        visit(n, s.paddle.hitRects[0].w);
        visit(n, s.paddle.hitRects[0].h);
        visit(n, s.paddle.vx);
        visit(n, s.paddle.vy);
        visit(n, s.smashHeld);
        visit(n, s.hitLock);
        visit(n, s.vxSnapshot);
        visit(n, s.score);
        visit(n, s.hitSpark.frame);
    }
    for (auto& r : m.ball.hitRects) {
        visit("ball.hitRects", r.x);
        visit("ball.hitRects", r.y);
        visit("ball.hitRects", r.w);
        visit("ball.hitRects", r.h);
    }
    visit("ball.x", m.ball.x);
    visit("ball.y", m.ball.y);
    visit("ball.vx", m.ball.vx);
    visit("ball.vy", m.ball.vy);
    visit("ball.smashBoost", m.ball.smashBoost);
    visit("rallyEnd", m.rallyEnd);
    visit("rallyAborted", m.rallyAborted);
    visit("hitCount", m.hitCount);
    visit("rallySpeed", m.rallySpeed);
    visit("rampTrigger", m.rampTrigger);
    visit("postLock", m.postLock);
    visit("contactX", m.contactX);
    for (auto* c : {&m.frameClock, &m.sparkClock}) {
        const char* n = c == &m.frameClock ? "frameClock" : "sparkClock";
        visit(n, c->startTicks);
        visit(n, c->running);
        visit(n, c->ramp);
        visit(n, c->rampStart);
    }
    for (auto& w : m.rand.words)
        visit("rand.words", w);
    visit("rand.front", m.rand.front);
    visit("randDraws", m.randDraws);
    visit("randHash", m.randHash);
}

// Every field in visitMatchFields' order, each as a 64-bit number (a float
// as its bits): the record's canonical form, free of padding and of
// anything machine-local.
std::vector<std::int64_t> matchFieldValues(const Match& m);

// Field by field, floats by their bits: equal records go on alike.
bool operator==(const Match& a, const Match& b);
inline bool operator!=(const Match& a, const Match& b) { return !(a == b); }

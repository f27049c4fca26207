// A match frame's play as a pure step: the record, this frame's events and
// the frame's time in, the record moved on and what happened out. It draws,
// sounds and reads no clock and no events of its own, and touches nothing
// but the record, so stepping a copy gives what stepping the original does.
// The picture and the sounds of what happened are the flow's.
#pragma once

#include "SDL.h"
#include "game/match/ball.h"
#include "game/match/match.h"

struct FrameInput {
    const SDL_Event* events;  // this frame's events, in the order they came
    int eventCount;
    Uint32 nowMs;             // ms: the frame's time on the game's clock
};

struct FrameHappenings {
    BallStrokes strokes;  // paddle strokes to be heard (the step has started their sparks)
    bool rampRestarted;   // the ramp key restarted the speed ramp
    int volumeKeys;       // presses of the music volume key (each machine's own)
    bool aborted;         // Escape or the window's close ended the rally
    bool quit;            // the window's close: the program ends
    bool rallyOver;       // a point was scored or the rally aborted
    int lateHits;         // strokes found in frames already shown, heard now (a network game's corrections)
    bool corrected;       // frames already shown were stepped again: what moved may be anywhere
};

// Escape (down or up) or the window's close: the event ends the rally.
// The flow takes the match as left from the moment it polls one, since the
// events after it in the same frame are judged by that (a network seat's).
bool abortsRally(const SDL_Event& e);

// One match frame: rally speed step, events, the computer's steering, the
// speed ramp, the moves, the strokes' sparks started, then the frame clock
// restarted at in.nowMs.
FrameHappenings stepMatch(Match& m, const FrameInput& in);

// What showing a frame does to the sparks, at the frame's time (ms): a
// spark just struck moves to its first frame, a running one on by a frame
// once its frame has shown long enough. Left's first: one clock for both.
void advanceSparks(Match& m, Uint32 nowMs);
void advanceSpark(HitSpark& spark, FrameClock& sparkClock, Uint32 nowMs);

// Who steps the match frame. Unset, the frame polls the input seam and
// steps once. A network game that plays ahead of the other machine's events
// sets its own: it may step earlier frames again first, and returns a
// rally's end only once it is certain (it may then have set the clock back
// to that frame). step returns false to leave the frame to the local way.
struct MatchStepper {
    bool (*step)(void* context, Match& m, Uint32 nowMs, FrameHappenings& out) = nullptr;
    void* context = nullptr;
};
void setMatchStepper(const MatchStepper& stepper);
const MatchStepper& matchStepper();

// The end of a rally, in two parts around the still court the flow shows
// between them (it shows the ball at the serve spot as it flew):
// serveBall puts the ball on the serve spot; endRally clears the rally's
// end, the smash, the locks, sets the serve's speed and steps the rally
// speed down. The frame clock restarts after the flow's pictures.
void serveBall(Match& m);
void endRally(Match& m);

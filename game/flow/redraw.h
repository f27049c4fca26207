// The court under a match frame. An ordinary frame restores the background
// only where the last frame drew and where this one will draw, instead of
// blitting the whole background: the screen ends up the same, pixel for
// pixel, as after a full redraw.
#pragma once

struct Match;

// Called by the match frame where it draws the background, after the moves
// and before the sprites: restores what this frame needs and remembers
// where it draws. The whole background when the screen holds something
// other than the last match frame.
void restoreCourt(const Match& m);
// The screen now holds something else (a sequence, the still court): the
// next frame draws the whole background.
void forgetCourt();
// The three updateRects of a match frame, from the positions before its
// moves: each box holds its mover where it was and a frame's move further.
void placeUpdateRects(const Match& m);
// Tests only: true makes every frame draw the whole background.
void setFullCourtRedraw(bool on);

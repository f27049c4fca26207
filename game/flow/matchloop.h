// One frame of a match as the game plays it: the events and the time read
// through the seams, the match stepped, then its picture and sounds.
#pragma once

#include <functional>

#include "game/match/step.h"

struct Match;

void matchFrame();
// What a step's happenings show and sound: the music volume, the hit sounds
// and sparks, the paddles' lock look. Before the frame is drawn.
void showHappenings(Match& m, const FrameHappenings& h);
// One frame's picture onto the screen, not shown yet; draws the sparks,
// which moves them on.
void drawMatchFrame(Match& m);
// The end of a rally: its sequences and the still court, between the
// record's end-of-rally steps.
void pointHandling(Match& m);
// The match's music volume key: steps of 10.
void stepMatchVolume();

// Tests only: called with every step the match frame makes, the record
// before and after it; an empty function stops the calls.
using MatchStepWatcher = std::function<void(const Match& before, const FrameInput& in, const FrameHappenings& h,
                                            const Match& after)>;
void setMatchStepWatcher(MatchStepWatcher watcher);

// Blocking presentation sequences: fades, joystick notice, paddles
// materialising, the ball's appear / burst / gather, the still court.
#pragma once

#include "SDL.h"

struct Match;

enum FadeDirection { fadeIn = 0, fadeOut = 1 };
enum BallSequenceKind { ballAppear = 0, ballBurst = 1, ballGather = 2 };

void fadeImage(SDL_Surface* image, SDL_Surface* backgroundImage, int direction, Uint32 pausePerStepMs,
               int x, int y, const SDL_Rect* sourceRect);
void showJoystickNotice();
// The paddles fading in at their places, the score above them.
void paddlesAppear(const Match& m);
// Draws the sparks too, which moves them on.
void ballSequence(Match& m, int kind);
void drawScene(const Match& m);

// Blocking presentation sequences: fades, joystick notice, paddles
// materialising, the ball's appear / burst / gather, the still court.
#pragma once

#include "SDL.h"

enum FadeDirection { fadeIn = 0, fadeOut = 1 };
enum BallSequenceKind { ballAppear = 0, ballBurst = 1, ballGather = 2 };

void fadeImage(SDL_Surface* image, SDL_Surface* backgroundImage, int direction, Uint32 pausePerStepMs,
               int x, int y, const SDL_Rect* sourceRect);
void showJoystickNotice();
void paddlesAppear(int lx, int ly, int rx, int ry);
void ballSequence(int kind);
void drawScene();

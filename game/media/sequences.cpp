#include "game/media/sequences.h"

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/court.h"
#include "game/match/paddle.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "game/media/scoreboard.h"
#include "game/media/spheredraw.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

namespace {

void flipScreen()
{
    if (screen)
        SDL_Flip(screen);
}

void fadeFrame(SDL_Surface* image, SDL_Surface* backgroundImage, Uint8 alpha, int x, int y,
               const SDL_Rect* sourceRect)
{
    setSurfaceAlpha(image, alpha);
    blit(0, 0, backgroundImage, screen, nullptr);
    blit(static_cast<Sint16>(x), static_cast<Sint16>(y), image, screen, sourceRect);
    flipScreen();
}

// Point on the way from the ball (b) to the screen centre (m) at share s.
// Mend: written as a blend so that s = 0 and s = 1 land exactly on b and m;
// b - (b - m) * s can miss m by a rounding step, and gather must end on the
// serve spot.
float towardCentre(float b, float m, float s)
{
    return b * (1.0f - s) + m * s;
}

}  // namespace

void fadeImage(SDL_Surface* image, SDL_Surface* backgroundImage, int direction, Uint32 pausePerStepMs,
               int x, int y, const SDL_Rect* sourceRect)
{
    if (direction != fadeIn && direction != fadeOut)
        return;
    for (int step = 0; step < 25; ++step) {
        int alpha = direction == fadeIn ? 10 * step : 250 - 10 * step;
        fadeFrame(image, backgroundImage, static_cast<Uint8>(alpha), x, y, sourceRect);
        pauseMs(pausePerStepMs);
    }
    fadeFrame(image, backgroundImage, direction == fadeIn ? 255 : 0, x, y, sourceRect);
}

void showJoystickNotice()
{
    if (settings.joy != 1)
        return;
    blit(0, 0, background, screen, nullptr);
    blit(layout::joystickNoticeTitle.x, layout::joystickNoticeTitle.y, sheet, screen, &joystickNoticeTitleRect);
    flipScreen();
    pauseMs(2000);

    const SDL_Rect* line = nullptr;
    switch (SDL_NumJoysticks()) {
    case 0: line = &noJoystickRect; break;
    case 1: line = &oneJoystickRect; break;
    case 2: line = &twoJoysticksRect; break;
    default: break;  // more sticks than the notice has words for
    }
    if (line)
        blit(layout::joystickNoticeLine.x, layout::joystickNoticeLine.y, sheet, screen, line);  // no clearing
    flipScreen();
    pauseMs(1000);
}

void paddlesAppear(const Match& m)
{
    const Paddle& left = m.sides[leftSide].paddle;
    const Paddle& right = m.sides[rightSide].paddle;
    const int lx = static_cast<int>(left.x), ly = static_cast<int>(left.y);   // px
    const int rx = static_cast<int>(right.x), ry = static_cast<int>(right.y); // px
    for (const SDL_Rect& frame : fadeFrames) {
        blit(0, 0, background, screen, nullptr);
        blit(static_cast<Sint16>(lx), static_cast<Sint16>(ly), fadeStrip, screen, &frame);
        blit(static_cast<Sint16>(rx), static_cast<Sint16>(ry), fadeStrip, screen, &frame);
        drawScore(m.sides[leftSide].score, m.sides[rightSide].score);
        flipScreen();
        pauseMs(150);
    }
}

void ballSequence(Match& m, int kind)
{
    const Ball& ball = m.ball;
    if (kind != ballAppear && kind != ballBurst && kind != ballGather)
        return;
    const float mx = centreLineX, my = courtCentreY;  // px: screen centre

    for (int k = 0; k <= 25; ++k) {
        float t = 0.002f * static_cast<float>(10 * k);
        float px = 0, py = 0;  // px: top-left of the ball picture
        float dx, dy;          // px: centre of the sphere
        int bigR, smallR;      // px
        int alpha = 0;
        if (kind == ballAppear) {
            dx = ball.x + 10.0f;
            dy = ball.y + 10.0f;
            bigR = 270 - 10 * k;
            smallR = 9;
        } else if (kind == ballBurst) {
            alpha = (250 - 10 * k) / 5;
            px = towardCentre(ball.x, mx, t);
            py = towardCentre(ball.y, my, t);
            dx = px + 10.0f;
            dy = py + 10.0f;
            bigR = 20 + 10 * k;
            smallR = 9 + 10 * k;
        } else {
            alpha = 10 * k / 5;
            dx = towardCentre(ball.x, mx, 0.5f + t);
            dy = towardCentre(ball.y, my, 0.5f + t);
            px = dx - 10.0f;
            py = dy - 10.0f;
            bigR = 270 - 10 * k;
            smallR = 259 - 10 * k;
        }

        if (kind != ballAppear)
            setSurfaceAlpha(ballImage, static_cast<Uint8>(alpha));
        blit(0, 0, background, screen, nullptr);
        if (kind != ballAppear)
            blit(static_cast<Sint16>(px), static_cast<Sint16>(py), ballImage, screen, &hitSparkFrames[0]);
        drawDotLayers(static_cast<int>(dx), static_cast<int>(dy), bigR, smallR, ball.vx, ball.vy);
        drawPaddle(m.sides[leftSide].paddle, leftSide, 0);
        drawPaddle(m.sides[rightSide].paddle, rightSide, 0);
        drawSpark(m, leftSide);
        drawSpark(m, rightSide);
        if (screen)
            SDL_UpdateRect(screen, 0, 0, courtWidth, courtHeight);
        pauseMs(30);
    }
    setSurfaceAlpha(ballImage, 255);
}

void drawScene(const Match& m)
{
    const Side& left = m.sides[leftSide];
    const Side& right = m.sides[rightSide];
    blit(0, 0, background, screen, nullptr);
    drawBallDots(m.ball);
    drawPaddle(left.paddle, leftSide, left.smashHeld ? 1 : 0);
    drawPaddle(right.paddle, rightSide, right.smashHeld ? 1 : 0);
    drawScore(left.score, right.score);
    drawPlayerLabels();
    flipScreen();
}

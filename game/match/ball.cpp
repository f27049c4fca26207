#include "game/match/ball.h"

#include <cmath>
#include <cstdlib>

#include "game/base/state.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/motion.h"
#include "game/match/paddle.h"
#include "settings/settings.h"

namespace {

const int hitRectCount = 11;
// The 20 x 20 square and, stacked under it, the narrowing shadow rows.
// Kept: the shadow rows count for hits too, so the shape reaches y + 38.
const Uint16 hitRectW[hitRectCount] = {20, 10, 14, 16, 18, 20, 18, 16, 14, 10, 6};  // px
const Uint16 hitRectH[hitRectCount] = {20, 1, 1, 2, 2, 6, 2, 2, 1, 1, 1};          // px

float withSignOf(float magnitude, float reference)
{
    return reference > 0 ? magnitude : -magnitude;
}

// Turns the ball toward the paddle's vertical motion, speed + 12 px/s.
void verticalBlend(Ball& b, float paddleVy)
{
    float s = std::sqrt(b.vx * b.vx + b.vy * b.vy) + 12.0f;
    b.vy = (paddleVy + b.vy) * 0.5f;
    if (b.vy * b.vy < s * s)
        b.vx = withSignOf(std::sqrt(s * s - b.vy * b.vy), b.vx);
}

// Turns the ball toward the paddle's horizontal motion, speed + 12 px/s.
void horizontalBlend(Ball& b, float paddleVx)
{
    float s = std::sqrt(b.vx * b.vx + b.vy * b.vy) + 12.0f;
    b.vx = (paddleVx + b.vx) * 0.5f;
    if (s * s - b.vx * b.vx > 0)
        b.vy = withSignOf(std::sqrt(s * s - b.vx * b.vx), b.vy);
}

// A paddle striking: its side of the record and how the computer plays it.
struct Striker {
    PaddleSide which;
    bool computer;       // a computer plays this paddle: hits may smash by chance
    int smashLimit;      // highest draw % 10 that smashes
    bool towardCentre;   // paddle moves toward the centre line
};

void paddleHit(Match& m, Sint32 dt, const Striker& striker, BallStrokes& strokes)
{
    Ball& b = m.ball;
    Side& side = m.sides[striker.which];
    // Out of the paddle, by 21 px plus the paddle's own travel this frame.
    float p = stepPx(side.vxSnapshot, dt) + 21.0f;
    if (b.vx > 0)
        b.x -= p;
    else
        b.x += p;

    b.vx = -b.vx;
    b.smashBoost = 0;
    if (side.smashHeld)
        b.smashBoost = 4.0f * b.vx;
    if (striker.computer && drawRand(m) % 10 <= striker.smashLimit)
        b.smashBoost = 4.0f * b.vx;

    side.hitLock = true;
    m.postLock = false;
    strokes.sides[strokes.count++] = striker.which;  // sound and spark: the layers above

    if (side.paddle.vy > 0)
        verticalBlend(b, side.paddle.vy);
    if (striker.towardCentre)
        horizontalBlend(b, side.paddle.vx);
    if (side.paddle.vy < 0)
        verticalBlend(b, side.paddle.vy);

    // Never steeper than 4 : 1.
    int a = std::abs(truncToInt(4.0f * b.vx));
    int steep = std::abs(truncToInt(b.vy));
    if (steep > a)
        b.vx = withSignOf(static_cast<float>(std::abs(truncToInt(b.vy * 0.25f))), b.vx);

    placeHitRects(b);
    ++m.hitCount;
}

// Off a wall or an edge: 21 px back against the motion, then reversed.
void bounceBack(float& position, float& velocity)
{
    if (velocity > 0)
        position -= 21;
    if (velocity < 0)
        position += 21;
    velocity = -velocity;
}

bool inPostRows(float y)
{
    return (upperPostTopY <= y && y <= upperPostBottomY) || (lowerPostTopY <= y && y <= lowerPostBottomY);
}

}  // namespace

Ball ballAt(float x, float y)
{
    Ball b{};
    for (int i = 0; i < hitRectCount; ++i) {
        b.hitRects[i].w = hitRectW[i];
        b.hitRects[i].h = hitRectH[i];
    }
    b.x = x;
    b.y = y;
    placeHitRects(b);
    return b;
}

int truncToInt(float v)
{
    const float limit = 1.0e9f;
    if (!(v > -limit))  // also NaN
        return v < 0 ? -1000000000 : 0;
    if (v > limit)
        return 1000000000;
    return static_cast<int>(v);
}

Sint16 truncToPx(float v)
{
    int i = truncToInt(v);
    if (i < -32768)
        return -32768;
    if (i > 32767)
        return 32767;
    return static_cast<Sint16>(i);
}

bool rectListsOverlap(const SDL_Rect* a, int countA, const SDL_Rect* b, int countB, int& contactX)
{
    if (a == nullptr || b == nullptr)
        return false;
    for (int i = 0; i < countA; ++i) {
        const SDL_Rect& ra = a[i];
        for (int j = 0; j < countB; ++j) {
            const SDL_Rect& rb = b[j];
            if (ra.y + ra.h > rb.y && ra.y < rb.y + rb.h && ra.x + ra.w > rb.x && ra.x < rb.x + rb.w) {
                contactX = (ra.x + (ra.x + ra.w) + rb.x + (rb.x + rb.w)) / 4;
                return true;
            }
        }
    }
    return false;
}

void placeHitRects(Ball& b)
{
    int below = 0;  // px: heights of the rects above this one
    for (SDL_Rect& r : b.hitRects) {
        r.x = truncToPx(b.x + static_cast<float>((ballSize - r.w) / 2));
        r.y = truncToPx(b.y + static_cast<float>(below));
        below += r.h;
    }
}

BallStrokes updateBall(Match& m, Sint32 dt, const SDL_Rect* leftHitRects, const SDL_Rect* rightHitRects)
{
    BallStrokes strokes{0, {leftSide, leftSide}};
    Ball& b = m.ball;
    bool& leftHitLock = m.sides[leftSide].hitLock;
    bool& rightHitLock = m.sides[rightSide].hitLock;

    b.x += stepPx(b.vx + b.smashBoost, dt);
    // A smash fades with the distance from the contact point.
    if (b.smashBoost > 50 || b.smashBoost < -50) {
        float d = static_cast<float>(m.contactX) - b.x;
        if (d <= 0)
            b.smashBoost = 0;
        else
            b.smashBoost = b.vx * 100.0f / d;
    }
    placeHitRects(b);

    if (b.x < centreLineX)
        rightHitLock = false;
    if (b.x > centreLineX)
        leftHitLock = false;

    if (b.x < 0) {
        m.rallyEnd = rallyRightScored;
        ++m.sides[rightSide].score;
    }
    if (b.x + ballSize > courtWidth) {
        m.rallyEnd = rallyLeftScored;
        ++m.sides[leftSide].score;
    }

    if (m.courtMode == courtPosts && !m.postLock && postMinX < b.x && b.x < postMaxX && inPostRows(b.y)) {
        m.postLock = true;
        b.smashBoost = 0;
        if (std::abs(truncToInt(b.vx)) > 20) {
            b.vx = -b.vx;
        } else {
            // A slow ball slips past, away from the paddle that played it.
            if (leftHitLock)
                b.vx = 20;
            if (rightHitLock)
                b.vx = -20;
        }
        placeHitRects(b);
        leftHitLock = false;
        rightHitLock = false;
    }

    if (b.x < 0 || b.x + ballSize > courtWidth) {
        bounceBack(b.x, b.vx);
        placeHitRects(b);
        stepAwayFromZero(b.vx, 5);
        ++m.hitCount;
    }

    if (rectListsOverlap(b.hitRects, hitRectCount, leftHitRects, leftHitRects ? 1 : 0, m.contactX) && !leftHitLock) {
        const Striker left{leftSide, m.gameType != gameTwoPeople, m.gameType + 1, m.sides[leftSide].paddle.vx > 0};
        paddleHit(m, dt, left, strokes);
    }
    if (rectListsOverlap(b.hitRects, hitRectCount, rightHitRects, rightHitRects ? 1 : 0, m.contactX) && !rightHitLock) {
        const Striker right{rightSide, m.gameType == gameComputerBoth, 5, m.sides[rightSide].paddle.vx < 0};
        paddleHit(m, dt, right, strokes);
    }

    b.y += stepPx(b.vy, dt);
    placeHitRects(b);

    if (b.y < 0 || b.y + ballSize > courtHeight) {
        bounceBack(b.y, b.vy);
        placeHitRects(b);
        ++m.hitCount;
    }
    return strokes;
}

void resetMatch(Match& m)
{
    m.gameType = gameType;
    m.courtMode = courtMode;
    m.rallySpeed = settings.xspeed + 300;
    m.rallyAborted = false;

    // Mend: a post bounce of the last match must not disable the posts of this one.
    m.postLock = false;
    m.hitCount = 0;
    const float startX[2] = {leftPaddleStartX, rightPaddleStartX};  // px
    for (int i : {leftSide, rightSide}) {
        Side& s = m.sides[i];
        s.hitLock = false;
        s.score = 0;
        s.vxSnapshot = 0;
        s.paddle.x = startX[i];
        s.paddle.y = paddleMatchY;
        s.paddle.vx = 0;
        s.paddle.vy = 0;
        placeHitRects(s.paddle);
    }

    Ball& ball = m.ball;
    ball.x = serveX;
    ball.y = serveY;
    ball.smashBoost = 0;
    // The serve keeps the direction the ball had.
    setMagnitude(ball.vx, 100);
    setMagnitude(ball.vy, 100);
    placeHitRects(ball);
}

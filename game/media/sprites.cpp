#include "game/media/sprites.h"

#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "settings/settings.h"

HitSpark hitSpark1;
HitSpark hitSpark2;
FrameClock sparkClock;

void resetSprites()
{
    hitSpark1 = {0};
    hitSpark2 = {0};
    sparkClock = makeFrameClock();
}

namespace {
[[maybe_unused]] const bool spritesReady = (resetSprites(), true);  // program-start values
}

void drawBallImage(const Ball& b)
{
    blit(static_cast<Sint16>(b.x), static_cast<Sint16>(b.y), ballImage, screen, nullptr);
}

void drawPaddle(const Paddle& p, int frameIndex)
{
    if (frameIndex < 0 || frameIndex > 1)
        return;  // Mend: a paddle has two looks only; no reading past the table
    SDL_Surface* image = &p == &leftPaddle ? paddleImage1 : (&p == &rightPaddle ? paddleImage2 : nullptr);
    blit(static_cast<Sint16>(p.x), static_cast<Sint16>(p.y), image, screen, &paddleFrames[frameIndex]);
}

void setFrame(HitSpark& spark, Sint32 frame)
{
    spark.frame = frame;
}

void showStroke(PaddleSide side)
{
    if (settings.sound == 1)
        playEffect(hitSound);
    setFrame(side == leftSide ? hitSpark1 : hitSpark2, 0);
}

void stopSparks()
{
    setFrame(hitSpark1, 10);
    setFrame(hitSpark2, 10);
}

void draw(HitSpark& spark, int x, int y)
{
    if (spark.frame >= 8)
        return;
    if (spark.frame < 0)
        spark.frame = 0;  // Mend: no such frame in the strip: start it as a fresh strike
    blit(static_cast<Sint16>(x - layout::sparkOffsetX), static_cast<Sint16>(y - layout::sparkOffsetY), hitSparkStrip, screen,
         &hitSparkFrames[spark.frame]);
    setSurfaceAlpha(hitSparkStrip, 128);  // sparks are half-transparent
    // Kept: one clock for both sparks, so a step of one holds the other back.
    if (elapsedMs(sparkClock) > 60) {
        ++spark.frame;
        restart(sparkClock);
    }
    if (spark.frame == 0) {
        spark.frame = 1;
        restart(sparkClock);
    }
}

#include "game/media/sprites.h"

#include "game/base/timeseam.h"
#include "game/match/step.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "settings/settings.h"

void drawBallImage(const Ball& b)
{
    blit(static_cast<Sint16>(b.x), static_cast<Sint16>(b.y), ballImage, screen, nullptr);
}

void drawPaddle(const Paddle& p, PaddleSide side, int frameIndex)
{
    if (frameIndex < 0 || frameIndex > 1)
        return;  // Mend: a paddle has two looks only; no reading past the table
    SDL_Surface* image = side == leftSide ? paddleImage1 : paddleImage2;
    blit(static_cast<Sint16>(p.x), static_cast<Sint16>(p.y), image, screen, &paddleFrames[frameIndex]);
}

void setFrame(HitSpark& spark, Sint32 frame)
{
    spark.frame = frame;
}

void playHitSound()
{
    if (settings.sound == 1)
        playEffect(hitSound);
}

void stopSparks(Match& m)
{
    setFrame(m.sides[leftSide].hitSpark, 10);
    setFrame(m.sides[rightSide].hitSpark, 10);
}

void draw(HitSpark& spark, FrameClock& sparkClock, int x, int y)
{
    if (spark.frame >= 8)
        return;
    if (spark.frame < 0)
        spark.frame = 0;  // Mend: no such frame in the strip: start it as a fresh strike
    blit(static_cast<Sint16>(x - layout::sparkOffsetX), static_cast<Sint16>(y - layout::sparkOffsetY), hitSparkStrip, screen,
         &hitSparkFrames[spark.frame]);
    setSurfaceAlpha(hitSparkStrip, 128);  // sparks are half-transparent
    advanceSpark(spark, sparkClock, nowMs());
}

void drawSpark(Match& m, PaddleSide side)
{
    Side& s = m.sides[side];
    draw(s.hitSpark, m.sparkClock, static_cast<int>(s.paddle.x), static_cast<int>(s.paddle.y));
}

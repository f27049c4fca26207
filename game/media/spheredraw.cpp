#include "game/media/spheredraw.h"

#include <cmath>

#include "game/match/ball.h"
#include "game/match/sphere.h"
#include "game/media/media.h"

namespace {

const Uint32 white = 0xFFFFFF;
const Uint32 black = 0;
// Locks the display surface for direct pixel writes when it needs it.
// Nested locks are counted by SDL, so the callers below may nest.
struct ScreenLock {
    bool ok;
    ScreenLock() : ok(screen != nullptr && (!SDL_MUSTLOCK(screen) || SDL_LockSurface(screen) == 0)) {}
    ~ScreenLock()
    {
        if (ok && SDL_MUSTLOCK(screen))
            SDL_UnlockSurface(screen);
    }
    ScreenLock(const ScreenLock&) = delete;
    ScreenLock& operator=(const ScreenLock&) = delete;
};

}  // namespace

void drawSphereHalf(int cx, int cy, int radius, SphereHalf half, Uint32 colour, float phi, float theta)
{
    rollDots(SphereRoll{phi, theta});

    ScreenLock lock;
    if (!lock.ok)
        return;
    const float reach = static_cast<float>(radius - 2);  // px from the centre
    const int discRadius = half == sphereBack ? 1 : 2;
    for (int i = 0; i < sphereDotCount; ++i) {
        const Dot& d = sphereDots[i];
        const bool front = d.z >= 0;
        if (front != (half == sphereFront))
            continue;
        const int column = truncToInt(static_cast<float>(cx) + reach * d.x);
        const int row = truncToInt(static_cast<float>(cy) + reach * d.y);
        fillDisc(column, row, discRadius, colour);
    }
}

// Mend: writes only inside the surface (rows and columns clipped at every
// edge), only to 32-bit pixels, and with the surface locked when it must be.
void fillDisc(int cx, int cy, int r, Uint32 colour)
{
    if (r <= 0 || screen == nullptr || screen->format == nullptr || screen->format->BytesPerPixel != 4)
        return;
    ScreenLock lock;
    if (!lock.ok || screen->pixels == nullptr)
        return;
    Uint8* const pixels = static_cast<Uint8*>(screen->pixels);
    const long long width = screen->w;    // px
    const long long height = screen->h;   // px
    for (long long i = 0; i < 2LL * r; ++i) {
        const long long row = static_cast<long long>(cy) - r + i;
        if (row < 0 || row >= height)
            continue;
        const long long k = r - i;
        const long long rr = static_cast<long long>(r) * r;
        long long w = 2 * static_cast<long long>(std::sqrt(static_cast<float>(rr - k * k)));
        long long left = cx - w / 2;
        if (left < 0) {
            w += left;
            left = 0;
        }
        if (left + w >= width)
            w = width - left;
        if (w <= 0)
            continue;
        Uint32* p = reinterpret_cast<Uint32*>(pixels + row * screen->pitch) + left;
        for (long long j = 0; j < w; ++j)
            p[j] = colour;
    }
}

void drawDotLayers(int cx, int cy, int bigR, int smallR, float vx, float vy)
{
    const SphereRoll roll = sphereRoll(vx, vy);  // the same four rolls as rollDotsAsDrawn
    ScreenLock lock;  // once for all four layers
    drawSphereHalf(cx, cy, bigR, sphereBack, white, roll.phi, roll.theta);
    drawSphereHalf(cx, cy, bigR, sphereFront, white, roll.phi, roll.theta);
    drawSphereHalf(cx, cy, smallR, sphereBack, black, roll.phi, roll.theta);
    drawSphereHalf(cx, cy, smallR, sphereFront, black, roll.phi, roll.theta);
}

void drawBallDots(const Ball& ball)
{
    const int cx = truncToInt(ball.x + 10);
    const int cy = truncToInt(ball.y + 10);
    drawDotLayers(cx, cy, 20, 9, ball.vx, ball.vy);
}

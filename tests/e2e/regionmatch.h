// How much of a reference picture a grabbed picture shows at a place. Pixels
// of the reference in pure cyan (0, 255, 255), the game's colour key, are
// "don't care": whatever lies under them on the screen is fine.
#pragma once

#include "SDL.h"

struct RegionScore {
    long compared = 0;  // reference pixels that count
    long same = 0;      // of those, pixels the grabbed picture shows exactly
    double share() const { return compared ? static_cast<double>(same) / compared : 0.0; }
};

// The reference converted to 0x00RRGGBB pixels, so that any BMP depth reads
// the same way. Null when the file cannot be read.
inline SDL_Surface* loadReference(const char* file)
{
    SDL_Surface* loaded = SDL_LoadBMP(file);
    if (!loaded)
        return nullptr;
    SDL_Surface* rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_Surface* converted = rgb ? SDL_ConvertSurface(loaded, rgb->format, SDL_SWSURFACE) : nullptr;
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(loaded);
    return converted;
}

// Compares the part src of the reference with the grabbed picture at
// (atX, atY). grabbed(x, y, rgb) gives a pixel as 0x00RRGGBB and returns
// false outside the picture, which counts as a mismatch. Stops early once
// more than maxMisses pixels differ (negative: never).
template <typename Grabbed>
RegionScore compareRegion(SDL_Surface* reference, SDL_Rect src, int atX, int atY, Grabbed grabbed,
                          long maxMisses = -1)
{
    RegionScore score;
    if (!reference || src.x + src.w > reference->w || src.y + src.h > reference->h)
        return score;
    SDL_LockSurface(reference);
    for (int y = 0; y < src.h; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(reference->pixels) +
                                                            (src.y + y) * reference->pitch);
        for (int x = 0; x < src.w; ++x) {
            const Uint32 want = row[src.x + x] & 0xFFFFFF;
            if (want == 0x00FFFF)
                continue;
            ++score.compared;
            Uint32 got = 0;
            if (grabbed(atX + x, atY + y, got) && (got & 0xFFFFFF) == want)
                ++score.same;
            else if (maxMisses >= 0 && score.compared - score.same > maxMisses) {
                SDL_UnlockSurface(reference);
                return score;
            }
        }
    }
    SDL_UnlockSurface(reference);
    return score;
}

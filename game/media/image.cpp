#include "game/media/image.h"

SDL_Rect hitSparkFrames[8];
SDL_Rect digitRects[10];
SDL_Rect scoreSeparatorRect;
SDL_Rect matchEndBannerRect;
SDL_Rect joystickNoticeTitleRect;
SDL_Rect oneJoystickRect;
SDL_Rect twoJoysticksRect;
SDL_Rect noJoystickRect;
SDL_Rect humanLabelRect;
SDL_Rect computerLabelRect;
SDL_Rect computerLabelShortRect;
SDL_Rect fadeFrames[7];
SDL_Rect paddleFrames[2];

namespace {

SDL_Rect rect(int x, int y, int w, int h)
{
    SDL_Rect r;
    r.x = static_cast<Sint16>(x);
    r.y = static_cast<Sint16>(y);
    r.w = static_cast<Uint16>(w);
    r.h = static_cast<Uint16>(h);
    return r;
}

}  // namespace

SDL_Surface* loadImage(const char* file)
{
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    if (!rw)
        return nullptr;
    SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);  // closes rw in every case
    if (!loaded)
        return nullptr;
    SDL_Surface* converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    if (!converted)
        return nullptr;
    SDL_SetColorKey(converted, SDL_SRCCOLORKEY | SDL_RLEACCEL, SDL_MapRGB(converted->format, 0, 255, 255));
    return converted;
}

void blit(Sint16 x, Sint16 y, SDL_Surface* source, SDL_Surface* destination, const SDL_Rect* sourceRect)
{
    if (!source || !destination)
        return;
    SDL_Rect dst = rect(x, y, 0, 0);
    // SDL clips the source rectangle in place: hand it a copy so the atlas
    // entry stays as it is.
    SDL_Rect src;
    SDL_Rect* srcArg = nullptr;
    if (sourceRect) {
        src = *sourceRect;
        srcArg = &src;
    }
    SDL_UpperBlit(source, srcArg, destination, &dst);
}

void setSurfaceAlpha(SDL_Surface* surface, Uint8 alpha)
{
    if (surface)
        SDL_SetAlpha(surface, SDL_SRCALPHA | SDL_RLEACCEL, alpha);
}

void fillAtlas()
{
    // Four spark pictures forward, then back.
    static const int sparkX[8] = {0, 111, 222, 333, 333, 222, 111, 0};
    for (int i = 0; i < 8; ++i)
        hitSparkFrames[i] = rect(sparkX[i], 0, 111, 161);

    for (int d = 0; d < 10; ++d)
        digitRects[d] = rect(40 * d, 0, 40, 52);
    scoreSeparatorRect = rect(575, 0, 11, 52);
    matchEndBannerRect = rect(1, 53, 300, 80);
    joystickNoticeTitleRect = rect(301, 53, 330, 22);
    oneJoystickRect = rect(301, 75, 330, 22);
    twoJoysticksRect = rect(301, 99, 330, 22);
    noJoystickRect = rect(301, 121, 330, 22);

    // The two label rows share row 17.
    humanLabelRect = rect(0, 0, 140, 18);
    computerLabelRect = rect(0, 17, 140, 17);
    computerLabelShortRect = rect(0, 17, 77, 17);

    // The second frame sits at 40, not 20: the strip is cut that way.
    static const int fadeX[7] = {0, 40, 60, 80, 100, 120, 140};
    for (int i = 0; i < 7; ++i)
        fadeFrames[i] = rect(fadeX[i], 0, 20, 80);

    paddleFrames[0] = rect(0, 0, 20, 80);
    paddleFrames[1] = rect(20, 0, 20, 80);
}

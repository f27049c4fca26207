#include "game/media/image.h"

#include "game/match/court.h"
#include "game/media/atlas.h"

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

SDL_Rect rect(const AtlasRect& a)
{
    return rect(a.x, a.y, a.w, a.h);
}

// Mend: the most pixels a picture may claim: far above the full-screen 800 x 600
// pictures, far below what a damaged header can ask for (SDL allocates and
// clears the whole surface before it reads a single row).
const Sint64 maxPicturePixels = 4096 * 4096;

Sint64 readLE(const Uint8* p, int bytes)
{
    Sint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Whether the BMP header at the start of rw claims a size we are willing to
// allocate. Headers too short to tell are left to SDL's loader to refuse.
// The stream is put back where it was.
bool pictureSizeAcceptable(SDL_RWops* rw)
{
    Uint8 head[26];  // file header (14) and the size fields of the info header
    int start = SDL_RWtell(rw);
    int got = SDL_RWread(rw, head, 1, sizeof head);
    if (start < 0 || SDL_RWseek(rw, start, RW_SEEK_SET) != start)
        return false;
    if (got < 22)
        return true;
    Sint64 w, h;
    if (readLE(head + 14, 4) == 12) {  // OS/2 core header: 16-bit sizes
        w = readLE(head + 18, 2);
        h = readLE(head + 20, 2);
    } else {
        if (got < 26)
            return true;
        w = static_cast<Sint32>(static_cast<Uint32>(readLE(head + 18, 4)));
        h = static_cast<Sint32>(static_cast<Uint32>(readLE(head + 22, 4)));  // negative: top-down rows
    }
    w = w < 0 ? -w : w;
    h = h < 0 ? -h : h;
    return w * h <= maxPicturePixels;
}

// Whether any pixel of the surface has this value (colour bits only).
bool hasPixelOf(SDL_Surface* surface, Uint32 value)
{
    const int bytes = surface->format->BytesPerPixel;
    const Uint32 colourBits = surface->format->Rmask | surface->format->Gmask | surface->format->Bmask;
    if (bytes != 4 || colourBits == 0)
        return true;  // not worth a look: key it as always
    bool found = false;
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h && !found; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            if (((row[x] ^ value) & colourBits) == 0) {
                found = true;
                break;
            }
        }
    }
    SDL_UnlockSurface(surface);
    return found;
}

}  // namespace

SDL_Surface* loadImage(const char* file)
{
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    if (!rw)
        return nullptr;
    if (!pictureSizeAcceptable(rw)) {
        SDL_RWclose(rw);
        return nullptr;
    }
    SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);  // closes rw in every case
    if (!loaded)
        return nullptr;
    SDL_Surface* converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    if (!converted)
        return nullptr;
    const Uint32 key = SDL_MapRGB(converted->format, 0, 255, 255);
    // Mend: a picture without a single pixel of the key colour gets no colour
    // key. Keying it would leave out no pixel, but SDL's keyed blits run
    // per pixel: about 3.5 times slower for an opaque copy and 10 times for
    // a fade's blended one. Fade steps in between may differ by one in a
    // colour channel (the unkeyed blend rounds differently); every finished
    // picture is the same.
    if (hasPixelOf(converted, key))
        SDL_SetColorKey(converted, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
    return converted;
}

void blit(Sint16 x, Sint16 y, SDL_Surface* source, SDL_Surface* destination, const SDL_Rect* sourceRect)
{
    if (!source || !destination)
        return;
    SDL_Rect dst = rect(x, y, 0, 0);
    // Mend: SDL clips the source rectangle in place: hand it a copy so the atlas
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
    if (!surface)
        return;
    // Mend: full alpha on a picture without an alpha channel turns blending
    // off. SDL 1.2 drew such a surface as an opaque copy; SDL 2 blends it in
    // its slowest per-pixel blitter (a keyed paddle: 30 times the cost) for
    // the very same pixels.
    if (alpha == 255 && surface->format->Amask == 0)
        SDL_SetAlpha(surface, SDL_RLEACCEL, alpha);
    else
        SDL_SetAlpha(surface, SDL_SRCALPHA | SDL_RLEACCEL, alpha);
}

SDL_Rect clippedToDisplay(int left, int top, int right, int bottom)
{
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right > courtWidth ? courtWidth : right;
    bottom = bottom > courtHeight ? courtHeight : bottom;
    return rect(left, top, right > left ? right - left : 0, bottom > top ? bottom - top : 0);
}

void fillAtlas()
{
    for (int i = 0; i < 8; ++i)
        hitSparkFrames[i] = rect(atlas::hitSparkFrames[i]);
    for (int d = 0; d < 10; ++d)
        digitRects[d] = rect(atlas::digitRects[d]);
    scoreSeparatorRect = rect(atlas::scoreSeparatorRect);
    matchEndBannerRect = rect(atlas::matchEndBannerRect);
    joystickNoticeTitleRect = rect(atlas::joystickNoticeTitleRect);
    oneJoystickRect = rect(atlas::oneJoystickRect);
    twoJoysticksRect = rect(atlas::twoJoysticksRect);
    noJoystickRect = rect(atlas::noJoystickRect);
    humanLabelRect = rect(atlas::humanLabelRect);
    computerLabelRect = rect(atlas::computerLabelRect);
    computerLabelShortRect = rect(atlas::computerLabelShortRect);
    for (int i = 0; i < 7; ++i)
        fadeFrames[i] = rect(atlas::fadeFrames[i]);
    for (int i = 0; i < 2; ++i)
        paddleFrames[i] = rect(atlas::paddleFrames[i]);
}

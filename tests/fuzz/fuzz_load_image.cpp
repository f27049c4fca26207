// loadImage on any bytes, then the blits the game makes with a picture:
// whole, through atlas rectangles, off every edge, colour keyed and
// half-transparent.
#include <string>

#include "SDL.h"
#include "fuzz_support.h"
#include "game/media/image.h"
#include "game/media/media.h"

namespace {

std::string path;

// Whether any pixel of the picture is the key colour, cyan.
bool holdsCyan(SDL_Surface* image)
{
    SDL_LockSurface(image);
    bool found = false;
    for (int y = 0; y < image->h && !found; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(image->pixels) + y * image->pitch);
        for (int x = 0; x < image->w && !found; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(row[x], image->format, &r, &g, &b);
            found = r == 0 && g == 255 && b == 255;
        }
    }
    SDL_UnlockSurface(image);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    useHeadlessDrivers();
    path = scratchFolder() + "/picture.dat";
    require(SDL_Init(SDL_INIT_VIDEO) == 0, "SDL_Init");
    screen = SDL_SetVideoMode(800, 600, 32, 0);
    require(screen != nullptr, "SDL_SetVideoMode");
    fillAtlas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFileBytes(path, data, size);
    SDL_Surface* image = loadImage(path.c_str());
    if (!image)
        return 0;
    require(image->format->BitsPerPixel == screen->format->BitsPerPixel, "picture not in the display format");
    // Keyed exactly when there is something to key out.
    require(((image->flags & SDL_SRCCOLORKEY) != 0) == holdsCyan(image), "colour key does not match the picture");

    blit(0, 0, image, screen, nullptr);
    blit(-45, -40, image, screen, &hitSparkFrames[3]);
    blit(790, 590, image, screen, &scoreSeparatorRect);
    blit(-32768, 32767, image, screen, &paddleFrames[1]);
    setSurfaceAlpha(image, 128);
    blit(400, 300, image, screen, &matchEndBannerRect);
    blit(0, 350, image, screen, nullptr);
    SDL_FreeSurface(image);
    return 0;
}

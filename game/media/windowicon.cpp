#include "game/media/windowicon.h"

#include "SDL.h"

void setWindowIcon()
{
    const int size = windowIconSize;
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    const Uint32 r = 0x000000ff, g = 0x0000ff00, b = 0x00ff0000, a = 0xff000000;
#else
    const Uint32 r = 0xff000000, g = 0x00ff0000, b = 0x0000ff00, a = 0x000000ff;
#endif
    // SDL only reads the pixels, and copies them before this returns.
    SDL_Surface* icon = SDL_CreateRGBSurfaceFrom(const_cast<unsigned char*>(windowIconRgba), size, size, 32,
                                                 size * 4, r, g, b, a);
    if (!icon)
        return;
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
}

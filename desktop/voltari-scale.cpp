// Prints the window scale for the desktop: the largest whole number at which
// the game's 800 x 600 window stays within about 90% of the desktop, at
// least 1. The launcher hands it to sdl12-compat; 1 when there is no display.
#include <cstdio>

#include "SDL.h"
#include "game/match/court.h"

int main(int, char**)
{
    int scale = 1;
    if (SDL_Init(SDL_INIT_VIDEO) == 0) {
        const SDL_VideoInfo* info = SDL_GetVideoInfo();
        if (info && info->current_w > 0 && info->current_h > 0) {
            const int byWidth = info->current_w * 9 / (10 * courtWidth);
            const int byHeight = info->current_h * 9 / (10 * courtHeight);
            scale = byWidth < byHeight ? byWidth : byHeight;
        }
        SDL_Quit();
    }
    std::printf("%d\n", scale < 1 ? 1 : scale);
    return 0;
}

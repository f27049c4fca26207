#include "game/media/media.h"

#include <cstdio>
#include <cstdlib>

#include "SDL_mixer.h"
#include "game/match/court.h"
#include "game/media/assets.h"
#include "game/media/renderername.h"
#include "game/media/windowicon.h"
#include "settings/settings.h"

SDL_Surface* screen = nullptr;
SDL_Joystick* joystick0 = nullptr;
SDL_Joystick* joystick1 = nullptr;

bool startMedia()
{
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        std::fprintf(stderr, "Unable to init SDL: %s\n", SDL_GetError());
        std::exit(1);
    }
    // Mend: the window carries the game's icon, for task bars and docks; it
    // has to be set before the video mode.
    setWindowIcon();
    Uint32 flags = settings.fullscreen == 1 ? (SDL_FULLSCREEN | SDL_DOUBLEBUF) : 0;
    screen = SDL_SetVideoMode(courtWidth, courtHeight, 32, flags);
    // The mixer is opened even when the display failed; that failure is
    // reported after it.
    if (Mix_OpenAudio(22050, AUDIO_S16SYS, 1, 512) == -1)
        return false;
    Mix_AllocateChannels(5);  // effects take the first free one
    if (!screen)
        return false;
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_SetCaption("VOLTARI", nullptr);
    // Which of SDL's renderers the launcher's choice left the window with,
    // for its test and the benchmark.
    if (std::getenv("VOLTARI_SHOW_RENDERER"))
        std::fprintf(stderr, "voltari: renderer %s\n", rendererName());
    return true;
}

namespace {

void freeImage(SDL_Surface*& slot)
{
    SDL_FreeSurface(slot);  // null is fine; the display surface is left alone by SDL
    slot = nullptr;
}

void freeChunk(Mix_Chunk*& slot)
{
    if (slot)
        Mix_FreeChunk(slot);
    slot = nullptr;
}

void closeJoystick(SDL_Joystick*& stick)
{
    if (stick)
        SDL_JoystickClose(stick);
    stick = nullptr;
}

}  // namespace

void shutdownMedia()
{
    if (music)
        Mix_FreeMusic(music);
    music = nullptr;

    freeImage(menuPage);
    freeImage(courtStrip);
    freeImage(ballImage);
    freeImage(paddleImage1);
    freeImage(paddleImage2);
    // SDL keeps the display surface until SDL_Quit, whatever is freed here;
    // our pointer to it is dropped all the same.
    freeImage(screen);
    freeImage(background);
    freeImage(hitSparkStrip);
    freeImage(menuBackdrop);
    freeImage(sheet);
    freeImage(fadeStrip);
    freeImage(playerLabels);
    freeImage(logo);

    freeChunk(hitSound);
    freeChunk(ufoSound);
    freeChunk(crackSound);

    closeJoystick(joystick0);
    closeJoystick(joystick1);

    Mix_CloseAudio();
    SDL_Quit();
}

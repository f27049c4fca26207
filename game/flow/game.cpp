// The game's main function: start-up, the main loop and the closing sequence.
#include "game/flow/game.h"

#include <cstdio>

#include "SDL_mixer.h"
#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/matchloop.h"
#include "game/flow/menu.h"
#include "game/flow/netgame.h"
#include "game/flow/redraw.h"
#include "game/match/match.h"
#include "game/match/sphere.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/media/sequences.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

namespace {

const Uint8 closingGreys[6] = {175, 143, 95, 63, 31, 15};

// Logo fade and six darkening grey screens. False when a flip failed.
bool closingSequence()
{
    // Mend: the logo was let go after the opening. The closing shows nothing
    // else, so the two full-screen backdrops go before it is read again: the
    // closing never holds more pictures than play did.
    releaseImage(background);
    releaseImage(menuBackdrop);
    reloadLogo();
    fadeImage(logo, nullptr, fadeIn, 100, 0, 0, nullptr);
    for (Uint8 level : closingGreys) {
        SDL_FillRect(screen, &screen->clip_rect, SDL_MapRGB(screen->format, level, level, level));
        pauseMs(200);
        if (SDL_Flip(screen) == -1)
            return false;
    }
    return true;
}

}  // namespace

// Mend: a failed start closes the mixer, so that no audio thread runs on
// while the process exits.
int failedRun()
{
    Mix_CloseAudio();  // nothing if the mixer never opened
    return 1;
}

void resetGame()
{
    resetSharedState();
    currentMatch() = startingMatch(nowMs());
    forgetCourt();
}

int runGame()
{
    resetGame();
    buildSphereDots();
    fillAtlas();
    Match& m = currentMatch();
    // resetMatch keeps these signs: the program's first serve goes right and down.
    m.ball.vx = 100;
    m.ball.vy = 100;
    m.frameClock = makeFrameClock(nowMs());

    loadSettings();
    if (!startMedia())
        return failedRun();
    if (!loadAssets())
        return failedRun();
    // A network game starts here, before anything that takes time or reads
    // the play settings, so that both machines start from the same moment.
    const int ended = startNetGame();
    if (ended >= 0) {
        shutdownMedia();
        return ended;
    }
    if (settings.joy == 1) {
        joystick0 = SDL_JoystickOpen(0);
        joystick1 = SDL_JoystickOpen(1);
    }
    restart(m.frameClock, nowMs());

    fadeImage(logo, nullptr, fadeIn, 100, 0, 0, nullptr);
    fadeImage(logo, background, fadeOut, 100, 0, 0, nullptr);
    // Mend: the logo shows again only in the closing; its 1.9 MB are let go
    // in between.
    releaseImage(logo);
    showJoystickNotice();
    if (settings.sound == 1 && Mix_PlayMusic(music, -1) == -1) {
        std::printf("Mix_PlayMusic: %s\n", SDL_GetError());
        std::fflush(stdout);
    }
    Mix_VolumeMusic(25);  // Kept: musicVolume stays 10, so the menu's first 'm' gives 25 again

    for (;;) {
        if (!inMatch && !menuPhase())
            return failedRun();
        matchFrame();  // Kept: one frame runs even when the menu was left by quitting
        if (quitRequested) {
            netGameClosing();
            if (!closingSequence())
                return failedRun();
            netGameClosed();
            shutdownMedia();
            return 0;
        }
    }
}

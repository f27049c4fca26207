#include "game/flow/menu.h"

#include <cstdio>

#include "SDL_mixer.h"
#include "game/base/frameclock.h"
#include "game/base/inputseam.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "game/media/sequences.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

namespace {

enum TickResult { tickGoesOn, tickEndsMenu, tickFlipFailed };

void drawAt(ScreenPlace place, SDL_Surface* image)
{
    blit(static_cast<Sint16>(place.x), static_cast<Sint16>(place.y), image, screen, nullptr);
}

void moveCursor(int step)
{
    gameType += step;
    showMenuPage(gameType);
}

// Acts on the event record; true when the event ends the menu.
bool actOnEvent()
{
    if (event.type == SDL_KEYDOWN) {
        switch (event.key.keysym.sym) {
        case SDLK_UP:
            if (gameType > gameTwoPeople)
                moveCursor(-1);
            return false;
        case SDLK_DOWN:
            if (gameType < gameComputerBoth)
                moveCursor(1);
            return false;
        case SDLK_LEFT:
        case SDLK_RIGHT:
            showMenuPage(gameType);
            toggleCourt();
            return false;
        case SDLK_m:
            stepMenuVolume();
            return false;
        case SDLK_RETURN:
        case SDLK_SPACE:
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return true;
        case SDLK_ESCAPE:
            quitRequested = true;
            return true;
        case SDLK_F1:
            courtMode = courtBonus;
            gameType = gameComputerLevel5;
            return true;
        case SDLK_F2:
            courtMode = courtBonus;
            return true;
        default:
            return false;
        }
    }
    if (event.type == SDL_JOYAXISMOTION && settings.joy == 1) {
        const Sint16 value = event.jaxis.value;
        const bool pushed = value <= -stickPush || value >= stickPush;
        if (event.jaxis.axis == 0 && pushed) {
            if (gameType < gameComputerBoth) {  // Kept: unlike the arrow keys, not on the last entry
                showMenuPage(gameType);
                toggleCourt();
            }
        } else if (event.jaxis.axis == 1 && value >= stickPush) {
            if (gameType < gameComputerBoth)
                moveCursor(1);
        } else if (event.jaxis.axis == 1 && value <= -stickPush) {
            if (gameType > gameTwoPeople)
                moveCursor(-1);
        } else if (event.jaxis.axis <= 1 && !pushed) {
            pauseMs(1);
        }
        return false;
    }
    if (event.type == SDL_JOYBUTTONUP && settings.joy == 1)
        return event.jbutton.button == 0;
    if (event.type == SDL_QUIT) {
        quitRequested = true;
        return true;
    }
    return false;
}

// One tick: a single poll, a flip, a 30 ms pause, then the action.
// Kept: an empty queue leaves the last event in place, so a held key repeats.
TickResult menuTick()
{
    pollEvent(&event);
    if (SDL_Flip(screen) == -1)
        return tickFlipFailed;
    pauseMs(30);
    return actOnEvent() ? tickEndsMenu : tickGoesOn;
}

const char* courtBackgroundFile(int court)
{
    switch (court) {
    case courtPosts:
        return "screen_0.gfx";
    case courtBonus:
        return "screen_2.gfx";
    default:
        return "screen_1.gfx";
    }
}

}  // namespace

void drawMenu()
{
    blit(0, 0, menuBackdrop, screen, nullptr);
    drawAt(layout::menuPage, menuPage);
    drawAt(layout::courtStrip, courtStrip);
}

// Kept: the menu steps the volume by 25 (0 and 25), the match by 10.
void stepMenuVolume()
{
    musicVolume -= 25;
    if (musicVolume < 0)
        musicVolume = 25;
    Mix_VolumeMusic(musicVolume);
}


void showMenuPage(int type)
{
    blit(0, 0, menuBackdrop, screen, nullptr);
    if (type >= gameTwoPeople && type <= gameComputerBoth)
        loadMenuPage(type + 1);
    pauseMs(200);
}

bool loadMenuPage(int n)
{
    char file[16];
    std::snprintf(file, sizeof file, "pic_%d.dat", n);
    replaceImage(menuPage, file);
    drawMenu();
    SDL_Flip(screen);
    return true;
}

void toggleCourt()
{
    if (courtMode == courtPlain) {
        courtMode = courtPosts;
        replaceImage(courtStrip, "lev_2.dat");
    } else {
        courtMode = courtPlain;
        replaceImage(courtStrip, "lev_1.dat");
    }
    drawMenu();
    SDL_Flip(screen);
}

bool menuPhase()
{
    const Match& m = currentMatch();
    if (m.sides[leftSide].score == settings.pointsToWin || m.sides[rightSide].score == settings.pointsToWin)
        fadeImage(sheet, nullptr, fadeIn, 150, layout::matchEndBanner.x, layout::matchEndBanner.y,
                  &matchEndBannerRect);
    fadeImage(background, nullptr, fadeIn, 10, 0, 0, nullptr);
    if (SDL_Flip(screen) == -1)
        return false;
    fadeImage(menuBackdrop, background, fadeIn, 25, 0, 0, nullptr);
    blit(0, 0, menuBackdrop, screen, nullptr);
    drawAt(layout::courtStrip, courtStrip);
    if (gameType == gameComputerLevel5)
        gameType = gameTwoPeople;
    if (courtMode == courtBonus)
        toggleCourt();
    showMenuPage(gameType);
    if (SDL_Flip(screen) == -1)
        return false;

    while (pollEvent(&event) == 1) {
    }
    for (;;) {
        TickResult result = menuTick();
        if (result == tickFlipFailed)
            return false;
        if (result == tickEndsMenu)
            break;
    }
    startMatch();
    return true;
}

void startMatch()
{
    replaceImage(background, courtBackgroundFile(courtMode));
    fadeImage(menuBackdrop, background, fadeOut, 25, 0, 0, nullptr);
    Match& m = currentMatch();
    resetMatch(m);
    stopSparks(m);
    inMatch = true;
    // Kept: events that wait now are not discarded: keys pressed during the
    // start sequence reach the first frame.
    if (!quitRequested) {
        paddlesAppear(m);
        ballSequence(m, ballAppear);
        drawScene(m);
    }
    restart(m.frameClock, nowMs());
}

// The whole game driven by arbitrary input: the bytes become a timed event
// script (both players' keys, smash keys, 'k', 'm', F1, F2, Escape, Return,
// the window's close, stick axes, hats and buttons, mouse motion and
// buttons, focus changes) and the real game runs it on the virtual clock
// from start-up through the menu and matches, headless, for a bounded
// virtual time. After every match frame the rules that always hold are
// checked. Input layout:
//   byte 0     the settings: bit 0 joy, 1-2 xspeed, 3-4 sbots, 5 littlepoints
//   then records of three bytes: wait (x 16 ms), what, value
// The game folder holds small stand-in pictures and sounds: the rules of
// play do not depend on the pictures' pixels, and small ones keep a run
// short.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "SDL.h"
#include "fuzz_support.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "settings/settings.h"
#include "support/gamerun.h"
#include "support/media_fixture.h"

namespace {

// The match the game plays, which this program watches and sets up.
Match& m = currentMatch();

const Uint32 startMs = 1000;             // virtual clock at start-up (ms)
const Uint32 waitUnitMs = 16;            // one step of a record's wait (ms)
const Uint32 lastEventMs = 45 * 1000;    // no event later than this (ms)
const Uint32 afterLastMs = 3000;         // the run goes on this long after the last event (ms)

// Keys the game acts on somewhere, and two it ignores.
const SDLKey keys[] = {SDLK_w,     SDLK_a,     SDLK_s,      SDLK_d,     SDLK_LSHIFT, SDLK_UP,
                       SDLK_DOWN,  SDLK_LEFT,  SDLK_RIGHT,  SDLK_RSHIFT, SDLK_k,     SDLK_m,
                       SDLK_F1,    SDLK_F2,    SDLK_ESCAPE, SDLK_RETURN, SDLK_SPACE, SDLK_x};
const int keyCount = static_cast<int>(sizeof keys / sizeof keys[0]);

SDL_Event blank(Uint8 type)
{
    SDL_Event e;
    SDL_memset(&e, 0, sizeof e);
    e.type = type;
    return e;
}

// One record's event; `what` picks the kind, `value` its details.
SDL_Event eventOf(Uint8 what, Uint8 value)
{
    const int kind = what % 9;
    switch (kind) {
    case 0:
    case 1:
    case 2: {  // keys, the most common by far
        const SDLKey key = keys[(what / 9 + value) % keyCount];
        return (value & 0x80) ? keyUp(key) : keyDown(key);
    }
    case 3:
        return joyAxis(value & 1, (value >> 1) & 3, static_cast<Sint16>((what / 9 - 14) * 2500));
    case 4:
        return joyButton((value & 0x80) ? SDL_JOYBUTTONUP : SDL_JOYBUTTONDOWN, value & 1, (value >> 1) & 3);
    case 5: {
        SDL_Event e = blank(SDL_JOYHATMOTION);
        e.jhat.which = value & 1;
        e.jhat.hat = 0;
        e.jhat.value = (value >> 1) & 0x0F;
        return e;
    }
    case 6: {
        SDL_Event e = mouseMotion(static_cast<Uint16>(value * 3), static_cast<Uint16>(what * 2));
        return e;
    }
    case 7: {
        SDL_Event e = blank((value & 0x80) ? SDL_MOUSEBUTTONUP : SDL_MOUSEBUTTONDOWN);
        e.button.button = static_cast<Uint8>(1 + (value & 3));
        e.button.x = static_cast<Uint16>(what * 3);
        e.button.y = static_cast<Uint16>(value * 2);
        return e;
    }
    default: {
        if (value < 16)
            return quitEvent();
        SDL_Event e = blank(SDL_ACTIVEEVENT);
        e.active.gain = value & 1;
        e.active.state = static_cast<Uint8>(1 << ((value >> 1) % 3));  // mouse, input or app focus
        return e;
    }
    }
}

// ---- the rules checked after every match frame ----------------------------

struct Watch {
    Uint64 pacingSeen = 0;   // frames seen so far
    Uint32 matchFrames = 0;  // frames since the match began
    bool wasInMatch = false;
    Sint32 startSpeed = 0;   // px/s: rallySpeed at the match's start
} watch;

bool finite(float v) { return std::isfinite(v); }

bool inZone(const Paddle& p, int minX, int maxX)
{
    return p.x >= static_cast<float>(minX) && p.x + paddleWidth <= static_cast<float>(maxX) && p.y >= 0 &&
           p.y + paddleHeight <= courtHeight;
}

void checkFrame()
{
    require(inZone(m.sides[leftSide].paddle, leftZoneMinX, leftZoneMaxX), "the left paddle left its zone");
    require(inZone(m.sides[rightSide].paddle, rightZoneMinX, rightZoneMaxX), "the right paddle left its zone");
    require(finite(m.sides[leftSide].paddle.vx) && finite(m.sides[leftSide].paddle.vy) && finite(m.sides[rightSide].paddle.vx) && finite(m.sides[rightSide].paddle.vy),
            "a paddle's velocity is not finite");
    require(finite(m.ball.x) && finite(m.ball.y) && finite(m.ball.vx) && finite(m.ball.vy) && finite(m.ball.smashBoost),
            "the ball's position or velocity is not finite");
    require(m.sides[leftSide].score >= 0 && m.sides[leftSide].score <= settings.pointsToWin && m.sides[rightSide].score >= 0 && m.sides[rightSide].score <= settings.pointsToWin,
            "a score outside 0 to pointsToWin");
    // A match starts at 300 + xspeed; a frame after bounces adds 7, a point
    // takes 100 off down to 400, or puts 300 back.
    require(m.rallySpeed >= 300, "rallySpeed below 300");
    require(static_cast<Sint64>(m.rallySpeed) <= static_cast<Sint64>(watch.startSpeed) + 7LL * watch.matchFrames,
            "rallySpeed above what its steps allow");
    for (const SDL_Rect& r : updateRects)
        require(r.x >= 0 && r.y >= 0 && r.x + r.w <= courtWidth && r.y + r.h <= courtHeight,
                "an update rectangle off the screen");
    require(gameType >= gameTwoPeople && gameType <= gameComputerLevel5, "gameType out of range");
    require(courtMode >= courtPlain && courtMode <= courtBonus, "courtMode out of range");
    require(m.rallyEnd == rallyRunning, "a point left unhandled after its frame");
}

void onPause(Uint32)
{
    if (framePacingCalls() == watch.pacingSeen)
        return;  // not the first pause of a frame's pacing
    watch.pacingSeen = framePacingCalls();
    if (!watch.wasInMatch) {
        watch.matchFrames = 0;
        watch.startSpeed = 300 + settings.xspeed;
    }
    ++watch.matchFrames;
    checkFrame();
    watch.wasInMatch = inMatch;
}

std::string setupIni(Uint8 bits)
{
    std::string ini = "\nCreated by the game's fuzzer\n";
    ini += (bits & 1) ? "joy1\n" : "joy0\n";
    ini += "fullscreen0\nsound1\n";
    const char* const xspeeds[] = {"xspeed0\n", "xspeed1\n", "xspeed2\n", "xspeed0\n"};
    const char* const sbots[] = {"sbots0\n", "sbots1\n", "sbots2\n", "sbots0\n"};
    ini += xspeeds[(bits >> 1) & 3];
    ini += sbots[(bits >> 3) & 3];
    if (bits & 0x20)
        ini += "littlepoints\n";
    return ini;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    useHeadlessDrivers();
    const std::string folder = scratchFolder();
    if (chdir(folder.c_str()) != 0)
        return 0;
    writeStartupFiles({}, true);
    // The pictures the menu and the match load later.
    for (const char* name : {"pic_1.dat", "pic_2.dat", "pic_3.dat", "pic_4.dat", "pic_5.dat"})
        writeSolidBmp(name, 64, 40, 0x305070);
    writeSolidBmp("lev_2.dat", 16, 16, 0x402030);
    writeSolidBmp("screen_0.gfx", 64, 48, 0x404040);
    writeSolidBmp("screen_2.gfx", 64, 48, 0x404040);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    writeTextFile("setup.ini", setupIni(data[0]));

    std::vector<ScriptedEvent> script;
    Uint32 at = startMs;
    for (size_t i = 1; i + 3 <= size; i += 3) {
        at += data[i] * waitUnitMs;
        if (at > startMs + lastEventMs)
            break;
        script.push_back({at, eventOf(data[i + 1], data[i + 2])});
    }

    watch = Watch();
    RunOptions options;
    options.startMs = startMs;
    options.deadlineMs = at + afterLastMs;
    options.onPause = onPause;
    const int status = runScripted(script, options);
    require(status == 0, "the game ended with a status other than 0");
    return 0;
}

// The display is drawn but never presented: the rules checked here do not
// depend on it, and presenting the whole screen (SDL 2 converts every pixel)
// was most of a run's time. The link wraps the three calls (CMakeLists.txt).
extern "C" int __wrap_SDL_Flip(SDL_Surface*) { return 0; }
extern "C" void __wrap_SDL_UpdateRects(SDL_Surface*, int, SDL_Rect*) {}
extern "C" void __wrap_SDL_UpdateRect(SDL_Surface*, Sint32, Sint32, Uint32, Uint32) {}

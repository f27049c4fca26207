// Event floods through the real main loop: far more events than the queue
// holds before one match frame, press-and-release chatter within one frame
// and across many frames, and chatter at every tick of the menu. Nothing may
// crash, every queued event is handled, and no key release is lost: a paddle
// whose keys are all up again comes to rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "SDL_mixer.h"
#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "support/gamerun.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

const Uint32 floodAtMs = 15000;    // a rally is running by then
const int floodAttempts = 100000;  // events offered before one frame

// Events waiting in SDL's queue.
int queuedEvents()
{
    static std::vector<SDL_Event> buf(1 << 17);
    return SDL_PeepEvents(buf.data(), static_cast<int>(buf.size()), SDL_PEEKEVENT, SDL_ALLEVENTS);
}

bool push(SDL_Event e)
{
    return SDL_PushEvent(&e) == 0;
}

// The first pause of a match frame: the frame clock was restarted just
// before the frame's pacing began.
bool firstPauseOfFrame()
{
    return inMatch && elapsedMs(m.frameClock) == 1;
}

struct Paddles {
    float lx, ly, lvx, lvy, rx, ry, rvx, rvy;
};

Paddles paddles()
{
    return Paddles{m.sides[leftSide].paddle.x, m.sides[leftSide].paddle.y, m.sides[leftSide].paddle.vx, m.sides[leftSide].paddle.vy,
                   m.sides[rightSide].paddle.x, m.sides[rightSide].paddle.y, m.sides[rightSide].paddle.vx, m.sides[rightSide].paddle.vy};
}

std::vector<ScriptedEvent> twoPeopleThenQuit(Uint32 quitAt)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    pressKey(script, quitAt, SDLK_ESCAPE);       // abort the match
    pressKey(script, quitAt + 3000, SDLK_ESCAPE);  // quit from the menu
    return script;
}

// ---- 100 000 events before one frame ----------------------------------------

struct BigFlood {
    bool done = false;
    int accepted = 0;          // pushes the queue took
    int rejected = 0;          // pushes refused because it was full
    int queuedBefore = -1;     // events waiting before the flood
    int queuedAfterFrame = -1; // events waiting when the next frame paused
    bool checkedNextFrame = false;
    Paddles before{};
    Paddles after{};
    bool sampledLater = false;
    bool stillInMatch = false;
    bool aborted = true;
    int volumeBefore = -1;
    int volumeAfter = -2;
};

// Mouse motion, unused keys, joystick events with joysticks off and mouse
// buttons: none of them may change the match.
SDL_Event neutralEvent(int i)
{
    switch (i % 6) {
    case 0: return mouseMotion(static_cast<Uint16>(i % 800));
    case 1: return keyDown(SDLK_x);
    case 2: return keyUp(SDLK_x);
    case 3: return joyAxis(0, 1, -32768);
    case 4: return joyButton(SDL_JOYBUTTONDOWN, 0, 0);
    default: {
        SDL_Event e;
        SDL_memset(&e, 0, sizeof e);
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = SDL_BUTTON_LEFT;
        return e;
    }
    }
}

void bigFloodHook(BigFlood& big, Uint32 now)
{
    if (!big.done && inMatch && now >= floodAtMs) {
        big.done = true;
        big.queuedBefore = queuedEvents();
        big.before = paddles();
        big.volumeBefore = Mix_VolumeMusic(-1);
        for (int i = 0; i < floodAttempts; ++i) {
            if (push(neutralEvent(i)))
                ++big.accepted;
            else
                ++big.rejected;
        }
        return;
    }
    if (big.done && !big.checkedNextFrame && firstPauseOfFrame()) {
        big.checkedNextFrame = true;
        big.queuedAfterFrame = queuedEvents();
        big.after = paddles();
        big.volumeAfter = Mix_VolumeMusic(-1);
    }
    if (big.checkedNextFrame && !big.sampledLater && now >= floodAtMs + 1000) {
        big.sampledLater = true;
        big.stillInMatch = inMatch;
        big.aborted = m.rallyAborted;
    }
}

TEST(Flood, HundredThousandEventsBeforeOneFrameAreAllHandledByIt)
{
    BigFlood big;
    makeGameFolder();
    writeDefaultSetupIni();
    RunOptions options;
    options.onPause = [&big](Uint32 now) { bigFloodHook(big, now); };
    options.deadlineMs = 40000;
    ASSERT_EQ(runScripted(twoPeopleThenQuit(20000), options), 0);

    ASSERT_TRUE(big.done);
    std::printf("flood: queue took %d of %d events (%d refused, %d already waiting)\n", big.accepted,
                floodAttempts, big.rejected, big.queuedBefore);
    EXPECT_EQ(big.queuedBefore, 0);
    EXPECT_GT(big.accepted, 100);  // the queue holds more than a handful
    EXPECT_EQ(big.accepted + big.rejected, floodAttempts);
    ASSERT_TRUE(big.checkedNextFrame);
    EXPECT_EQ(big.queuedAfterFrame, 0) << "the frame after the flood left events in the queue";
    EXPECT_EQ(big.after.lvx, 0.0f);
    EXPECT_EQ(big.after.lvy, 0.0f);
    EXPECT_EQ(big.after.rvx, 0.0f);
    EXPECT_EQ(big.after.rvy, 0.0f);
    EXPECT_EQ(big.after.ly, big.before.ly);
    EXPECT_EQ(big.after.ry, big.before.ry);
    EXPECT_EQ(big.volumeAfter, big.volumeBefore);
    EXPECT_TRUE(big.stillInMatch);
    EXPECT_FALSE(big.aborted);
}

// ---- press and release chatter within one frame --------------------------

const SDLKey rightKeys[] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_RSHIFT};
const SDLKey leftKeys[] = {SDLK_w, SDLK_s, SDLK_a, SDLK_d, SDLK_LSHIFT};

struct Chatter {
    bool done = false;
    int room = 0;              // free places in the queue, found by filling it
    int pairs = 0;             // press-release pairs pushed
    int queuedAfterFrame = -1;
    Paddles before{};
    Paddles afterFrame{};
    Paddles later{};
    Paddles latest{};
    int state = 0;             // 0 flood, 1 next frame checked, 2 and 3 rest samples
    Uint32 checkedAt = 0;
    bool smashHeld = true;
};

void chatterHook(Chatter& chat, Uint32 now)
{
    if (!chat.done && inMatch && now >= floodAtMs) {
        chat.done = true;
        chat.before = paddles();
        // Fill the queue with motion to find its room, take the motion out
        // again, and use the room for whole pairs only: a press whose
        // release did not fit would be the test's own lost release.
        while (push(mouseMotion(1)) && chat.room < floodAttempts)
            ++chat.room;
        std::vector<SDL_Event> out(static_cast<size_t>(chat.room) + 1);
        SDL_PeepEvents(out.data(), static_cast<int>(out.size()), SDL_GETEVENT, SDL_MOUSEMOTIONMASK);
        const int pairs = std::min(chat.room / 2, floodAttempts / 2);
        for (int i = 0; i < pairs; ++i) {
            const SDLKey k = i % 2 ? rightKeys[(i / 2) % 5] : leftKeys[(i / 2) % 5];
            if (push(keyDown(k)) && push(keyUp(k)))
                ++chat.pairs;
        }
        return;
    }
    if (chat.state == 0 && chat.done && firstPauseOfFrame()) {
        chat.state = 1;
        chat.queuedAfterFrame = queuedEvents();
        chat.afterFrame = paddles();
        chat.smashHeld = m.sides[leftSide].smashHeld || m.sides[rightSide].smashHeld;
        chat.checkedAt = now;
    } else if (chat.state == 1 && now >= chat.checkedAt + 100) {
        chat.state = 2;
        chat.later = paddles();
    } else if (chat.state == 2 && now >= chat.checkedAt + 600) {
        chat.state = 3;
        chat.latest = paddles();
    }
}

TEST(Flood, PressReleaseChatterWithinOneFrameLeavesBothPaddlesAtRest)
{
    Chatter chat;
    makeGameFolder();
    writeDefaultSetupIni();
    RunOptions options;
    options.onPause = [&chat](Uint32 now) { chatterHook(chat, now); };
    options.deadlineMs = 40000;
    ASSERT_EQ(runScripted(twoPeopleThenQuit(20000), options), 0);

    ASSERT_TRUE(chat.done);
    std::printf("flood: queue room %d, %d press-release pairs in one frame\n", chat.room, chat.pairs);
    EXPECT_GT(chat.pairs, 50);
    EXPECT_EQ(chat.pairs, chat.room / 2);
    ASSERT_EQ(chat.state, 3);
    EXPECT_EQ(chat.queuedAfterFrame, 0);
    EXPECT_FALSE(chat.smashHeld);
    for (const Paddles& p : {chat.afterFrame, chat.later, chat.latest}) {
        EXPECT_EQ(p.lvx, 0.0f);
        EXPECT_EQ(p.lvy, 0.0f);
        EXPECT_EQ(p.rvx, 0.0f);
        EXPECT_EQ(p.rvy, 0.0f);
    }
    // Nothing moved: not in the flood frame, not afterwards.
    EXPECT_EQ(chat.afterFrame.rx, chat.before.rx);
    EXPECT_EQ(chat.afterFrame.ry, chat.before.ry);
    EXPECT_EQ(chat.latest.rx, chat.before.rx);
    EXPECT_EQ(chat.latest.ry, chat.before.ry);
    EXPECT_EQ(chat.latest.lx, chat.before.lx);
    EXPECT_EQ(chat.latest.ly, chat.before.ly);
}

// ---- chatter across many frames, points and speed changes ---------------

// A player hammering the arrow keys for half a minute: each press is released
// after 0 to 300 ms, a key is never pressed while it is down, and the rally
// speed changes with every bounce and point in between.
struct Hammer {
    std::minstd_rand gen{20260101u};  // our own draws: the game's rand() stays untouched
    Uint32 until = 0;                 // virtual ms: last press
    Uint32 releaseAt[4] = {0, 0, 0, 0};
    bool down[4] = {false, false, false, false};
    int presses = 0;
    int speedsSeen = 0;
    Sint32 lastSpeed = 0;
    Sint32 pointsDuring = 0;
    bool allUp = false;
    Uint32 allUpAt = 0;
    Paddles atRest{};
    bool restSampled = false;
    Paddles later{};
    bool sampled = false;
    bool inMatchAtEnd = false;
};

const SDLKey arrows[4] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};

void hammerHook(Hammer& hammer, Uint32 now)
{
    if (!inMatch && hammer.until == 0)
        return;
    if (hammer.until == 0)
        hammer.until = now + 30000;
    if (m.rallySpeed != hammer.lastSpeed) {
        hammer.lastSpeed = m.rallySpeed;
        ++hammer.speedsSeen;
    }
    bool anyDown = false;
    for (int k = 0; k < 4; ++k) {
        if (hammer.down[k] && now >= hammer.releaseAt[k]) {
            push(keyUp(arrows[k]));
            hammer.down[k] = false;
        }
        if (!hammer.down[k] && now < hammer.until && hammer.gen() % 40 == 0) {
            push(keyDown(arrows[k]));
            hammer.down[k] = true;
            hammer.releaseAt[k] = now + static_cast<Uint32>(hammer.gen() % 301);
            ++hammer.presses;
        }
        anyDown = anyDown || hammer.down[k];
    }
    if (now >= hammer.until && !anyDown && !hammer.allUp) {
        hammer.allUp = true;
        hammer.allUpAt = now;
        hammer.pointsDuring = m.sides[leftSide].score + m.sides[rightSide].score;
    }
    // One frame to handle the last releases, then two samples 0.5 s apart.
    if (hammer.allUp && !hammer.restSampled && now >= hammer.allUpAt + 20) {
        hammer.restSampled = true;
        hammer.atRest = paddles();
    }
    if (hammer.restSampled && !hammer.sampled && now >= hammer.allUpAt + 520) {
        hammer.sampled = true;
        hammer.later = paddles();
        hammer.inMatchAtEnd = inMatch;
    }
}

TEST(Flood, HammeredArrowKeysAcrossPointsAndSpeedUpsComeToRest)
{
    Hammer hammer;
    makeGameFolder();
    writeDefaultSetupIni();
    RunOptions options;
    options.onPause = [&hammer](Uint32 now) { hammerHook(hammer, now); };
    options.deadlineMs = 70000;
    ASSERT_EQ(runScripted(twoPeopleThenQuit(50000), options), 0);

    ASSERT_TRUE(hammer.sampled);
    std::printf("flood: %d arrow presses over 30 s, %d rally speeds, %d points\n", hammer.presses,
                hammer.speedsSeen, hammer.pointsDuring);
    ASSERT_TRUE(hammer.inMatchAtEnd) << "the match ended while keys were still being hammered";
    EXPECT_GT(hammer.presses, 300);
    EXPECT_GT(hammer.speedsSeen, 3);  // the ladder moved while keys were down
    EXPECT_GT(hammer.pointsDuring, 0);
    EXPECT_EQ(hammer.atRest.rvx, 0.0f);
    EXPECT_EQ(hammer.atRest.rvy, 0.0f);
    EXPECT_EQ(hammer.later.rx, hammer.atRest.rx);
    EXPECT_EQ(hammer.later.ry, hammer.atRest.ry);
}

// ---- chatter at every tick of the menu ----------------------------------

// Every menu tick gets a burst of presses and releases of the menu's own
// keys (cursor, court, volume) and of keys it ignores; the menu takes one
// event per tick, so the queue fills up and refuses the rest. When the
// chatter stops and the queue has drained, Return still starts a match.
struct MenuChatter {
    int ticks = 0;
    int accepted = 0;
    int refused = 0;
    int maxQueued = 0;
    bool returnSent = false;
    Uint32 returnAt = 0;
    bool sampled = false;
    Sint32 gameTypeAtReturn = -1;
    Sint32 courtAtReturn = -1;
    Sint32 volumeAtReturn = -1;
    int mixerVolumeAtReturn = -2;
    Paddles paddlesInMatch{};
    Uint32 lastPause = 0;
};

const SDLKey menuChatterKeys[] = {SDLK_DOWN, SDLK_UP, SDLK_LEFT, SDLK_m, SDLK_x, SDLK_RIGHT, SDLK_a, SDLK_DOWN};
const int chatterTicks = 60;
const int eventsPerTick = 400;

void menuChatterHook(MenuChatter& menu, Uint32 now)
{
    const Uint32 step = now - menu.lastPause;
    menu.lastPause = now;
    if (!inMatch && step == 30 && menu.ticks < chatterTicks) {
        ++menu.ticks;
        for (int i = 0; i < eventsPerTick / 2; ++i) {
            const SDLKey k = menuChatterKeys[(menu.ticks + i) % 8];
            if (push(keyDown(k)))
                ++menu.accepted;
            else
                ++menu.refused;
            if (push(keyUp(k)))
                ++menu.accepted;
            else
                ++menu.refused;
        }
        menu.maxQueued = std::max(menu.maxQueued, queuedEvents());
        return;
    }
    if (menu.ticks == chatterTicks && !menu.returnSent && !inMatch && step == 30 && queuedEvents() == 0) {
        menu.returnSent = true;
        menu.returnAt = now;
        menu.gameTypeAtReturn = gameType;
        menu.courtAtReturn = courtMode;
        menu.volumeAtReturn = musicVolume;
        menu.mixerVolumeAtReturn = Mix_VolumeMusic(-1);
        push(keyDown(SDLK_RETURN));
        push(keyUp(SDLK_RETURN));
        return;
    }
    if (menu.returnSent && !menu.sampled && inMatch && firstPauseOfFrame()) {
        menu.sampled = true;
        menu.paddlesInMatch = paddles();
        push(keyDown(SDLK_ESCAPE));
        push(keyUp(SDLK_ESCAPE));
    }
    if (menu.sampled && !inMatch && step == 30) {
        push(keyDown(SDLK_ESCAPE));
        push(keyUp(SDLK_ESCAPE));
    }
}

TEST(Flood, ChatterAtEveryMenuTickIsHandledAndReturnStillStarts)
{
    MenuChatter menu;
    makeGameFolder();
    writeDefaultSetupIni();
    RunOptions options;
    options.onPause = [&menu](Uint32 now) { menuChatterHook(menu, now); };
    // The queue drains one event per tick, with a page pause for most of them.
    options.deadlineMs = 0x7FFFFFFFu;
    ASSERT_EQ(runScripted({}, options), 0);

    std::printf("flood: menu chatter: %d events taken, %d refused over %d ticks, at most %d queued\n",
                menu.accepted, menu.refused, menu.ticks, menu.maxQueued);
    EXPECT_EQ(menu.ticks, chatterTicks);
    EXPECT_EQ(menu.accepted + menu.refused, chatterTicks * eventsPerTick);
    EXPECT_GT(menu.maxQueued, chatterTicks);  // the menu fell behind
    ASSERT_TRUE(menu.returnSent);
    EXPECT_GE(menu.gameTypeAtReturn, 0);
    EXPECT_LE(menu.gameTypeAtReturn, 4);
    EXPECT_GE(menu.courtAtReturn, 1);
    EXPECT_LE(menu.courtAtReturn, 2);
    // The menu's volume key only ever gives 25 or 0 after the first press.
    EXPECT_TRUE(menu.volumeAtReturn == 25 || menu.volumeAtReturn == 0) << menu.volumeAtReturn;
    EXPECT_EQ(menu.mixerVolumeAtReturn, menu.volumeAtReturn);
    ASSERT_TRUE(menu.sampled) << "Return did not start a match after the chatter";
    // No arrow release from the menu reached the match's paddles.
    EXPECT_EQ(menu.paddlesInMatch.rvx, 0.0f);
    EXPECT_EQ(menu.paddlesInMatch.rvy, 0.0f);
}

}  // namespace

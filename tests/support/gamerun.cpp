#include "support/gamerun.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/base/inputseam.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "netplay/seats.h"
#include "support/scratch.h"

namespace fs = std::filesystem;

namespace {

std::vector<ScriptedEvent> pending;
size_t nextEvent = 0;
std::deque<ScriptedEvent> due;  // scripted events whose time has come, not yet polled
RunOptions activeOptions;
Uint32 runStart = 0;

void scriptHook(Uint32 now)
{
    while (nextEvent < pending.size() && pending[nextEvent].atMs <= now) {
        due.push_back(pending[nextEvent]);
        ++nextEvent;
    }
    if (now >= activeOptions.deadlineMs)
        due.push_back({now, quitEvent()});
    if (activeOptions.onPause)
        activeOptions.onPause(now);
}

// The game's input: the script's due events first, then whatever waits in
// SDL's own queue (tests that push events themselves).
// A saved network session's events apply by seat, as they did in the
// session.
int scriptedEvents(SDL_Event* event)
{
    while (!due.empty()) {
        const ScriptedEvent next = due.front();
        due.pop_front();
        if (next.seat < 0 || seatMayUse(std::uint8_t(next.seat), next.event, inMatch)) {
            *event = next.event;
            return 1;
        }
    }
    return SDL_PollEvent(event);
}

// An all-zero event of a type; the type byte is shared by every member.
SDL_Event blankEvent(Uint8 type)
{
    SDL_Event e;
    SDL_memset(&e, 0, sizeof e);
    e.type = type;
    return e;
}

}  // namespace

SDL_Event keyDown(SDLKey key)
{
    SDL_Event e = blankEvent(SDL_KEYDOWN);
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    return e;
}

SDL_Event keyUp(SDLKey key)
{
    SDL_Event e = keyDown(key);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    return e;
}

SDL_Event quitEvent()
{
    return blankEvent(SDL_QUIT);
}

SDL_Event joyAxis(Uint8 which, Uint8 axis, Sint16 value)
{
    SDL_Event e = blankEvent(SDL_JOYAXISMOTION);
    e.jaxis.which = which;
    e.jaxis.axis = axis;
    e.jaxis.value = value;
    return e;
}

SDL_Event joyButton(Uint8 type, Uint8 which, Uint8 button)
{
    SDL_Event e = blankEvent(type);
    e.jbutton.which = which;
    e.jbutton.button = button;
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event mouseMotion(Uint16 x, Uint16 y)
{
    SDL_Event e = blankEvent(SDL_MOUSEMOTION);
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

void pressKey(std::vector<ScriptedEvent>& script, Uint32 atMs, SDLKey key, Uint32 holdMs)
{
    script.push_back({atMs, keyDown(key)});
    script.push_back({atMs + holdMs, keyUp(key)});
}

std::string makeGameFolder(const std::vector<std::string>& omit)
{
    const std::string dir = processScratchFolder("game");
    if (dir.empty())
        return dir;
    for (const auto& entry : fs::directory_iterator(VOLTARI_GAME_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name == "VLwait.nul" || name == "VOLTARI.exe" || name == "optedit" || name == "setup.ini")
            continue;
        bool skip = false;
        for (const auto& o : omit)
            skip = skip || o == name;
        if (!skip && entry.is_regular_file())
            fs::create_symlink(entry.path(), fs::path(dir) / name);
    }
    fs::current_path(dir);
    return dir;
}

void writeTextFile(const std::string& name, const std::string& text)
{
    std::error_code ec;
    fs::remove(name, ec);  // never write through a link into the build's data
    std::ofstream out(name, std::ios::binary);
    out << text;
}

void writeDefaultSetupIni()
{
    writeTextFile("setup.ini", "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  1.1.2026/0:0\n"
                               "joy0\nfullscreen0\nxspeed0\nsound1\nsbots0");
}

int runScripted(const std::vector<ScriptedEvent>& script, const RunOptions& options)
{
    pending = script;
    nextEvent = 0;
    due.clear();
    activeOptions = options;
    useVirtualClock(options.startMs);
    runStart = options.startMs;
    setPauseHook({[](void*, Uint32 t) { scriptHook(t); }, nullptr});
    setEventSource({[](void*, SDL_Event* e) { return scriptedEvents(e); }, nullptr});
    int status = runGame();
    setEventSource({});
    setPauseHook({});
    return status;
}

Uint32 virtualElapsed()
{
    return nowMs() - runStart;
}

StdoutCapture::StdoutCapture() : savedFd(-1), done(false)
{
    std::fflush(stdout);
    char pattern[] = "/tmp/voltari-stdout-XXXXXX";
    int fd = mkstemp(pattern);
    path = pattern;
    savedFd = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

std::string StdoutCapture::finish()
{
    if (done)
        return std::string();
    done = true;
    std::fflush(stdout);
    dup2(savedFd, STDOUT_FILENO);
    close(savedFd);
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    unlink(path.c_str());
    return ss.str();
}

StdoutCapture::~StdoutCapture()
{
    finish();
}

// The first rows are left out: a sanitizer's allocator fills the start of
// a fresh block, and the display surface is one.
bool screenTouched()
{
    SDL_Surface* s = SDL_GetVideoSurface();
    if (!s)
        return false;
    SDL_LockSurface(s);
    bool touched = false;
    for (int y = 10; y < s->h && !touched; y += 7) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; x += 7)
            touched = touched || (row[x] & 0xFFFFFF) != 0;
    }
    SDL_UnlockSurface(s);
    return touched;
}

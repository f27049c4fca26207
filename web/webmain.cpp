// The page's program: the game's main, and the two settings calls that the
// page's setup panel makes before the game starts. The panel runs them in
// the folder that the browser keeps (the working directory at that time),
// so they read and write "setup.ini" exactly as the setup tool does.
#include <emscripten.h>

#include <cstdint>
#include <string>

#include "game/flow/game.h"
#include "game/flow/netgame.h"
#include "game/base/state.h"
#include "game/match/match.h"
#include "settings/settings.h"

extern "C" {

// Fills boxes[0..4] (fullscreen, joy, sound, xspeed, sbots) from
// "setup.ini"; 0 when it cannot be read (the boxes hold the defaults).
EMSCRIPTEN_KEEPALIVE int voltariReadSetup(int* boxes)
{
    SetupOptions o;
    const bool read = readSetupOptions(o);
    const int values[5] = {o.fullscreen, o.joy, o.sound, o.xspeed, o.sbots};
    for (int i = 0; i < 5; ++i)
        boxes[i] = values[i];
    return read ? 1 : 0;
}

// Writes "setup.ini" from boxes[0..4], each 0 or 1; 0 when it failed.
EMSCRIPTEN_KEEPALIVE int voltariWriteSetup(const int* boxes)
{
    const SetupOptions o{boxes[0] != 0, boxes[1] != 0, boxes[2] != 0, boxes[3] != 0, boxes[4] != 0};
    return writeSetupOptions(o) ? 1 : 0;
}

// Where the page may read what its touch controls steer by: addresses[0..5]
// are those of inMatch (bool), gameType (Sint32), the left paddle's x and y
// and the right paddle's x and y (float, px). The page only reads them.
EMSCRIPTEN_KEEPALIVE void voltariView(int* addresses)
{
    const Paddle& left = currentMatch().sides[leftSide].paddle;
    const Paddle& right = currentMatch().sides[rightSide].paddle;
    const void* fields[6] = {&inMatch, &gameType, &left.x, &left.y, &right.x, &right.y};
    for (int i = 0; i < 6; ++i)
        addresses[i] = static_cast<int>(reinterpret_cast<uintptr_t>(fields[i]));
}

// The page asks before it offers rooms: this game takes --relay URL with
// --host, --join CODE, --watch CODE or --quick (play anyone waiting there).
EMSCRIPTEN_KEEPALIVE int voltariRooms()
{
    return 1;
}

// Whether this page hosts the network game that runs (it plays the left
// paddle): 1 or 0, for the touch controls. Playing anyone, a page learns it
// only once paired, from the game, not from its status line.
EMSCRIPTEN_KEEPALIVE int voltariHosts()
{
    const NetplayDriver* d = netGameDriver();
    return d && d->host ? 1 : 0;
}

}  // extern "C"

namespace {

// A network game's news goes to the page, which shows the line and may
// read the state (its phase, mode and room code) as values.
void showOnPage(const NetState& state, const std::string& text)
{
    EM_ASM({
        if (Module.onNetStatus)
            Module.onNetStatus(UTF8ToString($0), { phase: UTF8ToString($1), mode: UTF8ToString($2),
                                                  code: UTF8ToString($3), reason: $4 });
    }, text.c_str(), net::netPhaseName(state.phase), net::netModeName(state.mode), state.code.c_str(),
       int(state.reason));
}

// The room this page opened: the page shows its code and a link that joins it.
void showRoom(const std::string& code)
{
    EM_ASM({ if (Module.onRoomOpened) Module.onRoomOpened(UTF8ToString($0)); }, code.c_str());
}

}  // namespace

// The page starts the game with no arguments, "--join HOST:PORT" or
// "--watch HOST:PORT", or in a room: "--relay URL" with "--host", "--join
// CODE", "--watch CODE" or "--quick".
int main(int argc, char** argv)
{
    NetGameOptions options;
    std::string error;
    int status = 2;
    setNetStatusListener(showOnPage);
    setRoomOpenedListener(showRoom);
    if (parseNetArgs(argc, argv, options, error)) {
        askForNetGame(options);
        status = runGame();
        // How far both games were seen to agree, for the page's tests.
        if (const NetplayDriver* d = netGameDriver())
            EM_ASM({ Module.netHashesMatched = $0; }, double(d->hashesMatched));
        endNetGame();
    } else {
        showOnPage(NetState(), error);
    }
    EM_ASM({ if (Module.onGameEnd) Module.onGameEnd($0); }, status);
    return status;
}

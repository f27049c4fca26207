// The page's program: the game's main, and the two settings calls that the
// page's setup panel makes before the game starts. The panel runs them in
// the folder that the browser keeps (the working directory at that time),
// so they read and write "setup.ini" exactly as the setup tool does.
#include <emscripten.h>

#include "game/flow/game.h"
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

}  // extern "C"

int main()
{
    const int status = runGame();
    EM_ASM({ if (Module.onGameEnd) Module.onGameEnd($0); }, status);
    return status;
}

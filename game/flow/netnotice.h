// How a network game ended, shown where the player looks: one of the
// pre-drawn panels of "netmsg.dat" (the game draws no text of its own), low
// on the screen for a few seconds, over whatever the game shows meanwhile.
#pragma once

#include <cstdint>

#include "SDL.h"
#include "game/media/atlas.h"
#include "net/protocol.h"

constexpr Uint32 kNoticeShowMs = 4000;  // how long a panel stays, ms

struct NoticeBoard {
    SDL_Surface* panels = nullptr;  // "netmsg.dat"; null: the words go to the caption only
    int shown = -1;                 // the NetNotice on screen, -1 none
    Uint32 untilMs = 0;             // when it goes, real ms
};

// The panel for a session that ended. seat: 0 host, 1 guest, anything else
// a watcher; reason: why it ended, as the session knows it; refused: the
// host turned this guest away at its hello; greeted: the other end's hello came.
atlas::NetNotice noticeFor(std::uint8_t seat, net::Reason reason, bool refused, bool greeted);

// The panels are loaded for a network game only; freed before the display goes.
void loadNotices(NoticeBoard& board);
void freeNotices(NoticeBoard& board);

// Shows a panel from nowMs (real) on, and puts it on the display at once.
void showNotice(NoticeBoard& board, atlas::NetNotice notice, Uint32 nowMs);
// After every pause: the panel stays on top while it is due; when its time
// is up the screen under it is drawn again (the menu, or the whole court).
void keepNotice(NoticeBoard& board, Uint32 nowMs);

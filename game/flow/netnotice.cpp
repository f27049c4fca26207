#include "game/flow/netnotice.h"

#include "game/base/state.h"
#include "game/flow/menu.h"
#include "game/flow/redraw.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"

namespace {

void drawNotice(const NoticeBoard& board)
{
    if (!board.panels || board.shown < 0)
        return;
    const AtlasRect& r = atlas::netNoticeRects[board.shown];
    SDL_Rect source = {Sint16(r.x), Sint16(r.y), Uint16(r.w), Uint16(r.h)};
    blit(layout::netNotice.x, layout::netNotice.y, board.panels, screen, &source);
    SDL_UpdateRect(screen, layout::netNotice.x, layout::netNotice.y, r.w, r.h);
}

}  // namespace

atlas::NetNotice noticeFor(std::uint8_t seat, net::Reason reason, bool refused, bool greeted)
{
    if (!greeted)
        return reason == net::Reason::Full ? atlas::noticeBusy : atlas::noticeUnreachable;
    if (refused || reason == net::Reason::Full)
        return reason == net::Reason::Full ? atlas::noticeNoSeat : atlas::noticeNotSame;
    switch (reason) {
    case net::Reason::Desync: return atlas::noticeApart;
    case net::Reason::Seat: return seat == 0 ? atlas::noticeOtherLetGo : atlas::noticeLetGo;
    case net::Reason::Quit:
        return seat == 0 ? atlas::noticeOtherLeft : seat == 1 ? atlas::noticeHostEnded : atlas::noticeWatchEnded;
    case net::Reason::Timeout: return atlas::noticeTimeout;
    default: return atlas::noticeLost;
    }
}

void loadNotices(NoticeBoard& board)
{
    if (!board.panels)
        board.panels = loadImage("netmsg.dat");
}

void freeNotices(NoticeBoard& board)
{
    SDL_FreeSurface(board.panels);
    board = NoticeBoard();
}

void showNotice(NoticeBoard& board, atlas::NetNotice notice, Uint32 nowMs)
{
    board.shown = notice;
    board.untilMs = nowMs + kNoticeShowMs;
    drawNotice(board);
}

void keepNotice(NoticeBoard& board, Uint32 nowMs)
{
    if (board.shown < 0)
        return;
    if (static_cast<Sint32>(nowMs - board.untilMs) < 0) {
        drawNotice(board);
        return;
    }
    board.shown = -1;
    if (inMatch) {
        forgetCourt();  // the next frame draws the whole court
    } else {
        drawMenu();
        SDL_Flip(screen);
    }
}

#include "game/flow/redraw.h"

#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/assets.h"
#include "game/media/atlas.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "game/media/scoreboard.h"
#include "game/media/sprites.h"

namespace {

// A box of screen pixels, edges in px (right and bottom exclusive).
struct Extent {
    int left, top, right, bottom;
};

// What moves: the ball (picture and dots), the left and the right paddle
// (each with its hit spark).
const int moverCount = 3;

struct CourtPicture {
    bool valid;                  // the screen holds the last match frame
    Extent drawn[moverCount];    // where that frame drew each mover
    bool fullRedraw;             // tests: always the whole background
};

CourtPicture court = {false, {}, false};

Extent extent(int x, int y, int w, int h) { return Extent{x, y, x + w, y + h}; }

Extent unite(const Extent& a, const Extent& b)
{
    return Extent{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                  a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// The dots reach 18 px out from the ball's centre plus a 2 px disc, and one
// more each way for safety.
constexpr int dotReach = 21;  // px

// The ball picture and, about its centre, the dots. Positions truncate as
// they are drawn.
Extent ballExtent(const Ball& ball)
{
    const int x = truncToInt(ball.x);
    const int y = truncToInt(ball.y);
    const Extent picture = extent(x, y, ballImage ? ballImage->w : 0, ballImage ? ballImage->h : 0);
    const int centre = ballSize / 2;
    return unite(picture, extent(x + centre - dotReach, y + centre - dotReach, 2 * dotReach, 2 * dotReach));
}

// A paddle and, while it runs, its spark.
Extent paddleExtent(const Paddle& p, const HitSpark& spark)
{
    const int x = truncToInt(p.x);
    const int y = truncToInt(p.y);
    const Extent paddle = extent(x, y, paddleWidth, paddleHeight);
    if (spark.frame >= 8)
        return paddle;
    const AtlasRect& frame = atlas::hitSparkFrames[0];  // every frame is this size
    return unite(paddle, extent(x - layout::sparkOffsetX, y - layout::sparkOffsetY, frame.w, frame.h));
}

// A box pushed to the display about a mover's top-left corner (px): it
// reaches `reach` left of and above the corner and is w x h.
struct UpdateBox {
    int reach, w, h;  // px
};
constexpr UpdateBox paddleUpdateBox = {50, 120, 180};
constexpr UpdateBox ballUpdateBox = {20, 60, 60};

// Each box holds its mover's extent at rest, with room to spare for the move.
constexpr bool holds(const UpdateBox& box, int left, int top, int right, int bottom)
{
    return box.reach >= -left && box.reach >= -top && box.w - box.reach >= right && box.h - box.reach >= bottom;
}
static_assert(holds(paddleUpdateBox, -layout::sparkOffsetX, -layout::sparkOffsetY,
                    atlas::hitSparkFrames[0].w - layout::sparkOffsetX, atlas::hitSparkFrames[0].h - layout::sparkOffsetY),
              "a paddle's box holds its spark");
static_assert(holds(ballUpdateBox, ballSize / 2 - dotReach, ballSize / 2 - dotReach, ballSize / 2 + dotReach,
                    ballSize / 2 + dotReach),
              "the ball's box holds its dots");

// Mend: the box is clipped to the screen, so the display layer is not asked
// to update pixels that do not exist.
SDL_Rect updateRect(float x, float y, const UpdateBox& box)
{
    const int left = static_cast<int>(x) - box.reach;
    const int top = static_cast<int>(y) - box.reach;
    return clippedToDisplay(left, top, left + box.w, top + box.h);
}

void restoreBackground(const Extent& e)
{
    SDL_Rect r = clippedToDisplay(e.left, e.top, e.right, e.bottom);
    if (r.w > 0 && r.h > 0)
        blit(r.x, r.y, background, screen, &r);
}

}  // namespace

void restoreCourt(const Match& m)
{
    const Side& left = m.sides[leftSide];
    const Side& right = m.sides[rightSide];
    const Extent now[moverCount] = {ballExtent(m.ball), paddleExtent(left.paddle, left.hitSpark),
                                    paddleExtent(right.paddle, right.hitSpark)};
    if (!screen)
        return;
    if (!court.valid || court.fullRedraw) {
        blit(0, 0, background, screen, nullptr);
    } else {
        // Outside what the last frame drew the screen already holds the
        // background: restoring those places leaves it whole, so blended
        // sprites never land on last frame's pixels. The scoreboard is
        // drawn every frame and restored every frame for the same reason.
        for (int i = 0; i < moverCount; ++i)
            restoreBackground(court.drawn[i]);
        for (const SDL_Rect& area : scoreboardAreas)
            restoreBackground(extent(area.x, area.y, area.w, area.h));
    }
    for (int i = 0; i < moverCount; ++i)
        court.drawn[i] = now[i];
    court.valid = true;
}

void placeUpdateRects(const Match& m)
{
    const Paddle& left = m.sides[leftSide].paddle;
    const Paddle& right = m.sides[rightSide].paddle;
    updateRects[0] = updateRect(left.x, left.y, paddleUpdateBox);
    updateRects[1] = updateRect(right.x, right.y, paddleUpdateBox);
    updateRects[2] = updateRect(m.ball.x, m.ball.y, ballUpdateBox);
}

void forgetCourt() { court.valid = false; }

void setFullCourtRedraw(bool on) { court.fullRedraw = on; }

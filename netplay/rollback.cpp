#include "netplay/rollback.h"

#include <algorithm>
#include <cmath>

#include "netplay/sdlinput.h"
#include "netplay/seats.h"

namespace {

// The strokes of a frame not heard already; those are noted as heard.
BallStrokes unheard(Rollback& rb, std::uint32_t atMs, const BallStrokes& strokes)
{
    BallStrokes out{0, {leftSide, leftSide}};
    for (int i = 0; i < strokes.count; ++i) {
        const int side = strokes.sides[i];
        bool heard = false;
        for (const HeardHit& hit : rb.heard) {
            const std::uint32_t apart = hit.atMs > atMs ? hit.atMs - atMs : atMs - hit.atMs;
            heard = heard || (hit.side == side && apart <= kSameHitMs);
        }
        if (heard)
            continue;
        rb.heard.push_back({atMs, side});
        out.sides[out.count++] = strokes.sides[i];
    }
    return out;
}

FrameHappenings stepFrame(const net::Lockstep& ls, const Rollback& rb, std::size_t k, Match& m)
{
    const std::vector<SDL_Event> events =
        frameEvents(ls, k == 0, k == 0 ? 0 : rb.frames[k - 1].atMs, rb.frames[k].atMs);
    return stepMatch(m, FrameInput{events.data(), static_cast<int>(events.size()), rb.frames[k].atMs});
}

}  // namespace

std::vector<SDL_Event> frameEvents(const net::Lockstep& ls, bool oldest, std::uint32_t afterMs, std::uint32_t atMs)
{
    std::vector<SDL_Event> events;
    bool inMatch = true;
    for (const net::Stamped& s : ls.queue) {
        if (s.atMs > atMs)
            break;
        if (!oldest && s.atMs <= afterMs)
            continue;
        const SDL_Event e = toSdlEvent(s.event);
        if (!seatMayUse(s.player, e, inMatch))
            continue;
        events.push_back(e);
        if (abortsRally(e))
            inMatch = false;
    }
    return events;
}

FrameHappenings rollbackStep(Rollback& rb, const net::Lockstep& ls, Match& m, std::uint32_t atMs)
{
    PlayedFrame& f = rb.frames.emplace_back();
    f.atMs = atMs;
    f.before = m;
    std::copy(sphereDots, sphereDots + sphereDotCount, f.dotsBefore);
    FrameHappenings h = stepFrame(ls, rb, rb.frames.size() - 1, m);
    h.strokes = unheard(rb, atMs, h.strokes);
    return h;
}

void rollbackCorrect(Rollback& rb, const net::Lockstep& ls, Match& m, int otherSide, FrameHappenings& h)
{
    const std::uint32_t from = rb.changedFromMs;
    rb.changedFromMs = kNoStamp;
    std::size_t k = 0;
    while (k < rb.frames.size() && rb.frames[k].atMs < from)
        ++k;
    if (k == rb.frames.size())
        return;  // nothing stepped yet is changed
    const Match shown = m;
    const std::size_t first = k;
    m = rb.frames[k].before;
    std::copy(rb.frames[k].dotsBefore, rb.frames[k].dotsBefore + sphereDotCount, sphereDots);
    for (; k < rb.frames.size(); ++k) {
        PlayedFrame& f = rb.frames[k];
        f.before = m;
        std::copy(sphereDots, sphereDots + sphereDotCount, f.dotsBefore);
        const FrameHappenings again = stepFrame(ls, rb, k, m);
        h.lateHits += unheard(rb, f.atMs, again.strokes).count;
        if (again.rallyOver) {
            // The rally ends here: this frame is the one to show next.
            rb.frames.erase(rb.frames.begin() + std::ptrdiff_t(k) + 1, rb.frames.end());
            f.shown = false;
            h.rallyOver = true;
            h.aborted = again.aborted;
            h.quit = again.quit;
            break;
        }
        if (f.shown) {
            advanceSparks(m, f.atMs);  // as showing it did
            rollDotsAsDrawn(m.ball.vx, m.ball.vy);
        }
    }
    const std::uint32_t length = std::uint32_t(std::min(k + 1, rb.frames.size()) - first);
    ++rb.corrections;
    rb.framesRestepped += length;
    if (length > rb.longest)
        rb.longest = length;
    h.corrected = true;
    if (!h.rallyOver) {
        const Paddle& was = shown.sides[otherSide].paddle;
        const Paddle& is = m.sides[otherSide].paddle;
        rb.jumps.push_back(std::hypot(is.x - was.x, is.y - was.y));
    }
}

// Plays a two-person match headless in virtual time and saves pictures of
// the menu, a rally, the burst after a point and the match-end banner as
// PNG files into the folder given on the command line.
//
// Both paddles are steered by a simple tracker that presses and releases
// the players' keys, so the rally runs through the game's real input path.
// Each picture is checked against the data files before it is kept.
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "SDL.h"
#include "e2e/regionmatch.h"
#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/image.h"
#include "game/media/sprites.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace fs = std::filesystem;

namespace {

// The match the game plays, which this program watches and sets up.
Match& m = currentMatch();

const Uint32 menuStepMs = 30;    // a menu tick's pause; no start-up pause has it
const Uint32 ballStepMs = 30;    // a step of the ball's burst and gather
const Uint32 fadeStepMs = 10;    // the background fade right after the banner
const int burstStepShown = 8;    // burst step whose picture is kept (of 0..25)
const Uint32 reactionMs = 60;    // the trackers look at the ball this often
const float deadBandPx = 12;     // px: trackers rest this close to the ball

std::string outDir;
SDL_Surface* pageRef = nullptr;    // "pic_1.dat"
SDL_Surface* labelRef = nullptr;   // "CPUPlayer.dat"
SDL_Surface* sheetRef = nullptr;   // "sheet.gfx"
SDL_Surface* courtRef = nullptr;   // "screen_1.gfx", the court of the match

struct Tracker {
    Paddle* paddle;
    SDLKey up, down;
    int held;  // -1 up key, +1 down key, 0 none
};
Tracker leftTracker = {&m.sides[leftSide].paddle, SDLK_w, SDLK_s, 0};
Tracker rightTracker = {&m.sides[rightSide].paddle, SDLK_UP, SDLK_DOWN, 0};

struct Run {
    Uint32 lastPause = 0;   // virtual ms of the last pause
    Uint32 lastLook = 0;    // virtual ms the trackers last looked
    int menuTicks = 0;      // menu ticks seen before the match
    int burstSteps = 0;     // steps of the running burst seen so far
    bool matchSeen = false;
    bool matchOver = false;
    bool quitting = false;
    bool menuSaved = false, matchSaved = false, burstSaved = false, bannerSaved = false;
    bool failed = false;
} run;

void push(SDL_Event e)
{
    SDL_PushEvent(&e);
}

bool screenPixel(int x, int y, Uint32& rgb)
{
    SDL_Surface* s = SDL_GetVideoSurface();
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h)
        return false;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 raw = 0;
    SDL_memcpy(&raw, p, s->format->BytesPerPixel > 4 ? 4 : s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    rgb = (Uint32(r) << 16) | (Uint32(g) << 8) | b;
    return true;
}

double shareOnScreen(SDL_Surface* reference, SDL_Rect src, int x, int y)
{
    SDL_Surface* s = SDL_GetVideoSurface();
    if (!s)
        return 0;
    SDL_LockSurface(s);
    double share = compareRegion(reference, src, x, y, screenPixel).share();
    SDL_UnlockSurface(s);
    return share;
}

SDL_Rect whole(SDL_Surface* s)
{
    SDL_Rect r = {0, 0, static_cast<Uint16>(s ? s->w : 0), static_cast<Uint16>(s ? s->h : 0)};
    return r;
}

// Keeps the picture only when the expected parts of it are on the screen.
void save(const char* name, bool& saved, double share, const char* what)
{
    saved = true;
    if (share < 0.98) {
        std::fprintf(stderr, "screenshots: %s: %s matches only %.1f%%\n", name, what, share * 100);
        run.failed = true;
        return;
    }
    SDL_Surface* s = SDL_GetVideoSurface();
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, s->w, s->h);
    unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(data + y * stride);
        for (int x = 0; x < s->w; ++x)
            screenPixel(x, y, row[x]);
    }
    SDL_UnlockSurface(s);
    cairo_surface_mark_dirty(png);
    const std::string path = outDir + "/" + name;
    if (cairo_surface_write_to_png(png, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", path.c_str());
        run.failed = true;
    } else {
        std::printf("screenshots: %s (%s %.1f%%)\n", path.c_str(), what, share * 100);
    }
    cairo_surface_destroy(png);
}

// The burst's white dots at step k: pure white pixels inside the sphere's
// disc where the court itself is not white. A sphere of 20 and more dots
// leaves well over 30 of them.
int burstWhitePixels(int k)
{
    const float t = 0.002f * static_cast<float>(10 * k);
    const int cx = static_cast<int>(m.ball.x + (400.0f - m.ball.x) * t + 10.0f);
    const int cy = static_cast<int>(m.ball.y + (300.0f - m.ball.y) * t + 10.0f);
    const int radius = 20 + 10 * k + 2;  // px, dots reach 2 px beyond
    int count = 0;
    SDL_LockSurface(SDL_GetVideoSurface());
    SDL_LockSurface(courtRef);
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x) {
            Uint32 rgb = 0;
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius || !screenPixel(x, y, rgb) ||
                rgb != 0xFFFFFF || x >= courtRef->w || y >= courtRef->h)
                continue;
            const Uint32* row =
                reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(courtRef->pixels) + y * courtRef->pitch);
            count += (row[x] & 0xFFFFFF) != 0xFFFFFF;
        }
    SDL_UnlockSurface(courtRef);
    SDL_UnlockSurface(SDL_GetVideoSurface());
    return count;
}

// Presses the key that moves the paddle toward the ball, releasing the one
// held before; rests inside the dead band.
void track(Tracker& t)
{
    const float gap = (m.ball.y + 10) - (t.paddle->y + 40);
    const int want = gap < -deadBandPx ? -1 : (gap > deadBandPx ? 1 : 0);
    if (want == t.held)
        return;
    if (t.held != 0)
        push(keyUp(t.held < 0 ? t.up : t.down));
    if (want != 0)
        push(keyDown(want < 0 ? t.up : t.down));
    t.held = want;
}

void releaseAll(Tracker& t)
{
    if (t.held != 0)
        push(keyUp(t.held < 0 ? t.up : t.down));
    t.held = 0;
}

void onPause(Uint32 now)
{
    const Uint32 step = now - run.lastPause;
    run.lastPause = now;

    if (run.quitting) {
        push(quitEvent());
        return;
    }

    if (!inMatch && !run.matchSeen && step == menuStepMs && ++run.menuTicks == 3) {
        save("menu.png", run.menuSaved, shareOnScreen(pageRef, whole(pageRef), 50, 150), "menu page");
        push(keyDown(SDLK_RETURN));
        push(keyUp(SDLK_RETURN));
        return;
    }

    if (inMatch) {
        run.matchSeen = true;
        if (m.rallyEnd == 0) {
            run.burstSteps = 0;
            // Once the rally picture is kept the players rest, so the
            // points of the rest of the match come quickly.
            if (run.matchSaved) {
                releaseAll(leftTracker);
                releaseAll(rightTracker);
            } else if (now - run.lastLook >= reactionMs) {
                run.lastLook = now;
                track(leftTracker);
                track(rightTracker);
            }
            // Step 1 ms: the pacing wait of a frame. Off the serve spot the
            // last picture is an ordinary frame, not the still after a point.
            // A stroke's spark still burning makes the better picture; late
            // in the match any rally will do.
            const bool ballInPlay = (m.ball.x > 60 && m.ball.x < 320) || (m.ball.x > 480 && m.ball.x < 720);
            const bool spark = m.sides[leftSide].hitSpark.frame < 4 || m.sides[rightSide].hitSpark.frame < 4 || m.sides[leftSide].score + m.sides[rightSide].score >= 6;
            if (!run.matchSaved && step == 1 && m.sides[leftSide].score + m.sides[rightSide].score >= 2 && m.rallySpeed >= 321 && ballInPlay &&
                spark) {
                double labels = shareOnScreen(labelRef, humanLabelRect, 0, 0);
                double right = shareOnScreen(labelRef, humanLabelRect, 660, 0);
                save("match.png", run.matchSaved, labels < right ? labels : right, "player labels");
            }
        } else if (!m.rallyAborted && step == ballStepMs) {
            releaseAll(leftTracker);
            releaseAll(rightTracker);
            if (++run.burstSteps == burstStepShown + 1 && !run.burstSaved) {
                // Share of the 30 white pixels a drawn sphere leaves at least.
                const int white = burstWhitePixels(burstStepShown);
                save("burst.png", run.burstSaved, white >= 30 ? 1.0 : white / 30.0, "burst dots");
            }
        }
        return;
    }

    if (run.matchSeen && !run.matchOver && (m.sides[leftSide].score == settings.pointsToWin || m.sides[rightSide].score == settings.pointsToWin))
        run.matchOver = true;
    if (run.matchOver && !run.bannerSaved && step == fadeStepMs) {
        save("banner.png", run.bannerSaved, shareOnScreen(sheetRef, matchEndBannerRect, 250, 250), "banner");
        run.quitting = true;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    outDir = fs::absolute(argv[1]).string();
    fs::create_directories(outDir);

    const std::string folder = makeGameFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "screenshots: no temporary game folder\n");
        return 1;
    }
    writeDefaultSetupIni();
    pageRef = loadReference("pic_1.dat");
    labelRef = loadReference("CPUPlayer.dat");
    sheetRef = loadReference("sheet.gfx");
    courtRef = loadReference("screen_1.gfx");
    if (!pageRef || !labelRef || !sheetRef || !courtRef) {
        std::fprintf(stderr, "screenshots: cannot read the data files\n");
        return 1;
    }

    RunOptions options;
    options.onPause = onPause;
    options.deadlineMs = 60 * 60 * 1000;
    const int status = runScripted({}, options);

    SDL_FreeSurface(pageRef);
    SDL_FreeSurface(labelRef);
    SDL_FreeSurface(sheetRef);
    SDL_FreeSurface(courtRef);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);

    const bool all = run.menuSaved && run.matchSaved && run.burstSaved && run.bannerSaved;
    if (status != 0 || !all || run.failed) {
        std::fprintf(stderr, "screenshots: game status %d, menu %d match %d burst %d banner %d\n", status,
                     run.menuSaved, run.matchSaved, run.burstSaved, run.bannerSaved);
        return 1;
    }
    return 0;
}

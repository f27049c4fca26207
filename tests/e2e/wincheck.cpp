// Reads an X window's pixels and tells how much of a reference picture it
// shows at a place, for the end-to-end test.
//
//   voltari_wincheck PICTURE FILE.bmp SX SY W H X Y [--scan X1 Y1]
//   voltari_wincheck --grab WINDOW OUT.bmp
//
// PICTURE is an X window id or a BMP saved with --grab before; a test grabs
// at the moments that matter and compares afterwards. The first form
// compares the part (SX, SY, W, H) of FILE.bmp with the picture at (X, Y)
// and prints "share <fraction> at <x> <y>"; with --scan it tries every place
// from (X, Y) to (X1, Y1) and prints the best one. Cyan pixels of FILE.bmp
// are "don't care". Exit status 0 after a comparison or a grab, 2 on bad
// input.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "e2e/regionmatch.h"

namespace {

struct Picture {
    int left = 0, top = 0;       // px: where the pixels start in the window
    int width = 0, height = 0;   // px
    std::vector<Uint32> pixels;  // 0x00RRGGBB, row after row
};

// A mask's lowest set bit and width, to turn an X pixel into 8-bit channels.
struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel channelOf(unsigned long mask)
{
    Channel c;
    if (mask == 0)
        return c;
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++c.bits;
    }
    return c;
}

Uint32 to8(unsigned long pixel, const Channel& c)
{
    const unsigned long v = (pixel >> c.shift) & ((1UL << c.bits) - 1);
    return c.bits >= 8 ? static_cast<Uint32>(v >> (c.bits - 8)) : static_cast<Uint32>(v << (8 - c.bits));
}

bool number(const char* text, long& out)
{
    char* end = nullptr;
    out = std::strtol(text, &end, 0);
    return end != text && *end == '\0';
}

// Reads the part of the window inside (x, y, w, h), or all of it when w is 0.
bool grabWindow(const char* id, Picture& picture, int x = 0, int y = 0, int w = 0, int h = 0)
{
    long window = 0;
    if (!number(id, window))
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "wincheck: no X display\n");
        return false;
    }
    XWindowAttributes attributes;
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, static_cast<Window>(window), &attributes)) {
        // Only pixels inside the window can be read.
        int right = w > 0 ? x + w : attributes.width;
        int bottom = w > 0 ? y + h : attributes.height;
        x = x < 0 ? 0 : x;
        y = y < 0 ? 0 : y;
        right = right > attributes.width ? attributes.width : right;
        bottom = bottom > attributes.height ? attributes.height : bottom;
        picture.left = x;
        picture.top = y;
        if (right > x && bottom > y)
            image = XGetImage(display, static_cast<Window>(window), x, y, static_cast<unsigned>(right - x),
                              static_cast<unsigned>(bottom - y), AllPlanes, ZPixmap);
    }
    if (!image) {
        std::fprintf(stderr, "wincheck: cannot read window %s\n", id);
        XCloseDisplay(display);
        return false;
    }
    const Channel red = channelOf(image->red_mask);
    const Channel green = channelOf(image->green_mask);
    const Channel blue = channelOf(image->blue_mask);
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (int row = 0; row < picture.height; ++row)
        for (int column = 0; column < picture.width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            picture.pixels[static_cast<size_t>(row) * picture.width + column] =
                (to8(p, red) << 16) | (to8(p, green) << 8) | to8(p, blue);
        }
    XDestroyImage(image);
    XCloseDisplay(display);
    return true;
}

bool loadPicture(const char* file, Picture& picture)
{
    SDL_Surface* s = loadReference(file);
    if (!s)
        return false;
    picture.width = s->w;
    picture.height = s->h;
    picture.pixels.resize(static_cast<size_t>(s->w) * static_cast<size_t>(s->h));
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(&picture.pixels[static_cast<size_t>(y) * s->w],
                    static_cast<const Uint8*>(s->pixels) + y * s->pitch, 4 * static_cast<size_t>(s->w));
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return true;
}

bool savePicture(const Picture& picture, const char* file)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, picture.width, picture.height, 32, 0xFF0000, 0x00FF00,
                                          0x0000FF, 0);
    if (!s)
        return false;
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch,
                    &picture.pixels[static_cast<size_t>(y) * picture.width], 4 * static_cast<size_t>(s->w));
    SDL_UnlockSurface(s);
    const bool ok = SDL_SaveBMP(s, file) == 0;
    SDL_FreeSurface(s);
    return ok;
}

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s PICTURE FILE.bmp SX SY W H X Y [--scan X1 Y1]\n"
                 "       %s --grab WINDOW OUT.bmp\n",
                 program, program);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Picture picture;
    if (argc == 4 && std::strcmp(argv[1], "--grab") == 0) {
        if (!grabWindow(argv[2], picture))
            return 2;
        if (!savePicture(picture, argv[3])) {
            std::fprintf(stderr, "wincheck: cannot write %s\n", argv[3]);
            return 2;
        }
        return 0;
    }

    long v[6];
    bool ok = argc == 9 || (argc == 12 && std::strcmp(argv[9], "--scan") == 0);
    for (int i = 0; ok && i < 6; ++i)
        ok = number(argv[3 + i], v[i]);
    long scanX = 0, scanY = 0;
    if (ok && argc == 12)
        ok = number(argv[10], scanX) && number(argv[11], scanY);
    if (!ok)
        return usage(argv[0]);
    if (argc == 9) {
        scanX = v[4];
        scanY = v[5];
    }
    const SDL_Rect src = {static_cast<Sint16>(v[0]), static_cast<Sint16>(v[1]), static_cast<Uint16>(v[2]),
                          static_cast<Uint16>(v[3])};

    long window = 0;
    const bool fromWindow = number(argv[1], window);
    const int areaW = static_cast<int>(scanX - v[4] + v[2]), areaH = static_cast<int>(scanY - v[5] + v[3]);
    if (!(fromWindow ? grabWindow(argv[1], picture, static_cast<int>(v[4]), static_cast<int>(v[5]), areaW, areaH)
                     : loadPicture(argv[1], picture))) {
        if (!fromWindow)
            std::fprintf(stderr, "wincheck: cannot read %s: %s\n", argv[1], SDL_GetError());
        return 2;
    }
    SDL_Surface* reference = loadReference(argv[2]);
    if (!reference) {
        std::fprintf(stderr, "wincheck: cannot read %s: %s\n", argv[2], SDL_GetError());
        return 2;
    }
    auto grabbed = [&](int x, int y, Uint32& rgb) {
        x -= picture.left;
        y -= picture.top;
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
            return false;
        rgb = picture.pixels[static_cast<size_t>(y) * picture.width + x];
        return true;
    };

    // A full comparison first, then places that can still beat it. Places
    // off by more than 2% are of no interest, so a scan gives up on them early.
    RegionScore best = compareRegion(reference, src, static_cast<int>(v[4]), static_cast<int>(v[5]), grabbed);
    long bestX = v[4], bestY = v[5];
    for (long y = v[5]; y <= scanY; ++y)
        for (long x = v[4]; x <= scanX; ++x) {
            const long misses = best.compared - best.same;
            const long allowed = misses < best.compared / 50 ? misses : best.compared / 50;
            RegionScore s = compareRegion(reference, src, static_cast<int>(x), static_cast<int>(y), grabbed, allowed);
            if (s.compared == best.compared && s.same > best.same) {
                best = s;
                bestX = x;
                bestY = y;
            }
        }
    std::printf("share %.4f at %ld %ld\n", best.share(), bestX, bestY);
    SDL_FreeSurface(reference);
    return 0;
}

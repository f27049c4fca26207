// Reads an X window's pixels and tells how much of a reference picture it
// shows at a place, for the end-to-end test.
//
//   voltari_wincheck WINDOW FILE.bmp SX SY W H X Y [--scan X1 Y1]
//
// compares the part (SX, SY, W, H) of the BMP with the window at (X, Y) and
// prints "share <fraction> at <x> <y>". With --scan it tries every place from
// (X, Y) to (X1, Y1) and prints the best one. Cyan pixels of the BMP are
// "don't care". Exit status 0 after a comparison, 2 on bad input.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "e2e/regionmatch.h"

namespace {

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
    out = std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv)
{
    long v[8];
    bool ok = argc == 9 || (argc == 12 && std::strcmp(argv[9], "--scan") == 0);
    unsigned long window = 0;
    if (ok) {
        char* end = nullptr;
        window = std::strtoul(argv[1], &end, 0);
        ok = end != argv[1] && *end == '\0';
    }
    for (int i = 0; ok && i < 6; ++i)
        ok = number(argv[3 + i], v[i]);
    long scanX = 0, scanY = 0;
    if (ok && argc == 12)
        ok = number(argv[10], scanX) && number(argv[11], scanY);
    if (!ok) {
        std::fprintf(stderr, "usage: %s WINDOW FILE.bmp SX SY W H X Y [--scan X1 Y1]\n", argv[0]);
        return 2;
    }
    if (argc == 9) {
        scanX = v[4];
        scanY = v[5];
    }
    const SDL_Rect src = {static_cast<Sint16>(v[0]), static_cast<Sint16>(v[1]), static_cast<Uint16>(v[2]),
                          static_cast<Uint16>(v[3])};

    SDL_Surface* reference = loadReference(argv[2]);
    if (!reference) {
        std::fprintf(stderr, "wincheck: cannot read %s: %s\n", argv[2], SDL_GetError());
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "wincheck: no X display\n");
        SDL_FreeSurface(reference);
        return 2;
    }
    XWindowAttributes attributes;
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, window, &attributes))
        image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                          static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "wincheck: cannot read window %s\n", argv[1]);
        XCloseDisplay(display);
        SDL_FreeSurface(reference);
        return 2;
    }
    const Channel red = channelOf(image->red_mask);
    const Channel green = channelOf(image->green_mask);
    const Channel blue = channelOf(image->blue_mask);
    const int width = image->width, height = image->height;
    std::vector<Uint32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels[static_cast<size_t>(y) * width + x] = (to8(p, red) << 16) | (to8(p, green) << 8) | to8(p, blue);
        }
    auto grabbed = [&](int x, int y, Uint32& rgb) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return false;
        rgb = pixels[static_cast<size_t>(y) * width + x];
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

    XDestroyImage(image);
    XCloseDisplay(display);
    SDL_FreeSurface(reference);
    return 0;
}

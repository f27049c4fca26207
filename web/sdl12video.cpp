// Surfaces, blits and the display of the browser build: each 1.2 surface
// wraps an SDL2 surface that holds its pixels, so blits, fills, colour keys
// and per-surface alpha are SDL2's own and give the desktop build's pixels.
// The display surface is 32-bit XRGB like the desktop's; flips and
// rectangle updates copy it to the window, which shows it in the canvas.
//
// In the page the canvas is drawn by the layer itself, not by SDL2, which
// would convert and draw the whole picture on every update and then hand the
// page back to the browser: an update copies its rectangles into the window's
// pixels and notes them, and once per animation frame only the noted
// rectangles are put on the canvas. The game's own frame timing is untouched.
#include <SDL2/SDL.h>
#include <emscripten.h>

#include "sdl12types.h"

namespace sdl12 {

namespace {

SDL_Surface* videoSurface = nullptr;
::SDL_Window* window = nullptr;

::SDL_Surface* native(SDL_Surface* s)
{
    return static_cast<::SDL_Surface*>(s->native);
}

::SDL_Rect toNative(const SDL_Rect& r)
{
    return ::SDL_Rect{r.x, r.y, r.w, r.h};
}

SDL_Rect fromNative(const ::SDL_Rect& r)
{
    SDL_Rect out;
    out.x = static_cast<Sint16>(r.x);
    out.y = static_cast<Sint16>(r.y);
    out.w = static_cast<Uint16>(r.w > 0 ? r.w : 0);
    out.h = static_cast<Uint16>(r.h > 0 ? r.h : 0);
    return out;
}

// The 1.2 surface for an SDL2 surface, which it then owns.
SDL_Surface* wrap(::SDL_Surface* s)
{
    if (!s)
        return nullptr;
    const ::SDL_PixelFormat* f = s->format;
    SDL_PixelFormat* format = new SDL_PixelFormat();
    format->BitsPerPixel = f->BitsPerPixel;
    format->BytesPerPixel = f->BytesPerPixel;
    format->Rloss = f->Rloss;
    format->Gloss = f->Gloss;
    format->Bloss = f->Bloss;
    format->Aloss = f->Aloss;
    format->Rshift = f->Rshift;
    format->Gshift = f->Gshift;
    format->Bshift = f->Bshift;
    format->Ashift = f->Ashift;
    format->Rmask = f->Rmask;
    format->Gmask = f->Gmask;
    format->Bmask = f->Bmask;
    format->Amask = f->Amask;
    format->alpha = 255;

    SDL_Surface* out = new SDL_Surface();
    out->format = format;
    out->w = s->w;
    out->h = s->h;
    out->pitch = static_cast<Uint16>(s->pitch);
    out->pixels = s->pixels;
    out->clip_rect = fromNative(s->clip_rect);
    out->refcount = 1;
    out->native = s;
    return out;
}

// Notes a changed rectangle of the window's pixels (XBGR, `pitch` bytes a
// row at `pixels`) and asks for an animation frame that puts every rectangle
// noted by then on the canvas. Many rectangles become their bounding box.
EM_JS(void, noteChanged, (const void* pixels, int pitch, int width, int height, int x, int y, int w, int h), {
    var s = Module.voltariScreen;
    if (!s || s.width !== width || s.height !== height) {
        var ctx = Module.canvas.getContext('2d');
        var image = ctx.createImageData(width, height);
        s = Module.voltariScreen = { width: width, height: height, ctx: ctx, image: image,
                                     out: new Uint32Array(image.data.buffer), rects: [], asked: false,
                                     shown: 0 };
    }
    s.pixels = pixels;
    s.pitch = pitch;
    var rects = s.rects;
    rects.push([x, y, w, h]);
    if (rects.length > 16) {
        var x0 = width, y0 = height, x1 = 0, y1 = 0;
        rects.forEach(function (r) {
            x0 = Math.min(x0, r[0]); y0 = Math.min(y0, r[1]);
            x1 = Math.max(x1, r[0] + r[2]); y1 = Math.max(y1, r[1] + r[3]);
        });
        s.rects = [[x0, y0, x1 - x0, y1 - y0]];
    }
    if (s.asked) return;
    s.asked = true;
    requestAnimationFrame(function () {
        s.asked = false;
        var from = HEAPU32, out = s.out, stride = s.pitch >> 2, base = s.pixels >> 2;
        s.rects.forEach(function (r) {
            for (var row = r[1]; row < r[1] + r[3]; ++row) {
                var i = base + row * stride + r[0], o = row * s.width + r[0];
                for (var end = o + r[2]; o < end; ++o, ++i)
                    out[o] = from[i] | 0xff000000;   // opaque: the X byte may be anything
            }
            s.ctx.putImageData(s.image, 0, 0, r[0], r[1], r[2], r[3]);
        });
        s.rects = [];
        s.shown++;
    });
});

bool drawsCanvas()
{
    const char* driver = ::SDL_GetCurrentVideoDriver();
    return driver && SDL_strcmp(driver, "emscripten") == 0;
}

// Copies part of the display surface to the window and shows it.
void present(const SDL_Rect* rects, int count)
{
    if (!window || !videoSurface)
        return;
    ::SDL_Surface* target = ::SDL_GetWindowSurface(window);
    if (!target)
        return;
    ::SDL_Rect shown[8];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        ::SDL_Rect r = toNative(rects[i]);
        ::SDL_Rect screenArea{0, 0, videoSurface->w, videoSurface->h};
        if (!::SDL_IntersectRect(&r, &screenArea, &r))
            continue;
        ::SDL_Rect at = r;
        ::SDL_BlitSurface(native(videoSurface), &r, target, &at);
        if (drawsCanvas())
            noteChanged(target->pixels, target->pitch, target->w, target->h, r.x, r.y, r.w, r.h);
        else if (n < 8)
            shown[n++] = r;
    }
    if (drawsCanvas())
        return;
    if (count > 8 || n == 0)
        ::SDL_UpdateWindowSurface(window);
    else
        ::SDL_UpdateWindowSurfaceRects(window, shown, n);
}

}  // namespace

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    // Full screen in the browser is the page's business: it asks for it on
    // the key press that starts the game, which browsers require.
    (void)flags;
    if (bpp != 32) {
        ::SDL_SetError("only 32-bit display modes are offered");
        return nullptr;
    }
    if (!window) {
        window = ::SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, 0);
        if (!window)
            return nullptr;
    }
    ::SDL_Surface* pixels = ::SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_XRGB8888);
    if (!pixels)
        return nullptr;
    videoSurface = wrap(pixels);
    return videoSurface;
}

SDL_Surface* SDL_GetVideoSurface()
{
    return videoSurface;
}

int SDL_Flip(SDL_Surface* screen)
{
    if (screen && screen == videoSurface)
        SDL_UpdateRect(screen, 0, 0, 0, 0);
    return 0;
}

void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (!screen)
        return;
    SDL_Rect r;
    r.x = static_cast<Sint16>(x);
    r.y = static_cast<Sint16>(y);
    r.w = static_cast<Uint16>(w ? w : static_cast<Uint32>(screen->w));
    r.h = static_cast<Uint16>(h ? h : static_cast<Uint32>(screen->h));
    SDL_UpdateRects(screen, 1, &r);
}

void SDL_UpdateRects(SDL_Surface* screen, int count, SDL_Rect* rects)
{
    if (screen && screen == videoSurface && rects && count > 0)
        present(rects, count);
}

void SDL_WM_SetCaption(const char* title, const char*)
{
    if (window && title)
        ::SDL_SetWindowTitle(window, title);
}

void SDL_WM_SetIcon(SDL_Surface*, Uint8*)
{
    // A page has no window icon: the tab shows the page's own (voltari.png).
}

void SDL_Quit()
{
    if (videoSurface) {
        ::SDL_FreeSurface(native(videoSurface));
        delete videoSurface->format;
        delete videoSurface;
        videoSurface = nullptr;
    }
    window = nullptr;  // SDL_Quit destroys it
    forgetInput();
    ::SDL_Quit();
}

SDL_Surface* SDL_LoadBMP_RW(::SDL_RWops* source, int closeSource)
{
    return wrap(::SDL_LoadBMP_RW(source, closeSource));
}

SDL_Surface* SDL_CreateRGBSurfaceFrom(void* pixels, int width, int height, int depth, int pitch, Uint32 rmask,
                                      Uint32 gmask, Uint32 bmask, Uint32 amask)
{
    return wrap(::SDL_CreateRGBSurfaceFrom(pixels, width, height, depth, pitch, rmask, gmask, bmask, amask));
}

SDL_Surface* SDL_DisplayFormat(SDL_Surface* surface)
{
    if (!videoSurface) {
        ::SDL_SetError("No video mode has been set");
        return nullptr;
    }
    if (!surface)
        return nullptr;
    return wrap(::SDL_ConvertSurface(native(surface), native(videoSurface)->format, 0));
}

void SDL_FreeSurface(SDL_Surface* surface)
{
    // The display surface lives until SDL_Quit, as in SDL 1.2.
    if (!surface || surface == videoSurface)
        return;
    ::SDL_FreeSurface(native(surface));
    delete surface->format;
    delete surface;
}

int SDL_SetColorKey(SDL_Surface* surface, Uint32 flags, Uint32 key)
{
    const bool keyed = (flags & srcColorKey) != 0;
    const int result = ::SDL_SetColorKey(native(surface), keyed ? SDL_TRUE : SDL_FALSE, key);
    Uint32 set = 0;
    surface->format->colorkey = ::SDL_GetColorKey(native(surface), &set) == 0 ? set : 0;
    if (keyed)
        surface->flags |= srcColorKey;
    else
        surface->flags &= ~static_cast<Uint32>(srcColorKey);
    return result;
}

int SDL_SetAlpha(SDL_Surface* surface, Uint32 flags, Uint8 alpha)
{
    const bool blended = (flags & srcAlpha) != 0;
    ::SDL_Surface* s = native(surface);
    const int result = ::SDL_SetSurfaceAlphaMod(s, blended ? alpha : 255);
    Uint8 now = 255;
    surface->format->alpha = ::SDL_GetSurfaceAlphaMod(s, &now) == 0 ? now : 255;
    ::SDL_SetSurfaceBlendMode(s, blended ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    if (blended)
        surface->flags |= srcAlpha;
    else
        surface->flags &= ~static_cast<Uint32>(srcAlpha);
    return result;
}

int SDL_UpperBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect)
{
    if (!source || !destination)
        return ::SDL_SetError("SDL_UpperBlit: passed a NULL surface");
    // Only the destination's position counts; SDL2 clips the blit to the
    // destination and writes back the rectangle it drew.
    ::SDL_Rect to{0, 0, 0, 0};
    if (destinationRect) {
        to.x = destinationRect->x;
        to.y = destinationRect->y;
    }
    ::SDL_Rect from;
    if (sourceRect)
        from = toNative(*sourceRect);
    const int result = ::SDL_UpperBlit(native(source), sourceRect ? &from : nullptr, native(destination),
                                       destinationRect ? &to : nullptr);
    if (destinationRect)
        *destinationRect = fromNative(to);
    return result;
}

int SDL_FillRect(SDL_Surface* surface, SDL_Rect* rect, Uint32 colour)
{
    ::SDL_Rect area;
    if (rect)
        area = toNative(*rect);
    const int result = ::SDL_FillRect(native(surface), rect ? &area : nullptr, colour);
    if (result == 0 && rect) {
        ::SDL_Rect filled;
        ::SDL_IntersectRect(&area, &native(surface)->clip_rect, &filled);
        *rect = fromNative(filled);
    }
    return result;
}

Uint32 SDL_MapRGB(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b)
{
    // Every surface of the game has a 32-bit format without a palette.
    const Uint32 opaque = format->Amask;
    return (static_cast<Uint32>(r) >> format->Rloss << format->Rshift & format->Rmask) |
           (static_cast<Uint32>(g) >> format->Gloss << format->Gshift & format->Gmask) |
           (static_cast<Uint32>(b) >> format->Bloss << format->Bshift & format->Bmask) | opaque;
}

int SDL_LockSurface(SDL_Surface* surface)
{
    // The display surface is never encoded: its pixels are always there.
    if (surface == videoSurface)
        return 0;
    const int result = ::SDL_LockSurface(native(surface));
    surface->pixels = native(surface)->pixels;
    return result;
}

void SDL_UnlockSurface(SDL_Surface* surface)
{
    if (surface == videoSurface)
        return;
    ::SDL_UnlockSurface(native(surface));
    surface->pixels = native(surface)->pixels;
}

}  // namespace sdl12

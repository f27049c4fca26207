// The records and constants of the SDL 1.2 interface the game is written
// against, for the browser build, where they are served over SDL2. They
// live in namespace sdl12 so that the layer's own sources can see them next
// to SDL2's records of the same names; the game sees them through SDL.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The same typedefs as SDL2's, so both may be seen together.
typedef int8_t Sint8;
typedef uint8_t Uint8;
typedef int16_t Sint16;
typedef uint16_t Uint16;
typedef int32_t Sint32;
typedef uint32_t Uint32;
typedef int64_t Sint64;
typedef uint64_t Uint64;

struct SDL_RWops;  // SDL2's own stream record
struct _SDL_Joystick;  // a stick's handle; SDL2's record of the same name

namespace sdl12 {

struct SDL_Rect {
    Sint16 x, y;   // px
    Uint16 w, h;   // px
};

struct SDL_PixelFormat {
    void* palette;  // always null: every surface here is 32-bit
    Uint8 BitsPerPixel;
    Uint8 BytesPerPixel;
    Uint8 Rloss, Gloss, Bloss, Aloss;
    Uint8 Rshift, Gshift, Bshift, Ashift;
    Uint32 Rmask, Gmask, Bmask, Amask;
    Uint32 colorkey;
    Uint8 alpha;
};

// Field for field what the game reads of a 1.2 surface, plus the SDL2
// surface that holds the pixels.
struct SDL_Surface {
    Uint32 flags;
    SDL_PixelFormat* format;
    int w, h;         // px
    Uint16 pitch;     // bytes per row
    void* pixels;
    int offset;
    SDL_Rect clip_rect;
    int refcount;
    void* native;     // the SDL2 surface
};

// Surface and mode flags under their own names: SDL2 has macros of the
// same names and other values. SDL.h gives the game the 1.2 names.
enum : Uint32 {
    swSurface = 0x00000000,
    hwSurface = 0x00000001,
    asyncBlit = 0x00000004,
    fullScreen = 0x80000000,
    doubleBuf = 0x40000000,
    srcColorKey = 0x00001000,
    rleAccel = 0x00004000,
    srcAlpha = 0x00010000,
};

enum SDLKey {
    SDLK_UNKNOWN = 0,
    SDLK_BACKSPACE = 8,
    SDLK_TAB = 9,
    SDLK_RETURN = 13,
    SDLK_ESCAPE = 27,
    SDLK_SPACE = 32,
    SDLK_0 = 48, SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_5, SDLK_6, SDLK_7, SDLK_8, SDLK_9,
    SDLK_a = 97, SDLK_b, SDLK_c, SDLK_d, SDLK_e, SDLK_f, SDLK_g, SDLK_h, SDLK_i, SDLK_j, SDLK_k,
    SDLK_l, SDLK_m, SDLK_n, SDLK_o, SDLK_p, SDLK_q, SDLK_r, SDLK_s, SDLK_t, SDLK_u, SDLK_v,
    SDLK_w, SDLK_x, SDLK_y, SDLK_z,
    SDLK_DELETE = 127,
    SDLK_UP = 273, SDLK_DOWN, SDLK_RIGHT, SDLK_LEFT, SDLK_INSERT, SDLK_HOME, SDLK_END,
    SDLK_PAGEUP, SDLK_PAGEDOWN,
    SDLK_F1 = 282, SDLK_F2, SDLK_F3, SDLK_F4, SDLK_F5, SDLK_F6, SDLK_F7, SDLK_F8, SDLK_F9,
    SDLK_F10, SDLK_F11, SDLK_F12, SDLK_F13, SDLK_F14, SDLK_F15,
    SDLK_RSHIFT = 303, SDLK_LSHIFT, SDLK_RCTRL, SDLK_LCTRL, SDLK_RALT, SDLK_LALT,
    SDLK_LAST = 323,
};

enum SDLMod { KMOD_NONE = 0 };

enum {
    SDL_NOEVENT = 0,
    SDL_ACTIVEEVENT,
    SDL_KEYDOWN,
    SDL_KEYUP,
    SDL_MOUSEMOTION,
    SDL_MOUSEBUTTONDOWN,
    SDL_MOUSEBUTTONUP,
    SDL_JOYAXISMOTION,
    SDL_JOYBALLMOTION,
    SDL_JOYHATMOTION,
    SDL_JOYBUTTONDOWN,
    SDL_JOYBUTTONUP,
    SDL_QUIT,
};

struct SDL_keysym {
    Uint8 scancode;
    SDLKey sym;
    SDLMod mod;
    Uint16 unicode;
};

struct SDL_KeyboardEvent {
    Uint8 type;
    Uint8 which;
    Uint8 state;
    SDL_keysym keysym;
};

struct SDL_MouseMotionEvent {
    Uint8 type;
    Uint8 which;
    Uint8 state;
    Uint16 x, y;       // px
    Sint16 xrel, yrel; // px
};

struct SDL_MouseButtonEvent {
    Uint8 type;
    Uint8 which;
    Uint8 button;
    Uint8 state;
    Uint16 x, y;  // px
};

struct SDL_JoyAxisEvent {
    Uint8 type;
    Uint8 which;   // device index
    Uint8 axis;
    Sint16 value;
};

struct SDL_JoyButtonEvent {
    Uint8 type;
    Uint8 which;   // device index
    Uint8 button;
    Uint8 state;
};

// The layer makes none (pads come as axes), but a network game may pass on
// a desktop player's hat.
struct SDL_JoyHatEvent {
    Uint8 type;
    Uint8 which;   // device index
    Uint8 hat;
    Uint8 value;   // SDL_HAT_* bits
};

struct SDL_QuitEvent {
    Uint8 type;
};

union SDL_Event {
    Uint8 type;
    SDL_KeyboardEvent key;
    SDL_MouseMotionEvent motion;
    SDL_MouseButtonEvent button;
    SDL_JoyAxisEvent jaxis;
    SDL_JoyButtonEvent jbutton;
    SDL_JoyHatEvent jhat;
    SDL_QuitEvent quit;
};

// ---- Calls whose 1.2 form differs from SDL2's ----------------------------

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
SDL_Surface* SDL_GetVideoSurface();
int SDL_Flip(SDL_Surface* screen);
void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h);
void SDL_UpdateRects(SDL_Surface* screen, int count, SDL_Rect* rects);
void SDL_WM_SetCaption(const char* title, const char* icon);
void SDL_Quit();

void SDL_WM_SetIcon(SDL_Surface* icon, Uint8* mask);

SDL_Surface* SDL_CreateRGBSurfaceFrom(void* pixels, int width, int height, int depth, int pitch, Uint32 rmask,
                                      Uint32 gmask, Uint32 bmask, Uint32 amask);
SDL_Surface* SDL_DisplayFormat(SDL_Surface* surface);
void SDL_FreeSurface(SDL_Surface* surface);
int SDL_SetColorKey(SDL_Surface* surface, Uint32 flags, Uint32 key);
int SDL_SetAlpha(SDL_Surface* surface, Uint32 flags, Uint8 alpha);
int SDL_UpperBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect);
int SDL_FillRect(SDL_Surface* surface, SDL_Rect* rect, Uint32 colour);
Uint32 SDL_MapRGB(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b);
int SDL_LockSurface(SDL_Surface* surface);
void SDL_UnlockSurface(SDL_Surface* surface);

SDL_Surface* SDL_LoadBMP_RW(::SDL_RWops* source, int closeSource);

int SDL_PollEvent(SDL_Event* event);
int SDL_PushEvent(SDL_Event* event);

// Pads come and go in a page: opening any stick tells the layer that the
// game wants them, and every pad is then taken up as it appears (players 1
// and 2 in that order), through SDL2's game-controller layout.
::_SDL_Joystick* SDL_JoystickOpen(int index);
void SDL_JoystickClose(::_SDL_Joystick* stick);
void forgetInput();  // the layer's own: SDL_Quit lets go of every pad and queued event

}  // namespace sdl12

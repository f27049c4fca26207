// SDL 1.2 as the game uses it, for the browser build: the records and the
// calls that differ from SDL2 come from sdl12types.h and the layer in web/;
// the calls that SDL2 has in the same form are SDL2's own.
#pragma once

#include "sdl12types.h"

using namespace sdl12;

#define SDL_SWSURFACE sdl12::swSurface
#define SDL_HWSURFACE sdl12::hwSurface
#define SDL_ASYNCBLIT sdl12::asyncBlit
#define SDL_FULLSCREEN sdl12::fullScreen
#define SDL_DOUBLEBUF sdl12::doubleBuf
#define SDL_SRCCOLORKEY sdl12::srcColorKey
#define SDL_RLEACCEL sdl12::rleAccel
#define SDL_SRCALPHA sdl12::srcAlpha
#define SDL_RELEASED 0
#define SDL_PRESSED 1

#define SDL_MUSTLOCK(surface) \
    ((surface)->offset || (((surface)->flags & (SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_RLEACCEL)) != 0))

#define SDL_LIL_ENDIAN 1234
#define SDL_BIG_ENDIAN 4321
#define SDL_BYTEORDER SDL_LIL_ENDIAN  // WebAssembly is little-endian

#define SDL_INIT_AUDIO 0x00000010u
#define SDL_INIT_VIDEO 0x00000020u
#define SDL_INIT_JOYSTICK 0x00000200u
#define SDL_DISABLE 0
#define SDL_ENABLE 1
#define RW_SEEK_SET 0
#define RW_SEEK_CUR 1
#define RW_SEEK_END 2

typedef struct _SDL_Joystick SDL_Joystick;

extern "C" {
int SDL_Init(Uint32 flags);
Uint32 SDL_GetTicks(void);
void SDL_Delay(Uint32 ms);
const char* SDL_GetError(void);
int SDL_SetError(const char* format, ...);
void* SDL_memset(void* destination, int value, size_t length);
int SDL_ShowCursor(int toggle);

int SDL_NumJoysticks(void);

SDL_RWops* SDL_RWFromFile(const char* file, const char* mode);
SDL_RWops* SDL_RWFromConstMem(const void* memory, int size);
size_t SDL_RWread(SDL_RWops* stream, void* data, size_t size, size_t count);
Sint64 SDL_RWseek(SDL_RWops* stream, Sint64 offset, int whence);
Sint64 SDL_RWtell(SDL_RWops* stream);
int SDL_RWclose(SDL_RWops* stream);
}

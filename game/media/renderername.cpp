#include "game/media/renderername.h"

#ifndef __EMSCRIPTEN__
#include <dlfcn.h>
#endif

namespace {

#ifndef __EMSCRIPTEN__
// SDL 2's SDL_RendererInfo, whose layout SDL 2 keeps for its whole life;
// the game is compiled against the SDL 1.2 headers, which lack it.
struct RendererInfo {
    const char* name;
    unsigned flags;
    unsigned numTextureFormats;
    unsigned textureFormats[16];
    int maxTextureWidth;   // px
    int maxTextureHeight;  // px
};
using GetWindowFromId = void* (*)(unsigned);
using GetRenderer = void* (*)(void*);
using GetRendererInfo = int (*)(void*, RendererInfo*);
// SDL 2 numbers its windows from 1; sdl12-compat opens one.
constexpr unsigned firstWindowId = 1;
constexpr unsigned lastWindowId = 8;
#endif

}  // namespace

const char* rendererName()
{
#ifndef __EMSCRIPTEN__
    // sdl12-compat has loaded SDL 2 already; this only looks it up.
    void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!sdl2)
        return "";
    auto fromId = reinterpret_cast<GetWindowFromId>(dlsym(sdl2, "SDL_GetWindowFromID"));
    auto renderer = reinterpret_cast<GetRenderer>(dlsym(sdl2, "SDL_GetRenderer"));
    auto info = reinterpret_cast<GetRendererInfo>(dlsym(sdl2, "SDL_GetRendererInfo"));
    const char* name = "";
    for (unsigned id = firstWindowId; fromId && renderer && info && id <= lastWindowId; ++id) {
        void* window = fromId(id);
        void* r = window ? renderer(window) : nullptr;
        RendererInfo got{};
        if (r && info(r, &got) == 0 && got.name) {
            name = got.name;
            break;
        }
    }
    dlclose(sdl2);
    return name;
#else
    return "";
#endif
}

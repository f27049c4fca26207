// The name of the SDL 2 renderer that sdl12-compat draws the game's window
// with ("opengl", "software", ...), as SDL_GetRendererInfo gives it.
#pragma once

// Empty when there is none to ask: no window yet, the web page, the dummy
// display, or SDL 1.2 without SDL 2 underneath.
const char* rendererName();

// Prints the name of the OpenGL implementation (GL_RENDERER) that SDL 2's
// OpenGL renderer would draw the game with on this display, as SDL finds it
// (same video driver, same GL library), or nothing when there is none. The
// launcher chooses SDL's software renderer when the name is a software
// rasteriser's. Built against SDL 2 itself: the SDL 1.2 calls cannot ask.
#include <cstdio>

#include <SDL.h>
#include <SDL_opengl.h>

namespace {

using GetString = const GLubyte*(APIENTRY*)(GLenum);

}  // namespace

int main(int, char**)
{
    int status = 1;
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return status;
    // Never shown: the context only answers the question.
    SDL_Window* window = SDL_CreateWindow("voltari-glinfo", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context) {
        auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        const unsigned char* name = getString ? getString(GL_RENDERER) : nullptr;
        if (name) {
            std::printf("%s\n", reinterpret_cast<const char*>(name));
            status = 0;
        }
        SDL_GL_DeleteContext(context);
    }
    if (window)
        SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}

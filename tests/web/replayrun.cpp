// One golden replay, run natively or in the browser, and everything the
// browser check compares: the record the replay test compares with its
// expected file, and the screen at every snapshot as base64 RGB rows.
//   replayrun FILE.replay
// Natively the text goes to standard output; in the browser it is handed
// to the page as Module.replayResult.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "game/media/media.h"
#include "support/replay.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {

std::string screens;

std::string base64(const std::string& bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        const Uint32 v = static_cast<Uint8>(bytes[i]) << 16 | (left > 1 ? static_cast<Uint8>(bytes[i + 1]) << 8 : 0) |
                         (left > 2 ? static_cast<Uint8>(bytes[i + 2]) : 0);
        out += digits[v >> 18 & 63];
        out += digits[v >> 12 & 63];
        out += left > 1 ? digits[v >> 6 & 63] : '=';
        out += left > 2 ? digits[v & 63] : '=';
    }
    return out;
}

void keepScreen(const std::string& section)
{
    if (!screen)
        return;
    const SDL_PixelFormat* f = screen->format;
    std::string rgb;
    rgb.reserve(static_cast<size_t>(screen->w) * screen->h * 3);
    SDL_LockSurface(screen);
    for (int y = 0; y < screen->h; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(screen->pixels) + y * screen->pitch);
        for (int x = 0; x < screen->w; ++x) {
            rgb += static_cast<char>((row[x] & f->Rmask) >> f->Rshift);
            rgb += static_cast<char>((row[x] & f->Gmask) >> f->Gshift);
            rgb += static_cast<char>((row[x] & f->Bmask) >> f->Bshift);
        }
    }
    SDL_UnlockSurface(screen);
    screens += "screen [" + section + "] " + std::to_string(screen->w) + " " + std::to_string(screen->h) + " " +
               base64(rgb) + "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: replayrun FILE.replay\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ReplayScript script;
    std::string error;
    if (!in || !parseReplay(text.str(), script, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], in ? error.c_str() : "cannot be read");
        return 2;
    }
    setSnapshotObserver(keepScreen);
    const ReplayRecord record = runReplay(script);
    for (const auto& f : record) {
        if (f.first == "[exit] status" && f.second != "0")
            std::fprintf(stderr, "the game ended with status %s: %s\n", f.second.c_str(), SDL_GetError());
    }
    const std::string result = formatRecord(record, argv[1]) + screens;
#ifdef __EMSCRIPTEN__
    EM_ASM({ Module.replayResult = UTF8ToString($0); }, result.c_str());
#else
    std::fwrite(result.data(), 1, result.size(), stdout);
#endif
    return 0;
}

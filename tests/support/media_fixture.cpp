#include "support/media_fixture.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "game/media/media.h"
#include "settings/settings.h"

namespace {

void put16(std::vector<unsigned char>& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void put32(std::vector<unsigned char>& b, unsigned long v)
{
    put16(b, static_cast<unsigned>(v & 0xFFFF));
    put16(b, static_cast<unsigned>((v >> 16) & 0xFFFF));
}

}  // namespace

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeBmp(const std::string& path, int w, int h, const PixelColour& colourAt)
{
    const unsigned rowBytes = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
    const unsigned long imageBytes = static_cast<unsigned long>(rowBytes) * static_cast<unsigned>(h);
    std::vector<unsigned char> b;
    b.reserve(54 + imageBytes);
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + imageBytes);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<unsigned long>(w));
    put32(b, static_cast<unsigned long>(h));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);  // no compression
    put32(b, imageBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up rows
        unsigned written = 0;
        for (int x = 0; x < w; ++x) {
            Uint32 c = colourAt(x, y);
            b.push_back(static_cast<unsigned char>(c & 0xFF));
            b.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
            b.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
            written += 3;
        }
        for (; written < rowBytes; ++written)
            b.push_back(0);
    }
    writeBytes(path, b);
}

void writeSolidBmp(const std::string& path, int w, int h, Uint32 rgb)
{
    writeBmp(path, w, h, [rgb](int, int) { return rgb; });
}

void writeToneWav(const std::string& path)
{
    const unsigned rate = 22050, samples = 2205;
    std::vector<unsigned char> b;
    b.push_back('R'); b.push_back('I'); b.push_back('F'); b.push_back('F');
    put32(b, 36 + samples * 2);
    b.push_back('W'); b.push_back('A'); b.push_back('V'); b.push_back('E');
    b.push_back('f'); b.push_back('m'); b.push_back('t'); b.push_back(' ');
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, rate);
    put32(b, rate * 2);
    put16(b, 2);
    put16(b, 16);
    b.push_back('d'); b.push_back('a'); b.push_back('t'); b.push_back('a');
    put32(b, samples * 2);
    for (unsigned i = 0; i < samples; ++i)
        put16(b, (i / 25) % 2 ? 0x1000u : 0xF000u);  // square wave
    writeBytes(path, b);
}

std::vector<unsigned char> mp3Frames(const unsigned char header[4], size_t frameLength, int count)
{
    std::vector<unsigned char> b;
    for (int i = 0; i < count; ++i) {
        b.insert(b.end(), header, header + 4);
        b.insert(b.end(), frameLength - 4, 0);
    }
    return b;
}

std::vector<unsigned char> mp3Stereo44k()
{
    // MPEG-1 layer III, no CRC; 128 kbit/s, 44100 Hz, no padding; stereo.
    const unsigned char h[4] = {0xFF, 0xFB, 0x90, 0x00};
    return mp3Frames(h, 417, 10);
}

std::vector<unsigned char> mp3Mono22k()
{
    // MPEG-2 layer III, no CRC; 32 kbit/s, 22050 Hz, no padding; mono.
    const unsigned char h[4] = {0xFF, 0xF3, 0x40, 0xC0};
    return mp3Frames(h, 104, 10);
}

std::vector<unsigned char> id3Tag(size_t bodySize, unsigned char fill)
{
    std::vector<unsigned char> b = {'I', 'D', '3', 3, 0, 0};
    b.push_back(static_cast<unsigned char>((bodySize >> 21) & 0x7F));
    b.push_back(static_cast<unsigned char>((bodySize >> 14) & 0x7F));
    b.push_back(static_cast<unsigned char>((bodySize >> 7) & 0x7F));
    b.push_back(static_cast<unsigned char>(bodySize & 0x7F));
    b.insert(b.end(), bodySize, fill);
    return b;
}

const std::vector<std::string> startupFiles = {
    "lev_1.dat",    "Vardel_06.dat", "paddle.dat", "CPUPlayer.dat", "qelvane.gfx",
    "sound.dat",    "ufo.dat",       "crack.dat",  "screen_1.gfx",  "animate.dat",
    "sheet.gfx",    "nback.gfx",     "anifade.dat", "Track01.mp3",
};

void writeStartupFiles(const std::vector<std::string>& omit, bool withMusic)
{
    auto wanted = [&omit](const std::string& name) {
        for (const std::string& o : omit)
            if (o == name)
                return false;
        return true;
    };
    struct Picture {
        const char* name;
        int w, h;  // px: the least each image needs
        Uint32 rgb;
    };
    // Small stand-ins; the full-screen pictures need not be full size here.
    const Picture pictures[] = {
        {"lev_1.dat", 16, 16, 0x203040},   {"Vardel_06.dat", 20, 20, 0xC02020},
        {"paddle.dat", 40, 80, 0x20C020},  {"CPUPlayer.dat", 140, 34, 0xE0E020},
        {"qelvane.gfx", 32, 32, 0x8020A0}, {"screen_1.gfx", 64, 48, 0x404040},
        {"animate.dat", 444, 161, 0xF08000}, {"sheet.gfx", 631, 143, 0x2040F0},
        {"nback.gfx", 64, 48, 0x102010},   {"anifade.dat", 160, 80, 0x60A0A0},
    };
    for (const Picture& p : pictures)
        if (wanted(p.name))
            writeSolidBmp(p.name, p.w, p.h, p.rgb);
    for (const char* s : {"sound.dat", "ufo.dat", "crack.dat"})
        if (wanted(s))
            writeToneWav(s);
    if (withMusic && wanted("Track01.mp3"))
        writeBytes("Track01.mp3", mp3Mono22k());
}

bool startTestMedia()
{
    settings.fullscreen = 0;
    return startMedia();
}

SDL_Surface* makeImage(int w, int h, Uint32 rgb)
{
    SDL_Surface* raw = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (!raw)
        return nullptr;
    SDL_Surface* s = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    if (!s)
        return nullptr;
    fillRgb(s, 0, 0, w, h, rgb);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY | SDL_RLEACCEL, SDL_MapRGB(s->format, 0, 255, 255));
    return s;
}

void fillRgb(SDL_Surface* s, int x, int y, int w, int h, Uint32 rgb)
{
    SDL_Rect r;
    r.x = static_cast<Sint16>(x);
    r.y = static_cast<Sint16>(y);
    r.w = static_cast<Uint16>(w);
    r.h = static_cast<Uint16>(h);
    SDL_FillRect(s, &r,
                 SDL_MapRGB(s->format, static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                            static_cast<Uint8>(rgb)));
}

Uint32 rgbAt(SDL_Surface* s, int x, int y)
{
    if (SDL_MUSTLOCK(s))
        SDL_LockSurface(s);
    const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    Uint32 pixel = reinterpret_cast<const Uint32*>(row)[x];  // 32-bit surfaces only
    if (SDL_MUSTLOCK(s))
        SDL_UnlockSurface(s);
    Uint8 r, g, b;
    SDL_GetRGB(pixel, s->format, &r, &g, &b);
    return (static_cast<Uint32>(r) << 16) | (static_cast<Uint32>(g) << 8) | b;
}

int countRgb(SDL_Surface* s, int x, int y, int w, int h, Uint32 rgb)
{
    int n = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (rgbAt(s, i, j) == rgb)
                ++n;
    return n;
}

#include "game/media/assets.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "game/media/image.h"
#include "game/media/mp3probe.h"
#include "game/media/soundfile.h"

SDL_Surface* courtStrip = nullptr;
SDL_Surface* ballImage = nullptr;
SDL_Surface* paddleImage1 = nullptr;
SDL_Surface* paddleImage2 = nullptr;
SDL_Surface* playerLabels = nullptr;
SDL_Surface* logo = nullptr;
SDL_Surface* background = nullptr;
SDL_Surface* hitSparkStrip = nullptr;
SDL_Surface* sheet = nullptr;
SDL_Surface* menuBackdrop = nullptr;
SDL_Surface* fadeStrip = nullptr;
SDL_Surface* menuPage = nullptr;
Mix_Chunk* hitSound = nullptr;
Mix_Chunk* ufoSound = nullptr;
Mix_Chunk* crackSound = nullptr;
Mix_Music* music = nullptr;

namespace {

struct ImageEntry {
    const char* file;
    SDL_Surface** slot;
};

const char logoFile[] = "qelvane.gfx";

// Start-up images before the sounds, then after them, in load order.
const ImageEntry firstImages[] = {
    {"lev_1.dat", &courtStrip},       {"Vardel_06.dat", &ballImage}, {"paddle.dat", &paddleImage1},
    {"paddle.dat", &paddleImage2},    {"CPUPlayer.dat", &playerLabels}, {logoFile, &logo},
};
const ImageEntry laterImages[] = {
    {"screen_1.gfx", &background}, {"animate.dat", &hitSparkStrip}, {"sheet.gfx", &sheet},
    {"nback.gfx", &menuBackdrop},  {"anifade.dat", &fadeStrip},
};

}  // namespace

const char* const pictureFiles[] = {
    "lev_1.dat",   "lev_2.dat",    "Vardel_06.dat", "paddle.dat",   "CPUPlayer.dat", "qelvane.gfx",
    "screen_0.gfx", "screen_1.gfx", "screen_2.gfx", "animate.dat",  "sheet.gfx",     "nback.gfx",
    "anifade.dat", "pic_1.dat",    "pic_2.dat",     "pic_3.dat",    "pic_4.dat",     "pic_5.dat",
    "netmsg.dat",
};
const size_t pictureFileCount = sizeof pictureFiles / sizeof pictureFiles[0];

namespace {

template <size_t N>
bool loadImages(const ImageEntry (&entries)[N])
{
    for (const ImageEntry& e : entries) {
        *e.slot = loadImage(e.file);
        if (!*e.slot)
            return false;
    }
    return true;
}

// Mend: an effect is read whole and its header held to the file's bytes
// before the mixer sees it.
Mix_Chunk* loadSound(const char* file)
{
    std::vector<unsigned char> bytes;
    if (!readSoundFile(file, bytes) || bytes.size() > INT_MAX)
        return nullptr;
    if (!boundSoundSizes(bytes)) {
        SDL_SetError("%s: sound data runs past the end of the file", file);
        return nullptr;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw)
        return nullptr;
    return Mix_LoadWAV_RW(rw, 1);  // the chunk keeps its own copy of the samples
}

// Mend: Mix_LoadMUS, but a file whose format the mixer would convert into a
// corrupted heap is refused as a failed load, with the reason in SDL's error.
Mix_Music* loadMusic(const char* file)
{
    Mp3Format format;
    switch (probeMp3File(file, format)) {
    case mp3FileUnreadable:
        break;  // the mixer says why in its own words
    case mp3FileNoFrame:
        SDL_SetError("unsupported MP3 format: no MPEG audio frame found");
        return nullptr;
    case mp3FileFound:
        if (!mixerConvertsSafely(format)) {
            SDL_SetError("unsupported MP3 format: %d Hz %s", format.sampleRate,
                         format.channels == 1 ? "mono" : "stereo");
            return nullptr;
        }
        break;
    }
    return Mix_LoadMUS(file);
}

}  // namespace

bool loadAssets()
{
    if (!loadImages(firstImages))
        return false;

    hitSound = loadSound("sound.dat");
    ufoSound = loadSound("ufo.dat");
    crackSound = loadSound("crack.dat");
    if (!hitSound)
        return false;

    if (!loadImages(laterImages))
        return false;

    music = loadMusic("Track01.mp3");
    if (!music) {
        std::printf("load error");  // Kept: no line end; the next message follows on the same line
        std::printf("Mix_LoadMUS(\"Track01.mp3\"): %s\n", SDL_GetError());
    }
    return true;
}

void replaceImage(SDL_Surface*& slot, const char* file)
{
    // Mend: menu visits reload these slots over and over: free the old picture.
    SDL_FreeSurface(slot);
    slot = loadImage(file);
}

void releaseImage(SDL_Surface*& slot)
{
    SDL_FreeSurface(slot);
    slot = nullptr;
}

void reloadLogo()
{
    replaceImage(logo, logoFile);
}

void playEffect(Mix_Chunk* chunk)
{
    if (chunk)
        Mix_PlayChannelTimed(-1, chunk, 0, -1);
}

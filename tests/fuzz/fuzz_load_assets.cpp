// loadAssets in a game folder of tiny valid files where one picture and
// some of the three effects are the fuzzer's bytes. Input layout:
//   byte 0     which picture is replaced (one of the ten start-up names)
//   byte 1     which effects are replaced (bit 0 "sound.dat", 1 "ufo.dat", 2 "crack.dat")
//   bytes 2-3  length of the picture part, little-endian
//   then the picture bytes, then the effect bytes (the rest)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "SDL.h"
#include "SDL_mixer.h"
#include "fuzz_support.h"
#include "game/media/assets.h"
#include "game/media/media.h"
#include "settings/settings.h"

namespace {

const char* const pictureNames[] = {"lev_1.dat",    "Vardel_06.dat", "paddle.dat",  "CPUPlayer.dat",
                                    "qelvane.gfx",  "screen_1.gfx",  "animate.dat", "sheet.gfx",
                                    "nback.gfx",    "anifade.dat"};
const char* const soundNames[] = {"sound.dat", "ufo.dat", "crack.dat"};

std::vector<unsigned char> validPicture;
std::vector<unsigned char> validSound;

// What each file of the folder holds now: a run writes only the files whose
// bytes change, instead of writing its input and putting the valid files
// back afterwards.
std::map<std::string, std::vector<unsigned char>> folder;

void place(const char* name, const unsigned char* data, size_t size)
{
    std::vector<unsigned char>& now = folder[name];
    if (now.size() == size && std::equal(now.begin(), now.end(), data))
        return;
    writeFileBytes(name, data, size);
    now.assign(data, data + size);
}

void put16(std::vector<unsigned char>& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void put32(std::vector<unsigned char>& b, unsigned v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A 4 x 2 24-bit BMP, one pixel of it cyan.
std::vector<unsigned char> tinyBmp()
{
    std::vector<unsigned char> b = {'B', 'M'};
    put32(b, 54 + 24);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, 4);
    put32(b, 2);
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, 24);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int i = 0; i < 8; ++i) {
        b.push_back(i == 0 ? 255 : 40);  // blue
        b.push_back(i == 0 ? 255 : 80);  // green
        b.push_back(i == 0 ? 0 : 120);   // red
    }
    return b;
}

// 16 samples of 16-bit mono PCM at the mixer's own rate.
std::vector<unsigned char> tinyWav()
{
    std::vector<unsigned char> b = {'R', 'I', 'F', 'F'};
    put32(b, 36 + 32);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);
    put16(b, 1);
    put32(b, 22050);
    put32(b, 44100);
    put16(b, 2);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, 32);
    for (int i = 0; i < 16; ++i)
        put16(b, i % 2 ? 0x2000 : 0xE000);
    return b;
}

void freeImage(SDL_Surface*& slot)
{
    SDL_FreeSurface(slot);
    slot = nullptr;
}

void freeChunk(Mix_Chunk*& slot)
{
    if (slot)
        Mix_FreeChunk(slot);
    slot = nullptr;
}

// Every slot loadAssets fills, emptied for the next run; the display and
// the mixer stay open.
void freeSlots()
{
    for (SDL_Surface** s : {&courtStrip, &ballImage, &paddleImage1, &paddleImage2, &playerLabels, &logo,
                            &background, &hitSparkStrip, &sheet, &menuBackdrop, &fadeStrip})
        freeImage(*s);
    freeChunk(hitSound);
    freeChunk(ufoSound);
    freeChunk(crackSound);
    if (music)
        Mix_FreeMusic(music);
    music = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    useHeadlessDrivers();
    std::string folder = scratchFolder();
    require(chdir(folder.c_str()) == 0, "chdir into the scratch folder");
    validPicture = tinyBmp();
    validSound = tinyWav();
    for (const char* name : pictureNames)
        place(name, validPicture.data(), validPicture.size());
    for (const char* name : soundNames)
        place(name, validSound.data(), validSound.size());
    // No "Track01.mp3": every run prints the two music messages; keep them
    // out of the fuzzer's log.
    require(std::freopen("/dev/null", "w", stdout) != nullptr, "stdout to /dev/null");
    settings.fullscreen = 0;
    require(startMedia(), "startMedia");
    // Close the mixer before the libraries are torn down at exit: its audio
    // thread otherwise runs on into a callback that is gone.
    std::atexit(shutdownMedia);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const unsigned picture = data[0] % 10;
    const unsigned soundMask = data[1] & 7;
    size_t pictureSize = static_cast<size_t>(data[2]) | static_cast<size_t>(data[3]) << 8;
    data += 4;
    size -= 4;
    if (pictureSize > size)
        pictureSize = size;
    for (unsigned i = 0; i < 10; ++i) {
        if (i == picture)
            place(pictureNames[i], data, pictureSize);
        else
            place(pictureNames[i], validPicture.data(), validPicture.size());
    }
    for (unsigned i = 0; i < 3; ++i) {
        if (soundMask & (1u << i))
            place(soundNames[i], data + pictureSize, size - pictureSize);
        else
            place(soundNames[i], validSound.data(), validSound.size());
    }

    bool loaded = loadAssets();
    bool everyRequired = courtStrip && ballImage && paddleImage1 && paddleImage2 && playerLabels && logo &&
                         hitSound && background && hitSparkStrip && sheet && menuBackdrop && fadeStrip;
    require(loaded == everyRequired, "loadAssets result disagrees with its slots");
    require(!loaded || paddleImage1 != paddleImage2, "both paddles share one picture");

    freeSlots();
    return 0;
}

// The asset slots and loadAssets, the start-up loader.
#pragma once

#include "SDL.h"
#include "SDL_mixer.h"

extern SDL_Surface* courtStrip;     // "lev_1.dat" / "lev_2.dat"
extern SDL_Surface* ballImage;      // "Vardel_06.dat"
extern SDL_Surface* paddleImage1;   // "paddle.dat", left paddle's own copy
extern SDL_Surface* paddleImage2;   // "paddle.dat", right paddle's own copy
extern SDL_Surface* playerLabels;   // "CPUPlayer.dat"
extern SDL_Surface* logo;           // "qelvane.gfx", only in the opening and the closing
extern SDL_Surface* background;     // "screen_0/1/2.gfx"
extern SDL_Surface* hitSparkStrip;  // "animate.dat"
extern SDL_Surface* sheet;          // "sheet.gfx"
extern SDL_Surface* menuBackdrop;   // "nback.gfx"
extern SDL_Surface* fadeStrip;      // "anifade.dat"
extern SDL_Surface* menuPage;       // "pic_1.dat" .. "pic_5.dat"
extern Mix_Chunk* hitSound;         // "sound.dat"
extern Mix_Chunk* ufoSound;         // "ufo.dat"
extern Mix_Chunk* crackSound;       // "crack.dat"
extern Mix_Music* music;            // "Track01.mp3"

bool loadAssets();
// Every picture file the game may show, start-up's and those loaded later
// (menu pages, court strips and backgrounds): what two machines must share
// to show the same game.
extern const char* const pictureFiles[];
extern const size_t pictureFileCount;
// Refills an image slot from a file, freeing the image it held before.
void replaceImage(SDL_Surface*& slot, const char* file);
// Frees the picture a slot holds and empties the slot.
void releaseImage(SDL_Surface*& slot);
// Reads the logo again for the closing (null when the file can no longer be read).
void reloadLogo();
// Starts an effect on the first free channel, once; a null chunk plays nothing.
void playEffect(Mix_Chunk* chunk);

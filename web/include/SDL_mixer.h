// SDL_mixer 1.2 as the game uses it, for the browser build: every call has
// the same form in SDL2_mixer, which serves them.
#pragma once

#include "SDL.h"

#define AUDIO_S16SYS 0x8010  // signed 16-bit, little-endian like the browser
#define MIX_DEFAULT_FORMAT AUDIO_S16SYS

struct Mix_Chunk {
    int allocated;
    Uint8* abuf;
    Uint32 alen;  // bytes
    Uint8 volume;
};

struct _Mix_Music;
typedef struct _Mix_Music Mix_Music;

extern "C" {
int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunkSize);
void Mix_CloseAudio(void);
int Mix_AllocateChannels(int count);
Mix_Chunk* Mix_LoadWAV_RW(SDL_RWops* source, int closeSource);
void Mix_FreeChunk(Mix_Chunk* chunk);
int Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks);
Mix_Music* Mix_LoadMUS(const char* file);
void Mix_FreeMusic(Mix_Music* music);
int Mix_PlayMusic(Mix_Music* music, int loops);
int Mix_VolumeMusic(int volume);
}

#define Mix_GetError SDL_GetError

// Helpers for the media tests: small BMP, WAV and MP3 files made on the
// spot, a scratch data folder, surfaces and pixel read-back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SDL.h"
#include "support/scratch.h"

// 0xRRGGBB
typedef std::function<Uint32(int x, int y)> PixelColour;

// A 24-bit Windows BMP file.
void writeBmp(const std::string& path, int w, int h, const PixelColour& colourAt);
void writeSolidBmp(const std::string& path, int w, int h, Uint32 rgb);
// A short 16-bit mono PCM WAV file.
void writeToneWav(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// count MP3 frames with the given 4-byte header, each frame's body zeros
// (silent), frameLength bytes long including the header.
std::vector<unsigned char> mp3Frames(const unsigned char header[4], size_t frameLength, int count);
// Ten silent frames of 44.1 kHz stereo, 128 kbit/s (417 bytes a frame).
std::vector<unsigned char> mp3Stereo44k();
// Ten silent frames of 22.05 kHz mono, 32 kbit/s (104 bytes a frame).
std::vector<unsigned char> mp3Mono22k();
// An ID3v2.3 tag whose body is bodySize bytes (syncsafe size).
std::vector<unsigned char> id3Tag(size_t bodySize, unsigned char fill = 0);

// The start-up file names in load order, sounds and music included.
extern const std::vector<std::string> startupFiles;
// Writes every start-up data file except those named in omit into the
// working folder; the music is written only when withMusic is set (as a
// small safe MP3).
void writeStartupFiles(const std::vector<std::string>& omit = {}, bool withMusic = false);

// Windowed 800 x 600 display and mixer, as the game starts them.
bool startTestMedia();

// A display-format surface filled with rgb, colour keyed like loadImage.
SDL_Surface* makeImage(int w, int h, Uint32 rgb);
void fillRgb(SDL_Surface* s, int x, int y, int w, int h, Uint32 rgb);
// Colour of one pixel as 0xRRGGBB.
Uint32 rgbAt(SDL_Surface* s, int x, int y);
// Number of screen pixels of exactly this colour inside the rectangle.
int countRgb(SDL_Surface* s, int x, int y, int w, int h, Uint32 rgb);

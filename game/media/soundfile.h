// Sound effect files are read into memory before the mixer sees them, so
// that the sizes a damaged header claims are held to the bytes really in
// the file: the mixer allocates whatever a header claims, before reading.
#pragma once

#include <vector>

// The whole file, opened with SDL_RWFromFile in mode "rb". False when it
// cannot be opened or read.
bool readSoundFile(const char* file, std::vector<unsigned char>& bytes);

// RIFF WAVE (or a bare WAVE without its RIFF header): every chunk length
// that reaches past the end of the file is cut to the bytes there (the mixer keeps a cut-off data chunk's whole
// frames either way). AIFF and 8SVX: false when a chunk before the two the
// mixer looks for, or the pad byte after an odd one, runs past the end of
// the file (its search would never end), when COMM, VHDR or SSND is too
// short for its own fields, or when an AIFF's sample data is empty or does
// not lie inside its SSND chunk.
// VOC: false when a block runs past the end of the file or would fail or
// crash in the mixer's reader. Any other format is left as it is.
bool boundSoundSizes(std::vector<unsigned char>& bytes);

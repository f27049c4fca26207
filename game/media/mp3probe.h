// Reads the format of an MP3 stream from its first frame header, so the
// music loader can refuse files the mixer cannot convert safely.
#pragma once

#include <cstddef>

enum Mp3ChannelMode { mp3Stereo = 0, mp3JointStereo = 1, mp3DualChannel = 2, mp3Mono = 3 };

struct Mp3Format {
    int sampleRate;        // Hz
    int channels;          // 1 or 2
    int channelMode;       // Mp3ChannelMode
    int layer;             // 1, 2 or 3
    size_t frameOffset;    // bytes from the start of the data to the first frame
};

// Skips any ID3v2 tags, scans to the first valid frame sync and decodes its
// header. False when no frame header is found in the data.
bool probeMp3(const unsigned char* data, size_t size, Mp3Format& out);

enum Mp3FileResult { mp3FileUnreadable, mp3FileNoFrame, mp3FileFound };

// The same for a file: reads past a leading ID3v2 tag and probes a window
// of the data after it.
Mp3FileResult probeMp3File(const char* path, Mp3Format& out);

// Whether the mixer, opened at 22050 Hz mono, converts this format without
// corrupting its heap.
bool mixerConvertsSafely(const Mp3Format& format);

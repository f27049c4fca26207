// The MP3 format check on any bytes: never reads outside the data, reports
// only real frame formats, and the file form agrees with the in-memory one.
#include <string>

#include "fuzz_support.h"
#include "game/media/mp3probe.h"

namespace {

std::string path;

bool validRate(int hz)
{
    for (int r : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
        if (hz == r)
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    path = scratchFolder() + "/Track01.mp3";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Mp3Format format{};
    bool found = probeMp3(data, size, format);
    if (found) {
        require(format.frameOffset + 4 <= size, "frame header past the end of the data");
        require(data[format.frameOffset] == 0xFF && (data[format.frameOffset + 1] & 0xE0) == 0xE0,
                "frame offset does not point at a frame sync");
        require(validRate(format.sampleRate), "impossible sample rate");
        require(format.layer >= 1 && format.layer <= 3, "impossible layer");
        require(format.channelMode >= 0 && format.channelMode <= 3, "impossible channel mode");
        require(format.channels == (format.channelMode == mp3Mono ? 1 : 2), "channels disagree with the mode");
        (void)mixerConvertsSafely(format);
    }

    writeFileBytes(path, data, size);
    Mp3Format fromFile{};
    Mp3FileResult result = probeMp3File(path.c_str(), fromFile);
    require(result != mp3FileUnreadable, "an existing file read as unreadable");
    // The file form looks through a 64 KiB window after a leading tag; for
    // data that fits, it must find what the in-memory form finds.
    if (size <= 64 * 1024) {
        require((result == mp3FileFound) == found, "file and memory probes disagree");
        if (found)
            require(fromFile.frameOffset == format.frameOffset && fromFile.sampleRate == format.sampleRate &&
                        fromFile.channels == format.channels && fromFile.layer == format.layer,
                    "file and memory probes found different frames");
    }
    return 0;
}

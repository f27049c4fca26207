// Damaged effects and music: a bad "sound.dat" stops the start with status
// 1, a bad "ufo.dat" or "crack.dat" is silence, a bad "Track01.mp3" gives
// the two music messages; a header that claims more than the file holds
// never makes the mixer allocate it or search on for ever.
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "SDL_mixer.h"
#include "game/base/timeseam.h"
#include "game/media/assets.h"
#include "game/media/media.h"
#include "game/media/soundfile.h"
#include "game/test_baddata.h"
#include "support/gamerun.h"
#include "support/media_fixture.h"

namespace {

std::vector<unsigned char> bytesOf(const std::string& s)
{
    return std::vector<unsigned char>(s.begin(), s.end());
}

uint32_t le32At(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// An 8SVX file with its VHDR chunk and, when asked, a BODY of 8 samples;
// `first` goes before VHDR.
std::string eightSvxBytes(bool withBody, const std::string& first = "")
{
    std::string vhdr = std::string("VHDR\0\0\0\x14", 8) + std::string("\0\0\0\x08", 4) + std::string(8, '\0') +
                       std::string("\x56\x22\x01\0\0\x01\0\0", 8);
    std::string body = withBody ? std::string("BODY\0\0\0\x08", 8) + std::string(8, '\x10') : "";
    std::string inner = "8SVX" + first + vhdr + body;
    std::string b = "FORM";
    b += static_cast<char>(0);
    b += static_cast<char>(0);
    b += static_cast<char>(inner.size() >> 8);
    b += static_cast<char>(inner.size() & 0xFF);
    return b + inner;
}

// AIFF whose SSND chunk says its samples start far past the end.
std::string aiffWithOffsetPastTheEnd()
{
    std::string b = aiffBytes(8, 8);
    size_t ssnd = b.find("SSND");
    b[ssnd + 8] = '\x09';  // offset 0x09000000
    return b;
}

// The fuzzer's finding, as it wrote "sound.dat": an AIFF whose SSND chunk
// claims 1 byte, so the mixer took its offset from the bytes after it.
std::string aiffSsndClaimingOneByte()
{
    return std::string("FORM\0\0\0\x3E" "AIFF" "COMM\0\0\0\x12" "\0\x01\0\0\0\x08\0\x10"
                       "\x40\x0D\xAC\x44\0\0\0\0\0\0" "SSND\0\0\0\x01"
                       "\0\x28\0\0\0\x04\0\0\0\x02\0\0\0\x01\xEC\x78\x13\x88\xEC\x78",
                       66);
}

// AIFF whose SSND chunk claims only its 8-byte header; the samples follow.
std::string aiffSsndWithoutItsSamples()
{
    std::string b = aiffBytes(8, 8);
    b[b.find("SSND") + 7] = 8;
    return b;
}

// AIFF whose COMM chunk stops before the sample rate; SSND follows it.
std::string aiffShortComm()
{
    std::string b = aiffBytes(8, 8);
    const size_t comm = b.find("COMM");
    b.erase(comm + 16, 10);
    b[comm + 7] = 8;
    return b;
}

// A VOC file: the header, one 8-bit sound block of 8 samples for each rate
// code, then the terminator.
std::string vocBytes(std::initializer_list<int> rateCodes)
{
    std::string b("Creative Voice File\x1a\x1a\0\x0a\x01\x29\x11", 26);
    for (int rate : rateCodes)
        b += std::string("\x01\x0a\0\0", 4) + static_cast<char>(rate) + '\0' + std::string(8, '\x80');
    return b + '\0';
}

// VOC of one sound block, then `blocks` blocks of 64 KiB of silence each.
std::string vocSilence(int blocks)
{
    std::string b = vocBytes({0xA6});
    b.pop_back();
    for (int i = 0; i < blocks; ++i)
        b += std::string("\x03\x03\0\0\xFF\xFF\xA6", 7);
    return b + '\0';
}

// VOC whose one sound block claims 4 KiB; 8 samples are there.
std::string vocClaimingMore()
{
    std::string b = vocBytes({0xA6});
    b[28] = 0x10;
    return b;
}

// ---- The size bounds on their own -------------------------------------------

TEST(BoundSoundSizes, WaveDataClaimingGigabytesIsCutToTheBytesThere)
{
    std::vector<unsigned char> b = bytesOf(wavBytes(16, 0xDDDD0010u));
    ASSERT_TRUE(boundSoundSizes(b));
    EXPECT_EQ(le32At(b, 40), 32u);
}

// Without its RIFF header SDL still reads it, and would allocate 2 GiB.
TEST(BoundSoundSizes, BareWaveDataClaimingGigabytesIsCutToo)
{
    std::vector<unsigned char> b = bytesOf(wavBytes(16, 0x80000010u).substr(8));
    ASSERT_TRUE(boundSoundSizes(b));
    EXPECT_EQ(le32At(b, 32), 32u);
}

TEST(BoundSoundSizes, WaveFormatChunkRunningPastTheEndIsCut)
{
    std::vector<unsigned char> b = bytesOf(wavBytes(0));
    b.resize(30);  // the fmt chunk claims 16 bytes, 10 are there
    ASSERT_TRUE(boundSoundSizes(b));
    EXPECT_EQ(le32At(b, 16), 10u);
}

TEST(BoundSoundSizes, WholeFilesAreLeftAlone)
{
    // An odd-sized chunk before the data is padded to an even length.
    std::string wav = wavBytes(8);
    wav.insert(36, std::string("LIST\x03\0\0\0abc\0", 12));
    for (const std::string& s : {wav, aiffBytes(8, 8), "FORMFFIA" + aiffBytes(8, 8).substr(12), eightSvxBytes(true),
                                 eightSvxBytes(true, std::string("ANNO\0\0\0\x03" "abc\0", 12)),
                                 vocBytes({0xA6, 0xA6}), vocSilence(2), std::string("not a sound at all"),
                                 std::string("FORM\0\0\0\x04WXYZ", 12), std::string()}) {
        std::vector<unsigned char> b = bytesOf(s);
        EXPECT_TRUE(boundSoundSizes(b));
        EXPECT_EQ(b, bytesOf(s));
    }
}

TEST(BoundSoundSizes, AiffAndEightSvxThatWouldSendTheMixerPastTheEndAreRefused)
{
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"no SSND chunk", aiffBytes(8, 8, false)},
        {"more frames claimed than there are", aiffBytes(8, 0x40000000u)},
        {"frames claimed a byte beyond the file", aiffBytes(8, 9)},
        {"samples start past the end", aiffWithOffsetPastTheEnd()},
        {"COMM runs past the end", aiffBytes(8, 8).substr(0, 30)},
        {"8SVX without BODY", eightSvxBytes(false)},
        {"odd chunk without its pad byte (the fuzzer's hang)",
         eightSvxBytes(true, std::string("ANNO\0\0\0\x03" "abc", 11))},
        {"SSND claiming 1 byte (found by the fuzzer)", aiffSsndClaimingOneByte()},
        {"SSND too short for the samples COMM claims", aiffSsndWithoutItsSamples()},
        {"COMM too short for its fields", aiffShortComm()},
        {"no frames claimed", aiffBytes(8, 0)},
        {"SSND claiming 1 byte behind the header the mixer takes for AIFF without a length",
         "FORMFFIA" + aiffSsndClaimingOneByte().substr(12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> b = bytesOf(c.bytes);
        EXPECT_FALSE(boundSoundSizes(b));
    }
}

TEST(BoundSoundSizes, VocBlocksTheMixerWouldFailOnAreRefused)
{
    const std::string header = vocBytes({}).substr(0, 26);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"second block changes the rate", vocBytes({0xA6, 0x9C})},
        {"second block cut short", vocBytes({0xA6}).substr(0, 40) + std::string("\x01\x05\0\0", 4)},
        {"block claiming more than the file holds", vocClaimingMore()},
        {"sound block shorter than its fields", header + std::string("\x01\x01\0\0\xA6", 5)},
        // The mixer divided by zero channels here (found by the fuzzer).
        {"mono extended block before any stereo one",
         header + std::string("\x08\x04\0\0\x00\xFE\0\0", 8) + vocBytes({0xA6}).substr(26)},
        // ... and by 256 minus the rate here.
        {"silence after a rate of 256",
         header + std::string("\x09\x14\0\0\x00\x01\0\0\x08\x01\0\0\0\0\0\0", 16) + std::string(8, '\x80') +
             std::string("\x03\x03\0\0\x10\0\xA6\0", 8)},
        {"silence adding up to more than 2 GiB", vocSilence(32769)},
        // The mixer wrote this block's samples past its buffer (found by the fuzzer).
        {"sound after the terminator", vocBytes({0xA6}) + vocBytes({0xA6}).substr(26)},
        {"after the terminator a continuation claiming 4 KiB", vocBytes({0xA6}) + std::string("\x02\0\x10\0\xCF\xCF", 6)},
        {"sound after an empty sound block", vocBytes({0xA6}).substr(0, 40) + std::string("\x01\x02\0\0\xA6\0", 6) +
                                                 vocBytes({0xA6}).substr(26)},
        {"silence before the first sound block", header + std::string("\x03\x03\0\0\x10\0\xA6", 7) + vocBytes({0xA6}).substr(26)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> b = bytesOf(c.bytes);
        EXPECT_FALSE(boundSoundSizes(b));
    }
}

// ---- Through loadAssets -----------------------------------------------------

class SoundLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startTestMedia());
        writeStartupFiles({}, true);
    }
    void TearDown() override { shutdownMedia(); }
    ScratchDir dir;
};

// The mixer keeps the samples that are there, as it does for any cut-off
// WAV file; only the allocation for the claimed size is gone.
TEST_F(SoundLoad, WaveClaimingGigabytesLoadsTheSamplesThatAreThere)
{
    writeTextFile("sound.dat", wavBytes(16, 0xDDDD0010u));
    ASSERT_TRUE(loadAssets());
    ASSERT_NE(hitSound, nullptr);
    EXPECT_EQ(hitSound->alen, 32u);  // 16 samples of 16 bits, already at the mixer's format
}

TEST_F(SoundLoad, WholeAiffEightSvxAndVocEffectsLoad)
{
    writeTextFile("sound.dat", aiffBytes(8, 8));
    // The mixer skips the pad byte after an odd chunk.
    writeTextFile("ufo.dat", eightSvxBytes(true, std::string("ANNO\0\0\0\x03" "abc\0", 12)));
    writeTextFile("crack.dat", vocBytes({0xA6, 0xA6}));
    ASSERT_TRUE(loadAssets());
    ASSERT_NE(hitSound, nullptr);
    EXPECT_EQ(hitSound->alen, 16u);
    EXPECT_NE(ufoSound, nullptr);
    EXPECT_NE(crackSound, nullptr);
}

TEST_F(SoundLoad, RefusedEffectSaysWhy)
{
    writeTextFile("crack.dat", aiffBytes(8, 8, false));
    ASSERT_TRUE(loadAssets());
    EXPECT_EQ(crackSound, nullptr);
    EXPECT_NE(ufoSound, nullptr);
}

// ---- The whole game ---------------------------------------------------------

struct BadSound {
    const char* name;
    std::string bytes;
};

// Test names and messages show the kind, not the bytes.
void PrintTo(const BadSound& b, std::ostream* os)
{
    *os << b.name;
}

std::string mp3Bytes()
{
    std::vector<unsigned char> frames = mp3Mono22k();
    return std::string(frames.begin(), frames.end());
}

std::vector<BadSound> badSounds()
{
    return {
        {"Empty", ""},
        {"Text", "this is not a sound\n"},
        {"WaveHeaderCutShort", wavBytes(16).substr(0, 20)},
        {"WaveWithoutData", wavBytes(0).substr(0, 36)},
        {"AiffWithoutSsnd", aiffBytes(8, 8, false)},
        {"AiffClaimingMoreFrames", aiffBytes(8, 0x40000000u)},
        {"AiffSamplesPastTheEnd", aiffWithOffsetPastTheEnd()},
        {"EightSvxWithoutBody", eightSvxBytes(false)},
        {"AiffSsndClaimingOneByte", aiffSsndClaimingOneByte()},
        {"AiffClaimingNoFrames", aiffBytes(8, 0)},
        {"VocChangingRate", vocBytes({0xA6, 0x9C})},
        {"Mp3Frames", mp3Bytes()},
    };
}

std::string badSoundName(const ::testing::TestParamInfo<BadSound>& info)
{
    return info.param.name;
}

struct Outcome {
    int status;
    std::string out;
};

// Which effect slots were empty while the menu ran.
bool ufoEmptyInMenu = false;
bool crackEmptyInMenu = false;
bool hitLoadedInMenu = false;

void watchEffects(Uint32 now)
{
    if (now >= menuReadyMs - 100 && now < menuReadyMs) {
        ufoEmptyInMenu = ufoSound == nullptr;
        crackEmptyInMenu = crackSound == nullptr;
        hitLoadedInMenu = hitSound != nullptr;
    }
}

Outcome runWithFile(const std::string& name, const std::string& bytes)
{
    makeGameFolder();
    writeDefaultSetupIni();
    writeTextFile(name, bytes);
    ufoEmptyInMenu = crackEmptyInMenu = hitLoadedInMenu = false;
    RunOptions options;
    options.onPause = watchEffects;
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    StdoutCapture out;
    int status = runScripted(script, options);
    return {status, out.finish()};
}

class BadHitSound : public ::testing::TestWithParam<BadSound> {};

TEST_P(BadHitSound, EndsWithStatusOneBeforeDrawing)
{
    Outcome o = runWithFile("sound.dat", GetParam().bytes);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_FALSE(screenTouched());
    EXPECT_FALSE(audioOpen());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadHitSound, ::testing::ValuesIn(badSounds()), badSoundName);

class BadPointSound : public ::testing::TestWithParam<std::tuple<std::string, BadSound>> {};

TEST_P(BadPointSound, IsSilenceAndTheGameRuns)
{
    const std::string& name = std::get<0>(GetParam());
    Outcome o = runWithFile(name, std::get<1>(GetParam()).bytes);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(hitLoadedInMenu);
    EXPECT_EQ(ufoEmptyInMenu, name == "ufo.dat");
    EXPECT_EQ(crackEmptyInMenu, name == "crack.dat");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadPointSound,
                         ::testing::Combine(::testing::Values("ufo.dat", "crack.dat"), ::testing::ValuesIn(badSounds())),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, BadSound>>& info) {
                             std::string n = std::get<0>(info.param).substr(0, std::get<0>(info.param).find('.'));
                             return n + "_" + std::get<1>(info.param).name;
                         });

TEST(BadHitSoundClaim, WaveClaimingGigabytesStartsTheGame)
{
    Outcome o = runWithFile("sound.dat", wavBytes(64, 0xDDDD0080u));
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(hitLoadedInMenu);
}

struct BadMusic {
    const char* name;
    std::string bytes;
};

// Test names and messages show the kind, not the bytes.
void PrintTo(const BadMusic& b, std::ostream* os)
{
    *os << b.name;
}

std::string id3ClaimingAMegabyte()
{
    std::vector<unsigned char> tag = id3Tag(16);
    tag[6] = 0;
    tag[7] = 0x40;  // syncsafe 1 MiB, 16 bytes there
    tag[8] = 0;
    tag[9] = 0;
    return std::string(tag.begin(), tag.end());
}

class BadMusicFile : public ::testing::TestWithParam<BadMusic> {};

TEST_P(BadMusicFile, PrintsTheTwoMessagesOnceAndPlaysOn)
{
    Outcome o = runWithFile("Track01.mp3", GetParam().bytes);
    EXPECT_EQ(o.status, 0);
    const std::string load = "load errorMix_LoadMUS(\"Track01.mp3\"): ";
    ASSERT_EQ(o.out.rfind(load, 0), 0u) << o.out;
    EXPECT_EQ(o.out.find(load, 1), std::string::npos);
    size_t lineEnd = o.out.find('\n');
    ASSERT_NE(lineEnd, std::string::npos);
    // Music is on in the settings: starting the missing music is reported next.
    EXPECT_EQ(o.out.find("Mix_PlayMusic: ", lineEnd + 1), lineEnd + 1) << o.out;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadMusicFile,
                         ::testing::Values(BadMusic{"Empty", ""}, BadMusic{"Text", "la la la\n"},
                                           BadMusic{"Zeros", std::string(4096, '\0')},
                                           BadMusic{"WaveFile", wavBytes(64)},
                                           BadMusic{"TagClaimingAMegabyte", id3ClaimingAMegabyte()},
                                           BadMusic{"LoneSyncBytes", std::string(2000, '\xFF')}),
                         [](const ::testing::TestParamInfo<BadMusic>& info) { return std::string(info.param.name); });

}  // namespace

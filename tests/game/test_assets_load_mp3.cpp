#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "game/media/mp3probe.h"
#include "support/media_fixture.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool probe(const Bytes& b, Mp3Format& f)
{
    return probeMp3(b.data(), b.size(), f);
}

TEST(Mp3Probe, PlainStreamsGiveRateChannelsAndLayer)
{
    Mp3Format f;
    ASSERT_TRUE(probe(mp3Stereo44k(), f));
    EXPECT_EQ(f.sampleRate, 44100);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.channelMode, mp3Stereo);
    EXPECT_EQ(f.layer, 3);
    EXPECT_EQ(f.frameOffset, 0u);

    ASSERT_TRUE(probe(mp3Mono22k(), f));
    EXPECT_EQ(f.sampleRate, 22050);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.channelMode, mp3Mono);
}

TEST(Mp3Probe, EveryVersionAndRateIndex)
{
    struct Case {
        unsigned char b1, b2;
        int rate;
    };
    // Layer III, bitrate index 4, padding off; version bits in b1, rate in b2.
    const Case cases[] = {
        {0xFB, 0x40, 44100}, {0xFB, 0x44, 48000}, {0xFB, 0x48, 32000},
        {0xF3, 0x40, 22050}, {0xF3, 0x44, 24000}, {0xF3, 0x48, 16000},
        {0xE3, 0x40, 11025}, {0xE3, 0x44, 12000}, {0xE3, 0x48, 8000},
    };
    for (const Case& c : cases) {
        const unsigned char h[4] = {0xFF, c.b1, c.b2, 0x40};  // joint stereo
        Bytes b(h, h + 4);  // a lone header: the next frame is past the end
        Mp3Format f;
        ASSERT_TRUE(probe(b, f)) << c.rate;
        EXPECT_EQ(f.sampleRate, c.rate);
        EXPECT_EQ(f.channelMode, mp3JointStereo);
        EXPECT_EQ(f.channels, 2);
    }
}

TEST(Mp3Probe, Id3v2TagIsSkippedBySyncsafeSize)
{
    // 200 bytes of body: syncsafe 0x00 0x00 0x01 0x48. A body full of
    // frame-like bytes must not be taken for audio.
    Bytes tagged = id3Tag(200, 0xFF) + mp3Mono22k();
    EXPECT_EQ(tagged[8], 0x01);
    EXPECT_EQ(tagged[9], 0x48);
    Mp3Format f;
    ASSERT_TRUE(probe(tagged, f));
    EXPECT_EQ(f.frameOffset, 210u);
    EXPECT_EQ(f.sampleRate, 22050);
}

TEST(Mp3Probe, TagWithFooterAndTwoTagsInARow)
{
    Bytes withFooter = id3Tag(20, 0);
    withFooter[3] = 4;
    withFooter[5] = 0x10;  // footer present: ten more bytes
    Bytes footer = {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 20};
    Bytes stream = withFooter + footer + id3Tag(30, 0) + mp3Stereo44k();
    Mp3Format f;
    ASSERT_TRUE(probe(stream, f));
    EXPECT_EQ(f.frameOffset, 40u + 40u);
    EXPECT_EQ(f.sampleRate, 44100);
}

TEST(Mp3Probe, ScansGarbageAndSkipsASyncNotFollowedByAFrame)
{
    const unsigned char lone[4] = {0xFF, 0xFB, 0x90, 0x00};
    Bytes falseSync(lone, lone + 4);
    falseSync.resize(600, 0x11);  // 417 bytes on there is no second frame
    Bytes stream = Bytes(37, 0x00) + falseSync + mp3Mono22k();
    Mp3Format f;
    ASSERT_TRUE(probe(stream, f));
    EXPECT_EQ(f.frameOffset, 37u + 600u);
    EXPECT_EQ(f.sampleRate, 22050);
}

TEST(Mp3Probe, ReservedFieldsAreNoFrame)
{
    const unsigned char bad[][4] = {
        {0xFF, 0xEB, 0x90, 0x00},  // version 01 reserved
        {0xFF, 0xF9, 0x90, 0x00},  // layer 00 reserved
        {0xFF, 0xFB, 0xF0, 0x00},  // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x00},  // rate index 3
        {0xFF, 0xFB, 0x90, 0x02},  // emphasis 10 reserved
        {0xFF, 0x1B, 0x90, 0x00},  // sync too short
    };
    for (const auto& h : bad) {
        Mp3Format f;
        EXPECT_FALSE(probe(Bytes(h, h + 4), f));
    }
}

TEST(Mp3Probe, NothingToFind)
{
    Mp3Format f;
    EXPECT_FALSE(probeMp3(nullptr, 100, f));
    EXPECT_FALSE(probe(Bytes(), f));
    EXPECT_FALSE(probe(Bytes{0xFF, 0xFB, 0x90}, f));
    EXPECT_FALSE(probe(Bytes(4096, 0x20), f));
    EXPECT_FALSE(probe(Bytes{'I', 'D', '3'}, f));
    // A tag that claims more bytes than there are.
    Bytes cut = id3Tag(1000) + mp3Stereo44k();
    cut.resize(500);
    EXPECT_FALSE(probe(cut, f));
}

TEST(Mp3Probe, RandomBytesNeverReadPastTheEnd)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        size_t size = rng() % 64;
        Bytes b(size);
        for (unsigned char& c : b)
            c = static_cast<unsigned char>(rng() % 4 == 0 ? 0xFF : rng());
        if (round % 3 == 0 && size >= 10) {
            b[0] = 'I', b[1] = 'D', b[2] = '3';
            for (int i = 6; i < 10; ++i)
                b[i] &= 0x7F;
        }
        Mp3Format f;
        if (probe(b, f)) {
            EXPECT_LE(f.frameOffset + 4, size);
            EXPECT_EQ(b[f.frameOffset], 0xFF);
        }
    }
}

TEST(Mp3ProbeFile, LargeLeadingTagIsJumpedOver)
{
    ScratchDir dir;
    writeBytes("big.mp3", id3Tag(300000, 0xFF) + mp3Stereo44k());
    Mp3Format f;
    ASSERT_EQ(probeMp3File("big.mp3", f), mp3FileFound);
    EXPECT_EQ(f.frameOffset, 300010u);
    EXPECT_EQ(f.sampleRate, 44100);

    EXPECT_EQ(probeMp3File("absent.mp3", f), mp3FileUnreadable);
    writeBytes("text.mp3", Bytes(100, 'a'));
    EXPECT_EQ(probeMp3File("text.mp3", f), mp3FileNoFrame);
}

// What the mixer at 22050 Hz mono survives, as measured.
TEST(Mp3Safety, RatesAndChannelModes)
{
    struct Case {
        int rate;
        bool mono, stereo;
    };
    const Case cases[] = {
        {8000, false, false},  {11025, true, true}, {12000, true, true},
        {16000, true, true},   {22050, true, true}, {24000, true, true},
        {32000, true, false},  {44100, true, false}, {48000, true, false},
    };
    for (const Case& c : cases) {
        Mp3Format mono = {c.rate, 1, mp3Mono, 3, 0};
        EXPECT_EQ(mixerConvertsSafely(mono), c.mono) << c.rate;
        for (int mode : {mp3Stereo, mp3JointStereo, mp3DualChannel}) {
            Mp3Format two = {c.rate, 2, mode, 3, 0};
            EXPECT_EQ(mixerConvertsSafely(two), c.stereo) << c.rate << " mode " << mode;
        }
    }
}

}  // namespace

namespace {

// The build's own music must be one the mixer takes.
TEST(Mp3ProbeFile, GameFolderMusicIsSafe)
{
    std::string path = std::string(VOLTARI_GAME_DIR) + "/Track01.mp3";
    Mp3Format f;
    Mp3FileResult r = probeMp3File(path.c_str(), f);
    if (r == mp3FileUnreadable)
        GTEST_SKIP() << "no generated music in " << VOLTARI_GAME_DIR;
    ASSERT_EQ(r, mp3FileFound);
    EXPECT_TRUE(mixerConvertsSafely(f)) << f.sampleRate << " Hz, " << f.channels << " channels";
}

}  // namespace

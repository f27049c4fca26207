#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <string>

#include "SDL_mixer.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "support/gamerun.h"
#include "support/media_fixture.h"

namespace {

const std::string musicMessage = "load errorMix_LoadMUS(\"Track01.mp3\"): ";

class AssetsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(startTestMedia()); }
    void TearDown() override { shutdownMedia(); }
    ScratchDir dir;
};

TEST_F(AssetsTest, EveryFilePresentFillsEverySlotQuietly)
{
    writeStartupFiles({}, true);
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    EXPECT_EQ(out.finish(), "");
    for (SDL_Surface* s : {courtStrip, ballImage, paddleImage1, paddleImage2, playerLabels, logo, background,
                           hitSparkStrip, sheet, menuBackdrop, fadeStrip})
        EXPECT_NE(s, nullptr);
    EXPECT_NE(paddleImage1, paddleImage2);  // two copies, each with its own alpha
    EXPECT_EQ(menuPage, nullptr);           // loaded on demand only
    EXPECT_NE(hitSound, nullptr);
    EXPECT_NE(ufoSound, nullptr);
    EXPECT_NE(crackSound, nullptr);
    EXPECT_NE(music, nullptr);
}

TEST_F(AssetsTest, EachMissingRequiredPictureStopsTheStart)
{
    const char* required[] = {"lev_1.dat",    "Vardel_06.dat", "paddle.dat", "CPUPlayer.dat",
                              "qelvane.gfx",  "screen_1.gfx",  "animate.dat", "sheet.gfx",
                              "nback.gfx",    "anifade.dat"};
    for (const char* name : required) {
        SCOPED_TRACE(name);
        ScratchDir sub;
        writeStartupFiles({name}, true);
        StdoutCapture out;
        EXPECT_FALSE(loadAssets());
        EXPECT_EQ(out.finish(), "");
        EXPECT_EQ(music, nullptr);  // music comes last, never reached
        shutdownMedia();
        ASSERT_TRUE(startTestMedia());
    }
}

TEST_F(AssetsTest, LastPictureMissingStopsAfterEveryEarlierLoaded)
{
    writeStartupFiles({"anifade.dat"}, true);
    EXPECT_FALSE(loadAssets());
    EXPECT_NE(menuBackdrop, nullptr);
    EXPECT_NE(hitSound, nullptr);
    EXPECT_EQ(fadeStrip, nullptr);
}

TEST_F(AssetsTest, FirstPictureMissingLoadsNothingAfterIt)
{
    writeStartupFiles({"lev_1.dat"}, true);
    EXPECT_FALSE(loadAssets());
    EXPECT_EQ(ballImage, nullptr);
    EXPECT_EQ(hitSound, nullptr);
}

TEST_F(AssetsTest, MissingHitSoundStopsAfterTheThreeSoundLoads)
{
    writeStartupFiles({"sound.dat"}, true);
    EXPECT_FALSE(loadAssets());
    EXPECT_EQ(hitSound, nullptr);
    EXPECT_NE(ufoSound, nullptr);
    EXPECT_NE(crackSound, nullptr);
    EXPECT_EQ(background, nullptr);
}

TEST_F(AssetsTest, UnreadableHitSoundStopsTheStart)
{
    writeStartupFiles({"sound.dat"}, true);
    writeBytes("sound.dat", {'n', 'o', 'i', 's', 'e'});
    EXPECT_FALSE(loadAssets());
    EXPECT_EQ(hitSound, nullptr);
}

TEST_F(AssetsTest, MissingPointSoundsAreAcceptedAndPlayNothing)
{
    writeStartupFiles({"ufo.dat", "crack.dat"}, true);
    EXPECT_TRUE(loadAssets());
    EXPECT_EQ(ufoSound, nullptr);
    EXPECT_EQ(crackSound, nullptr);
    playEffect(crackSound);
    playEffect(ufoSound);
    EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST_F(AssetsTest, MissingMusicPrintsTheTwoMessagesOnceAndGoesOn)
{
    writeStartupFiles({}, false);
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    std::string text = out.finish();
    EXPECT_EQ(music, nullptr);
    ASSERT_EQ(text.compare(0, musicMessage.size(), musicMessage), 0) << text;
    EXPECT_GT(text.size(), musicMessage.size() + 1);  // the mixer's reason
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1);       // one line in all
    EXPECT_EQ(text.find("load error", 1), std::string::npos);
}

TEST_F(AssetsTest, UnsafeMp3IsRefusedWithTheReason)
{
    writeStartupFiles({}, false);
    writeBytes("Track01.mp3", mp3Stereo44k());
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    EXPECT_EQ(out.finish(), musicMessage + "unsupported MP3 format: 44100 Hz stereo\n");
    EXPECT_EQ(music, nullptr);
}

TEST_F(AssetsTest, TaggedUnsafeMp3IsRefusedToo)
{
    writeStartupFiles({}, false);
    std::vector<unsigned char> bytes = id3Tag(70000, 0x41);
    std::vector<unsigned char> frames = mp3Stereo44k();
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    writeBytes("Track01.mp3", bytes);
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    EXPECT_EQ(out.finish(), musicMessage + "unsupported MP3 format: 44100 Hz stereo\n");
}

TEST_F(AssetsTest, MusicFileWithoutAudioFramesIsRefused)
{
    writeStartupFiles({}, false);
    writeBytes("Track01.mp3", std::vector<unsigned char>(5000, 0x20));
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    std::string text = out.finish();
    EXPECT_EQ(text.compare(0, musicMessage.size() + 23, musicMessage + "unsupported MP3 format:"), 0) << text;
    EXPECT_EQ(music, nullptr);
}

TEST_F(AssetsTest, SafeMp3LoadsAndPlays)
{
    writeStartupFiles({}, true);
    ASSERT_TRUE(loadAssets());
    ASSERT_NE(music, nullptr);
    // The mixer's thread counts the chunks it has mixed; the music must
    // still play once it has decoded a few (a bad stream stops it). Waiting
    // for the count, not for a set time, also holds on a busy machine.
    std::atomic<int> mixed{0};
    Mix_SetPostMix([](void* count, Uint8*, int) { ++*static_cast<std::atomic<int>*>(count); }, &mixed);
    EXPECT_EQ(Mix_PlayMusic(music, -1), 0);
    for (Uint32 start = SDL_GetTicks(); mixed < 4 && SDL_GetTicks() - start < 30000;)
        SDL_Delay(1);
    Mix_SetPostMix(nullptr, nullptr);
    EXPECT_GE(mixed.load(), 4);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    Mix_HaltMusic();
}

TEST_F(AssetsTest, ReplaceImageFreesThePictureTheSlotHeld)
{
    writeSolidBmp("pic_1.dat", 8, 8, 0x112233);
    writeSolidBmp("pic_2.dat", 8, 8, 0x445566);
    menuPage = loadImage("pic_1.dat");
    ASSERT_NE(menuPage, nullptr);
    SDL_Surface* old = menuPage;
    ++old->refcount;  // keep it alive to see the slot let go of it
    replaceImage(menuPage, "pic_2.dat");
    EXPECT_EQ(old->refcount, 1);
    SDL_FreeSurface(old);
    ASSERT_NE(menuPage, nullptr);
    EXPECT_EQ(rgbAt(menuPage, 0, 0), 0x445566u);

    replaceImage(menuPage, "pic_3.dat");  // missing: the slot empties
    EXPECT_EQ(menuPage, nullptr);
    replaceImage(menuPage, "pic_1.dat");
    EXPECT_NE(menuPage, nullptr);
}

TEST_F(AssetsTest, ManyMenuVisitsKeepOnePicturePerSlot)
{
    writeSolidBmp("pic_1.dat", 64, 64, 0x112233);
    writeSolidBmp("pic_2.dat", 64, 64, 0x445566);
    std::vector<SDL_Surface*> seen;
    for (int i = 0; i < 200; ++i) {
        replaceImage(menuPage, i % 2 ? "pic_1.dat" : "pic_2.dat");
        ASSERT_NE(menuPage, nullptr);
        ++menuPage->refcount;  // watch each one the slot held
        seen.push_back(menuPage);
    }
    // Every picture but the current one was released by the slot.
    for (size_t i = 0; i + 1 < seen.size(); ++i)
        EXPECT_EQ(seen[i]->refcount, 1) << i;
    EXPECT_EQ(seen.back()->refcount, 2);
    for (SDL_Surface* s : seen)
        SDL_FreeSurface(s);
}

TEST_F(AssetsTest, EffectPlaysOnceOnAFreeChannel)
{
    writeToneWav("hit.wav");
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromFile("hit.wav", "rb"), 1);
    ASSERT_NE(chunk, nullptr);
    for (int i = 0; i < 7; ++i)
        playEffect(chunk);
    EXPECT_EQ(Mix_Playing(-1), 5);  // five channels, the rest find none free
    Mix_HaltChannel(-1);
    Mix_FreeChunk(chunk);
}

}  // namespace

namespace {

TEST(AssetsGameFolder, RealDataFilesLoadQuietly)
{
    std::string probePath = std::string(VOLTARI_GAME_DIR) + "/anifade.dat";
    if (access(probePath.c_str(), R_OK) != 0)
        GTEST_SKIP() << "no generated data in " << VOLTARI_GAME_DIR;
    makeGameFolder();
    ASSERT_TRUE(startTestMedia());
    StdoutCapture out;
    EXPECT_TRUE(loadAssets());
    EXPECT_EQ(out.finish(), "");
    EXPECT_NE(music, nullptr);
    EXPECT_GE(sheet->w, 631);
    EXPECT_GE(sheet->h, 143);
    EXPECT_GE(hitSparkStrip->w, 444);
    EXPECT_GE(fadeStrip->w, 160);
    EXPECT_GE(playerLabels->w, 140);
    EXPECT_GE(playerLabels->h, 34);
    EXPECT_EQ(background->w, 800);
    EXPECT_EQ(background->h, 600);
    shutdownMedia();
}

}  // namespace

// Damaged pictures: the real game in a game folder where one picture is
// bad bytes. A required picture stops the start with status 1 before
// anything is drawn; an on-demand picture is simply not drawn.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/test_baddata.h"
#include "support/gamerun.h"
#include "support/media_fixture.h"

namespace {

struct BadPicture {
    const char* name;
    std::string bytes;
};

// Test names and messages show the kind, not the bytes.
void PrintTo(const BadPicture& b, std::ostream* os)
{
    *os << b.name;
}

std::string half(const std::string& s)
{
    return s.substr(0, s.size() / 2);
}

// Pictures no loader may accept, from nothing at all to headers that ask
// for gigabytes.
std::vector<BadPicture> badPictures()
{
    return {
        {"Empty", ""},
        {"OnlyTheMagic", "BM"},
        {"HeaderCutShort", goodBmpBytes(64, 64).substr(0, 30)},
        {"RowsCutShort", half(goodBmpBytes(64, 64))},
        {"Text", "this is not a picture\n"},
        {"WaveFile", wavBytes(64)},
        {"PngSignature", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"Huge", bmpBytes(100000, 100000, 24)},
        {"HugeTopDown", bmpBytes(100000, -100000, 24)},
        {"HugeWide", bmpBytes(INT32_MAX, 1, 32)},
        {"LowestHeight", bmpBytes(1, INT32_MIN, 24)},
        {"HugeCoreHeader", coreBmpBytes(65535, 65535)},
        {"NegativeWidth", bmpBytes(-64, 64, 24)},
        {"ZeroSize", bmpBytes(0, 0, 24)},
        {"SevenBitsPerPixel", bmpBytes(4, 4, 7)},
        {"DataOffsetPastTheEnd", bmpBytes(4, 4, 24, 0, 0, 64, 0x7FFFFFF0)},
    };
}

std::string badPictureName(const ::testing::TestParamInfo<BadPicture>& info)
{
    return info.param.name;
}

std::string fileName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string n = info.param;
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
}

// ---- loadImage alone ------------------------------------------------------

class BadPictureLoad : public ::testing::TestWithParam<BadPicture> {
protected:
    void SetUp() override { ASSERT_TRUE(startTestMedia()); }
    void TearDown() override { shutdownMedia(); }
    ScratchDir dir;
};

TEST_P(BadPictureLoad, GivesNullQuietly)
{
    writeTextFile("bad.dat", GetParam().bytes);
    StdoutCapture out;
    EXPECT_EQ(loadImage("bad.dat"), nullptr);
    EXPECT_EQ(out.finish(), "");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadPictureLoad, ::testing::ValuesIn(badPictures()), badPictureName);

long peakKilobytes()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

// SDL allocates and clears the whole surface a header asks for before it
// reads a row: a damaged header must not get that far.
TEST(BadPictureMemory, HugeHeaderIsRefusedBeforeAnythingIsAllocated)
{
    ScratchDir dir;
    ASSERT_TRUE(startTestMedia());
    writeTextFile("huge.dat", bmpBytes(20000, 20000, 32));  // would be 1.6 GB
    long before = peakKilobytes();
    EXPECT_EQ(loadImage("huge.dat"), nullptr);
    EXPECT_LT(peakKilobytes() - before, 200L * 1024);
    shutdownMedia();
}

// The size limit is far above anything the game draws.
TEST(BadPictureMemory, LargeRealPicturesStillLoad)
{
    ScratchDir dir;
    ASSERT_TRUE(startTestMedia());
    writeTextFile("wide.dat", goodBmpBytes(4000, 600));
    writeTextFile("square.dat", goodBmpBytes(4096, 4096));
    SDL_Surface* wide = loadImage("wide.dat");
    SDL_Surface* square = loadImage("square.dat");
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(wide->w, 4000);
    EXPECT_EQ(square->h, 4096);
    SDL_FreeSurface(wide);
    SDL_FreeSurface(square);
    shutdownMedia();
}

// ---- The whole game -------------------------------------------------------

const std::vector<std::string> requiredPictures = {
    "lev_1.dat", "Vardel_06.dat", "paddle.dat", "CPUPlayer.dat", "qelvane.gfx",
    "screen_1.gfx", "animate.dat", "sheet.gfx", "nback.gfx", "anifade.dat",
};

struct Outcome {
    int status;
    std::string out;
};

Outcome runWithFile(const std::string& name, const std::string& bytes)
{
    makeGameFolder();
    writeDefaultSetupIni();
    writeTextFile(name, bytes);
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    StdoutCapture out;
    int status = runScripted(script);
    return {status, out.finish()};
}

void expectStoppedBeforeDrawing(const Outcome& o)
{
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_FALSE(screenTouched());
    EXPECT_FALSE(audioOpen());  // no audio thread left to crash the exit
}

// Every kind of damage, in the first picture loaded, in the one loaded
// twice and in the last one.
class BadRequiredPicture : public ::testing::TestWithParam<std::tuple<std::string, BadPicture>> {};

TEST_P(BadRequiredPicture, EndsWithStatusOneBeforeDrawing)
{
    expectStoppedBeforeDrawing(runWithFile(std::get<0>(GetParam()), std::get<1>(GetParam()).bytes));
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, BadRequiredPicture,
    ::testing::Combine(::testing::Values("lev_1.dat", "paddle.dat", "anifade.dat"),
                       ::testing::ValuesIn(badPictures())),
    [](const ::testing::TestParamInfo<std::tuple<std::string, BadPicture>>& info) {
        std::string n = std::get<0>(info.param) + "_" + std::get<1>(info.param).name;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

// Garbage and a huge header in every required picture.
class EveryRequiredPicture : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryRequiredPicture, GarbageEndsWithStatusOne)
{
    expectStoppedBeforeDrawing(runWithFile(GetParam(), std::string(300, '\x5A')));
}

TEST_P(EveryRequiredPicture, HugeHeaderEndsWithStatusOne)
{
    expectStoppedBeforeDrawing(runWithFile(GetParam(), bmpBytes(100000, 100000, 24)));
}

INSTANTIATE_TEST_SUITE_P(All, EveryRequiredPicture, ::testing::ValuesIn(requiredPictures), fileName);

// ---- Pictures loaded on demand ---------------------------------------------

// What the slots held at a moment of the scripted run.
struct Seen {
    bool menuPageNullAtEntry2 = false;
    bool firstPageShown = false;
    bool courtStripNullAtCourt2 = false;
    bool backgroundNullInMatch = false;
    bool matchPlayed = false;
};

void watchSlots(Seen& seen, Uint32 now)
{
    if (now >= menuReadyMs - 200 && now < menuReadyMs && menuPage)
        seen.firstPageShown = true;
    if (gameType == 2 && !inMatch && !menuPage)
        seen.menuPageNullAtEntry2 = true;
    if (courtMode == 2 && !inMatch && !courtStrip)
        seen.courtStripNullAtCourt2 = true;
    if (inMatch && !quitRequested) {
        seen.matchPlayed = true;
        if (!background)
            seen.backgroundNullInMatch = true;
    }
}

class BadOnDemandPicture : public ::testing::TestWithParam<BadPicture> {
protected:
    int run(const std::string& name, const std::vector<ScriptedEvent>& script)
    {
        makeGameFolder();
        writeDefaultSetupIni();
        writeTextFile(name, GetParam().bytes);
        seen = Seen();
        RunOptions options;
        options.onPause = [this](Uint32 now) { watchSlots(seen, now); };
        StdoutCapture out;
        int status = runScripted(script, options);
        text = out.finish();
        return status;
    }
    std::string text;
    Seen seen;
};

TEST_P(BadOnDemandPicture, MenuPageIsNotDrawnAndTheMenuGoesOn)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_DOWN);
    pressKey(script, menuReadyMs + 500, SDLK_DOWN);  // entry 2: "pic_3.dat"
    pressKey(script, menuReadyMs + 1000, SDLK_UP);   // back to a good page
    pressKey(script, menuReadyMs + 1500, SDLK_ESCAPE);
    EXPECT_EQ(run("pic_3.dat", script), 0);
    EXPECT_TRUE(seen.firstPageShown);
    EXPECT_TRUE(seen.menuPageNullAtEntry2);
    EXPECT_EQ(gameType, 1);
    EXPECT_EQ(text, "");
}

TEST_P(BadOnDemandPicture, CourtStripIsNotDrawnAndTheMenuGoesOn)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RIGHT);  // court 2: "lev_2.dat"
    pressKey(script, menuReadyMs + 500, SDLK_ESCAPE);
    EXPECT_EQ(run("lev_2.dat", script), 0);
    EXPECT_TRUE(seen.courtStripNullAtCourt2);
    EXPECT_EQ(courtMode, 2);
    EXPECT_EQ(text, "");
}

TEST_P(BadOnDemandPicture, MatchBackgroundIsNotDrawnAndTheMatchGoesOn)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RIGHT);         // court 2: "screen_0.gfx"
    pressKey(script, menuReadyMs + 500, SDLK_RETURN);  // start the match
    script.push_back({menuReadyMs + 6000, quitEvent()});
    EXPECT_EQ(run("screen_0.gfx", script), 0);
    EXPECT_TRUE(seen.matchPlayed);
    EXPECT_TRUE(seen.backgroundNullInMatch);
    EXPECT_EQ(text, "");
}

INSTANTIATE_TEST_SUITE_P(SomeKinds, BadOnDemandPicture,
                         ::testing::Values(BadPicture{"Empty", ""}, BadPicture{"Text", "not a picture"},
                                           BadPicture{"RowsCutShort", half(goodBmpBytes(64, 64))},
                                           BadPicture{"Huge", bmpBytes(100000, 100000, 24)}),
                         badPictureName);

}  // namespace

// The two readers of "setup.ini": the game's (whole lines) and the setup
// tool's (words), on real files in a temporary working directory.
#include "settings/settings.h"
#include "settings/tempdir.h"

#include <sys/stat.h>

namespace {

// The file exactly as the setup tool writes it.
const std::string kToolFile =
    "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  6.12.2026/7:5"
    "\njoy0\nfullscreen0\nxspeed1\nsound0\nsbots1";

Settings gameReads(const std::string& bytes)
{
    InTempDir::writeFile("setup.ini", bytes);
    settings = Settings{9, 9, 9, 9, 9.0f, 9};  // loadSettings must reset everything
    testing::internal::CaptureStdout();
    loadSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    return settings;
}

SetupOptions toolReads(const std::string& bytes)
{
    InTempDir::writeFile("setup.ini", bytes);
    SetupOptions o{7, 7, 7, 7, 7};
    EXPECT_TRUE(readSetupOptions(o));
    return o;
}

bool sameSettings(const Settings& a, const Settings& b)
{
    return a.joy == b.joy && a.fullscreen == b.fullscreen && a.sound == b.sound &&
           a.xspeed == b.xspeed && a.sbots == b.sbots && a.pointsToWin == b.pointsToWin;
}

bool sameOptions(const SetupOptions& a, const SetupOptions& b)
{
    return a.fullscreen == b.fullscreen && a.joy == b.joy && a.sound == b.sound &&
           a.xspeed == b.xspeed && a.sbots == b.sbots;
}

// Every byte of a literal, NULs included.
template <size_t N>
std::string bytes(const char (&s)[N])
{
    return std::string(s, N - 1);
}

const Settings kGameDefaults{1, 1, 1, 0, 0.0f, 10};
const SetupOptions kToolDefaults{1, 0, 1, 0, 0};

using GameReader = InTempDir;
using ToolReader = InTempDir;

TEST_F(GameReader, MissingFilePrintsNoticeWithoutLineEndAndKeepsDefaults)
{
    settings = Settings{0, 0, 0, 200, 20.0f, 7};
    testing::internal::CaptureStdout();
    loadSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to open ini-file !");
    EXPECT_TRUE(sameSettings(settings, kGameDefaults));
}

TEST_F(GameReader, DirectoryOrFifoCountsAsMissing)
{
    ASSERT_EQ(::mkdir("setup.ini", 0755), 0);
    testing::internal::CaptureStdout();
    loadSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to open ini-file !");
    ASSERT_EQ(::rmdir("setup.ini"), 0);

    ASSERT_EQ(::mkfifo("setup.ini", 0644), 0);  // must not hang waiting for a writer
    testing::internal::CaptureStdout();
    loadSettings();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to open ini-file !");
}

TEST_F(GameReader, EmptyFileOrUnknownLinesGiveDefaultsSilently)
{
    EXPECT_TRUE(sameSettings(gameReads(""), kGameDefaults));
    EXPECT_TRUE(sameSettings(gameReads("\n\n\r\nhello\njoy\nfullscreen\n"), kGameDefaults));
}

TEST_F(GameReader, ToolWrittenFileSetsAllFiveAndHeaderChangesNothing)
{
    EXPECT_TRUE(sameSettings(gameReads(kToolFile), Settings{0, 0, 0, 100, 10.0f, 10}));
}

TEST_F(GameReader, CrLfLineEndsReadLikeBareLineFeeds)
{
    const std::string lf = "joy0\nfullscreen0\nxspeed2\nsound0\nsbots2\nlittlepoints\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Settings expected{0, 0, 0, 200, 20.0f, 7};
    EXPECT_TRUE(sameSettings(gameReads(lf), expected));
    EXPECT_TRUE(sameSettings(gameReads(crlf), expected));
}

TEST_F(GameReader, WholeLinesOnlyNoTrimmingNoCaseFolding)
{
    EXPECT_TRUE(sameSettings(gameReads("joy0 \nFULLSCREEN0\n sound0\nxspeed1\t\n"), kGameDefaults));
    // two keywords on one line: the game sets neither
    EXPECT_TRUE(sameSettings(gameReads("joy0 sound0\n"), kGameDefaults));
    // a CR belongs to the line end only directly before an LF
    EXPECT_TRUE(sameSettings(gameReads("joy0\r\r\nsound0\r"), kGameDefaults));
}

TEST_F(GameReader, LaterLinesOverrideAndLastLineNeedsNoLineEnd)
{
    EXPECT_EQ(gameReads("joy1\njoy0").joy, 0);
    EXPECT_EQ(gameReads("joy0\r\njoy1").joy, 1);
    EXPECT_EQ(gameReads("xspeed2\nxspeed1\n").xspeed, 100);
    EXPECT_EQ(gameReads("littlepoints").pointsToWin, 7);
}

TEST_F(GameReader, HugeLinesAndBinaryBytesMatchNothing)
{
    const std::string big(1 << 20, 'x');
    Settings s = gameReads(big + "joy0\n" + "sound0" + big + "\nxspeed1\n" + big);
    EXPECT_TRUE(sameSettings(s, Settings{1, 1, 1, 100, 0.0f, 10}));

    EXPECT_TRUE(sameSettings(gameReads(bytes("joy0\0\nsound0\0x\n\0fullscreen0\n")),
                             kGameDefaults));
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>(seed >> 16);
    }
    Settings n = gameReads(noise + "\nsbots1\n");
    EXPECT_EQ(n.sbots, 10.0f);
    EXPECT_LE(n.joy, 1);
    EXPECT_LE(n.fullscreen, 1);
}

TEST_F(GameReader, CoreAppliesWithoutResettingDefaults)
{
    Settings s{0, 0, 0, 0, 0.0f, 10};
    const std::string text = "joy1\r\nsbots2";
    applySettingsText(text.data(), text.size(), s);
    EXPECT_TRUE(sameSettings(s, Settings{1, 0, 0, 0, 20.0f, 10}));
}

TEST_F(ToolReader, MissingFileGivesFalseAndToolDefaults)
{
    SetupOptions o{7, 7, 7, 7, 7};
    EXPECT_FALSE(readSetupOptions(o));
    EXPECT_TRUE(sameOptions(o, kToolDefaults));
    ASSERT_EQ(::mkdir("setup.ini", 0755), 0);
    o = SetupOptions{7, 7, 7, 7, 7};
    EXPECT_FALSE(readSetupOptions(o));
    EXPECT_TRUE(sameOptions(o, kToolDefaults));
}

TEST_F(ToolReader, EmptyFileGivesTrueAndDefaults)
{
    EXPECT_TRUE(sameOptions(toolReads(""), kToolDefaults));
    EXPECT_TRUE(sameOptions(toolReads(" \r\n\t"), kToolDefaults));
}

TEST_F(ToolReader, ToolWrittenFileReadsBack)
{
    EXPECT_TRUE(sameOptions(toolReads(kToolFile), SetupOptions{0, 0, 0, 1, 1}));
}

TEST_F(ToolReader, WordsAnywhereCountButNotCapitalsOrLittlepoints)
{
    // trailing blank and two words on one line: both count for the tool
    EXPECT_TRUE(sameOptions(toolReads("joy1 \nsound0\txspeed2\r\n  sbots2"), SetupOptions{1, 1, 0, 1, 1}));
    EXPECT_TRUE(sameOptions(toolReads("JOY1 Fullscreen0 littlepoints"), kToolDefaults));
    EXPECT_EQ(toolReads("joy1 joy0").joy, 0);
    EXPECT_EQ(toolReads("fullscreen0\nfullscreen1").fullscreen, 1);
}

TEST_F(ToolReader, NoCutOffPieceOfALongerWordIsTaken)
{
    const std::string big(1 << 20, 'x');
    EXPECT_TRUE(sameOptions(toolReads(big + "joy1 joy1" + big + " fullscreen0x xfullscreen0"), kToolDefaults));
    // just longer than the longest keyword, with a keyword inside
    EXPECT_TRUE(sameOptions(toolReads("fullscreen00 joy1joy1joy1joy1j"), kToolDefaults));
    // a NUL byte is part of the word, not its end
    EXPECT_TRUE(sameOptions(toolReads(bytes("joy1\0 sound0\0x")), kToolDefaults));
}

TEST_F(ToolReader, WordAcrossReadChunksStillCounts)
{
    for (size_t pad : {4090u, 4093u, 4095u, 8190u})
        EXPECT_EQ(toolReads(std::string(pad, ' ') + "joy1").joy, 1) << pad;
    for (size_t pad : {4090u, 4093u, 4095u})
        EXPECT_EQ(gameReads(std::string(pad, '\n') + "joy0\r\n").joy, 0) << pad;
}

TEST_F(ToolReader, CoreOnBinaryInputKeepsOptionsZeroOrOne)
{
    SetupOptions o = kToolDefaults;
    unsigned seed = 99;
    std::string noise;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>(seed >> 16);
    }
    noise += " xspeed1";
    applySetupWords(noise.data(), noise.size(), o);
    EXPECT_EQ(o.xspeed, 1);
    for (int v : {o.fullscreen, o.joy, o.sound, o.sbots})
        EXPECT_TRUE(v == 0 || v == 1);
}

}  // namespace

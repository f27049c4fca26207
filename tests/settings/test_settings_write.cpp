// The setup tool's writer: exact bytes, normalising, and that a failed save
// leaves the old "setup.ini" exactly as it was.
#include "settings/settings.h"
#include "settings/tempdir.h"

#include <cerrno>
#include <regex>

#include <sys/stat.h>

namespace {

std::tm at(int day, int month, int year, int hour, int minute)
{
    std::tm t{};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

const std::string kOld = "\njoy1\nxspeed2\nlittlepoints\n";
const SetupOptions kSome{1, 1, 1, 0, 0};

class Writer : public InTempDir {
protected:
    void TearDown() override
    {
        resetSetupWriteSeam();
        InTempDir::TearDown();
    }
    // A failed save: false, the old file byte-identical, no temporary left.
    void expectFailedSaveKeepsOldFile()
    {
        writeFile("setup.ini", kOld);
        EXPECT_FALSE(writeSetupOptionsAt("setup.ini", kSome, at(1, 1, 2027, 0, 0)));
        EXPECT_EQ(readFile("setup.ini"), kOld);
        EXPECT_EQ(names(), std::set<std::string>{"setup.ini"});
    }
};

TEST_F(Writer, ExactBytesForAFixedLocalTime)
{
    ASSERT_TRUE(writeSetupOptionsAt("setup.ini", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_EQ(readFile("setup.ini"),
              "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  6.12.2026/7:5"
              "\njoy1\nfullscreen1\nxspeed0\nsound1\nsbots0");
    ASSERT_TRUE(writeSetupOptionsAt("setup.ini", SetupOptions{0, 0, 0, 1, 1}, at(31, 1, 2027, 23, 59)));
    EXPECT_EQ(readFile("setup.ini"),
              "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  31.1.2027/23:59"
              "\njoy0\nfullscreen0\nxspeed1\nsound0\nsbots1");
}

TEST_F(Writer, SaveWithTheClockUsesSetupIniInTheWorkingDirectory)
{
    ASSERT_TRUE(writeSetupOptions(kSome));
    EXPECT_TRUE(std::regex_match(readFile("setup.ini"),
        std::regex("\nCreated with VOLTARI SeTuP for Windows 2\\.0 : Date/Time  "
                   "[1-9][0-9]?\\.[1-9][0-2]?\\.[0-9]{4}/[1-2]?[0-9]:[1-5]?[0-9]"
                   "\njoy1\nfullscreen1\nxspeed0\nsound1\nsbots0")));
}

TEST_F(Writer, SavingNormalisesTheFileForBothReaders)
{
    writeFile("setup.ini", "xspeed2\r\nsbots2\r\nlittlepoints\r\nsomething else\r\n");
    SetupOptions o{};
    ASSERT_TRUE(readSetupOptions(o));
    EXPECT_EQ(o.xspeed, 1);
    EXPECT_EQ(o.sbots, 1);
    EXPECT_EQ(o.joy, 0);  // no "joy" line: the tool shows the box clear
    ASSERT_TRUE(writeSetupOptionsAt("setup.ini", o, at(6, 12, 2026, 7, 5)));
    const std::string saved = readFile("setup.ini");
    EXPECT_NE(saved.find("\nxspeed1\n"), std::string::npos);
    EXPECT_NE(saved.find("\nsbots1"), std::string::npos);
    for (const char* gone : {"xspeed2", "sbots2", "littlepoints", "something", "\r"})
        EXPECT_EQ(saved.find(gone), std::string::npos) << gone;

    loadSettings();
    EXPECT_EQ(settings.xspeed, 100);
    EXPECT_EQ(settings.sbots, 10.0f);
    EXPECT_EQ(settings.pointsToWin, 10);
    EXPECT_EQ(settings.joy, 0);  // and the game now runs without joysticks
}

TEST_F(Writer, EveryCombinationRoundTripsThroughBothReaders)
{
    for (int bits = 0; bits < 32; ++bits) {
        SetupOptions o{bits & 1, bits >> 1 & 1, bits >> 2 & 1, bits >> 3 & 1, bits >> 4 & 1};
        ASSERT_TRUE(writeSetupOptionsAt("setup.ini", o, at(6, 12, 2026, 7, 5)));
        SetupOptions back{};
        ASSERT_TRUE(readSetupOptions(back));
        EXPECT_EQ(back.fullscreen, o.fullscreen);
        EXPECT_EQ(back.joy, o.joy);
        EXPECT_EQ(back.sound, o.sound);
        EXPECT_EQ(back.xspeed, o.xspeed);
        EXPECT_EQ(back.sbots, o.sbots);
        loadSettings();
        EXPECT_EQ(settings.fullscreen, o.fullscreen);
        EXPECT_EQ(settings.joy, o.joy);
        EXPECT_EQ(settings.sound, o.sound);
        EXPECT_EQ(settings.xspeed, 100 * o.xspeed);
        EXPECT_EQ(settings.sbots, 10.0f * static_cast<float>(o.sbots));
    }
    EXPECT_EQ(names(), std::set<std::string>{"setup.ini"});
}

TEST_F(Writer, DirectoryOrFifoInThePlaceOfTheFileIsNotReplaced)
{
    ASSERT_EQ(::mkdir("setup.ini", 0755), 0);
    EXPECT_FALSE(writeSetupOptionsAt("setup.ini", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_TRUE(std::filesystem::is_directory("setup.ini"));
    EXPECT_FALSE(writeSetupOptions(kSome));
    EXPECT_EQ(names(), std::set<std::string>{"setup.ini"});
    ASSERT_EQ(::rmdir("setup.ini"), 0);

    ASSERT_EQ(::mkfifo("setup.ini", 0644), 0);
    EXPECT_FALSE(writeSetupOptions(kSome));
    EXPECT_TRUE(std::filesystem::is_fifo("setup.ini"));
}

TEST_F(Writer, ReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    writeFile("setup.ini", kOld);
    ASSERT_EQ(::chmod("setup.ini", 0444), 0);
    EXPECT_FALSE(writeSetupOptions(kSome));
    EXPECT_EQ(readFile("setup.ini"), kOld);
}

TEST_F(Writer, MissingFolderFailsWithoutCreatingAnything)
{
    EXPECT_FALSE(writeSetupOptionsAt("nowhere/setup.ini", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_TRUE(names().empty());
}

TEST_F(Writer, FailingWriteKeepsOldFile)
{
    setupWriteSeam.write = [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; };
    expectFailedSaveKeepsOldFile();
}

TEST_F(Writer, WriteFailingAfterAPartialWriteKeepsOldFile)
{
    static int calls;
    calls = 0;
    setupWriteSeam.write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++calls == 1)
            return ::write(fd, data, size / 2);
        errno = EIO;
        return -1;
    };
    expectFailedSaveKeepsOldFile();
    EXPECT_EQ(calls, 2);
}

TEST_F(Writer, FailingFlushToDiskKeepsOldFile)
{
    setupWriteSeam.fsync = [](int) { errno = EIO; return -1; };
    expectFailedSaveKeepsOldFile();
}

TEST_F(Writer, FailingCloseKeepsOldFile)
{
    setupWriteSeam.close = [](int fd) { ::close(fd); errno = EIO; return -1; };
    expectFailedSaveKeepsOldFile();
}

TEST_F(Writer, ShortAndInterruptedWritesStillWriteEverything)
{
    static int calls;
    calls = 0;
    setupWriteSeam.write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++calls % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, size < 5 ? size : 5);
    };
    ASSERT_TRUE(writeSetupOptionsAt("setup.ini", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_EQ(readFile("setup.ini"),
              "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  6.12.2026/7:5"
              "\njoy1\nfullscreen1\nxspeed0\nsound1\nsbots0");
    EXPECT_GT(calls, 20);
}

TEST_F(Writer, PermissionBitsAreKeptOrNewFileGets0644)
{
    const mode_t oldMask = ::umask(077);
    ASSERT_TRUE(writeSetupOptions(kSome));
    struct stat st;
    ASSERT_EQ(::stat("setup.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    ASSERT_EQ(::chmod("setup.ini", 0640), 0);
    ASSERT_TRUE(writeSetupOptions(kSome));
    ASSERT_EQ(::stat("setup.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ::umask(oldMask);
}

TEST_F(Writer, SymbolicLinkStaysAndItsTargetIsSaved)
{
    ASSERT_EQ(::mkdir("real", 0755), 0);
    writeFile("real/options", kOld);
    ASSERT_EQ(::symlink("real/options", "setup.ini"), 0);
    ASSERT_TRUE(writeSetupOptionsAt("setup.ini", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_TRUE(std::filesystem::is_symlink("setup.ini"));
    EXPECT_EQ(readFile("real/options").substr(0, 10), "\nCreated w");
    EXPECT_EQ(names(), (std::set<std::string>{"real", "setup.ini"}));

    ASSERT_EQ(::symlink("missing", "dangling"), 0);
    EXPECT_FALSE(writeSetupOptionsAt("dangling", kSome, at(6, 12, 2026, 7, 5)));
    EXPECT_FALSE(std::filesystem::exists("missing"));
}

}  // namespace

// The setup tool's logic without a window: which messages the dialog shows
// when, what SAVE writes, and the install step.
#include "settings/tempdir.h"
#include "setup/setuplogic.h"

#include <cerrno>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

struct Shown {
    std::string text, caption;
    bool operator==(const Shown& o) const { return text == o.text && caption == o.caption; }
};
std::vector<Shown> shown;

void record(void*, const char* text, const char* caption)
{
    shown.push_back({text, caption});
}
const MessageBoxSeam kRecorder{record, nullptr};

const Shown kNoIni{"No ini found !", "No ini found !"};
const Shown kSaved{"Options Saved", "Options Saved"};
const Shown kError{"E/A Error ?", "E/A Error ?"};
const Shown kInstalled{"Voltari is installed now.\nYou can start with VOLTARI.exe", ""};

const char kGame[] = "the game program";

class SetupLogic : public InTempDir {
protected:
    void SetUp() override
    {
        InTempDir::SetUp();
        shown.clear();
    }
    void TearDown() override
    {
        resetSetupWriteSeam();
        InTempDir::TearDown();
    }
    // One run of the tool that ends with SAVE.
    SetupOptions openAndSave()
    {
        SetupOptions o{0, 0, 0, 0, 0};
        initDialogOptions(o, kRecorder);
        saveOptions(o, kRecorder);
        return o;
    }
};

TEST_F(SetupLogic, NoIniShowsMessageAndDefaults)
{
    SetupOptions o{0, 1, 0, 1, 1};
    initDialogOptions(o, kRecorder);
    EXPECT_EQ(shown, std::vector<Shown>{kNoIni});
    // Fullscreen and play Music ticked, the other three clear
    EXPECT_EQ(o.fullscreen, 1);
    EXPECT_EQ(o.sound, 1);
    EXPECT_EQ(o.joy + o.xspeed + o.sbots, 0);
}

TEST_F(SetupLogic, FileShowsWithoutMessageAndSaveNormalises)
{
    writeFile("setup.ini", "joy1\r\nxspeed2\r\nsbots2\r\nlittlepoints\r\n");
    SetupOptions o = openAndSave();
    EXPECT_EQ(o.xspeed, 1);
    EXPECT_EQ(o.sbots, 1);
    EXPECT_EQ(shown, std::vector<Shown>{kSaved});  // no VLwait.nul: no install message
    const std::string saved = readFile("setup.ini");
    EXPECT_EQ(saved.substr(saved.find("\njoy")), "\njoy1\nfullscreen1\nxspeed1\nsound1\nsbots1");
}

TEST_F(SetupLogic, FirstSaveInstallsSecondOnlySaves)
{
    writeFile("VLwait.nul", kGame);
    ::chmod("VLwait.nul", 0755);
    openAndSave();
    EXPECT_EQ(shown, (std::vector<Shown>{kNoIni, kSaved, kInstalled}));
    EXPECT_EQ(readFile("VOLTARI.exe"), kGame);
    struct stat st;
    ASSERT_EQ(::stat("VOLTARI.exe", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(names(), (std::set<std::string>{"VOLTARI.exe", "setup.ini"}));

    shown.clear();
    openAndSave();
    EXPECT_EQ(shown, std::vector<Shown>{kSaved});
}

TEST_F(SetupLogic, UnwritableIniShowsErrorAndStillInstalls)
{
    ASSERT_EQ(::mkdir("setup.ini", 0755), 0);
    writeFile("VLwait.nul", kGame);
    openAndSave();
    EXPECT_EQ(shown, (std::vector<Shown>{kNoIni, kError, kInstalled}));
    EXPECT_TRUE(std::filesystem::is_directory("setup.ini"));
    EXPECT_EQ(readFile("VOLTARI.exe"), kGame);
}

TEST_F(SetupLogic, FailedWriteShowsErrorAndKeepsOldFile)
{
    writeFile("setup.ini", "sound0\n");
    setupWriteSeam.write = [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; };
    SetupOptions o = openAndSave();
    EXPECT_EQ(o.sound, 0);
    EXPECT_EQ(shown, std::vector<Shown>{kError});
    EXPECT_EQ(readFile("setup.ini"), "sound0\n");
}

TEST_F(SetupLogic, ExistingGameIsNeverReplaced)
{
    writeFile("VLwait.nul", "new");
    writeFile("VOLTARI.exe", "old");
    EXPECT_FALSE(installGame());
    openAndSave();
    EXPECT_EQ(shown, (std::vector<Shown>{kNoIni, kSaved}));
    EXPECT_EQ(readFile("VOLTARI.exe"), "old");
    EXPECT_EQ(readFile("VLwait.nul"), "new");
}

TEST_F(SetupLogic, InstallWithoutParkedGameChangesNothing)
{
    EXPECT_FALSE(installGame());
    EXPECT_TRUE(names().empty());
}

// A file system without RENAME_NOREPLACE: the link-and-unlink path must
// keep the same promises.
TEST_F(SetupLogic, InstallFallbackWithoutNoReplaceRename)
{
    static int attempts;
    attempts = 0;
    renameNoReplaceSeam = [](const char*, const char*) { ++attempts; errno = EINVAL; return -1; };

    EXPECT_FALSE(installGame());  // nothing parked
    writeFile("VLwait.nul", kGame);
    writeFile("VOLTARI.exe", "old");
    EXPECT_FALSE(installGame());
    EXPECT_EQ(readFile("VOLTARI.exe"), "old");
    EXPECT_EQ(readFile("VLwait.nul"), kGame);

    ::unlink("VOLTARI.exe");
    EXPECT_TRUE(installGame());
    EXPECT_EQ(readFile("VOLTARI.exe"), kGame);
    EXPECT_EQ(names(), std::set<std::string>{"VOLTARI.exe"});
    EXPECT_EQ(attempts, 3);
}

TEST_F(SetupLogic, AbortAfterOpeningWritesAndRenamesNothing)
{
    writeFile("setup.ini", "xspeed2\n");
    writeFile("VLwait.nul", kGame);
    SetupOptions o{0, 0, 0, 0, 0};
    initDialogOptions(o, kRecorder);  // then Abort: nothing else runs
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(readFile("setup.ini"), "xspeed2\n");
    EXPECT_EQ(names(), (std::set<std::string>{"VLwait.nul", "setup.ini"}));
}

}  // namespace

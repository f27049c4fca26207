#include "setup/setuplogic.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

const char kNoIniMessage[] = "No ini found !";
const char kSavedMessage[] = "Options Saved";
const char kSaveErrorMessage[] = "E/A Error ?";
const char kInstalledMessage[] = "Voltari is installed now.\nYou can start with VOLTARI.exe";

namespace {

const char kParkedName[] = "VLwait.nul";
const char kGameName[] = "VOLTARI.exe";

int renameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

}  // namespace

int (*renameNoReplaceSeam)(const char* from, const char* to) = renameNoReplace;

void initDialogOptions(SetupOptions& options, const MessageBoxSeam& messages)
{
    if (!readSetupOptions(options))
        messages.show(messages.owner, kNoIniMessage, kNoIniMessage);
}

void saveOptions(const SetupOptions& options, const MessageBoxSeam& messages)
{
    const char* outcome = writeSetupOptions(options) ? kSavedMessage : kSaveErrorMessage;
    messages.show(messages.owner, outcome, outcome);
    if (installGame())
        messages.show(messages.owner, kInstalledMessage, "");
}

// Mend: never replaces an existing "VOLTARI.exe": a rename that refuses an
// existing target, not a plain rename over it.
bool installGame()
{
    if (renameNoReplaceSeam(kParkedName, kGameName) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without RENAME_NOREPLACE: link() refuses an existing
    // target just as well, then the parked name goes.
    if (::link(kParkedName, kGameName) != 0)
        return false;
    if (::unlink(kParkedName) != 0) {
        ::unlink(kGameName);
        return false;
    }
    return true;
}

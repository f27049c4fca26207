#include "support/scratch.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

std::string makeFolder(const char* what)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/voltari-" + what + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

void removeFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::vector<std::string> processFolders;

void removeProcessFolders()
{
    for (const std::string& f : processFolders)
        removeFolder(f);
}

}  // namespace

ScratchDir::ScratchDir(const char* what, bool enter) : path(makeFolder(what))
{
    if (!enter || path.empty())
        return;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd))
        previous = cwd;
    if (chdir(path.c_str()) != 0) {
        removeFolder(path);
        path.clear();
    }
}

ScratchDir::~ScratchDir()
{
    if (!previous.empty() && chdir(previous.c_str()) != 0)
        std::perror("chdir");
    if (!path.empty())
        removeFolder(path);
}

std::string processScratchFolder(const char* what)
{
    const std::string path = makeFolder(what);
    if (path.empty())
        return path;
    if (processFolders.empty())
        std::atexit(removeProcessFolders);
    processFolders.push_back(path);
    return path;
}

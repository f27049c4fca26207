#include "fuzz_support.h"

#include "support/scratch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

std::string scratchFolder()
{
    const std::string folder = processScratchFolder("fuzz");
    if (folder.empty()) {
        std::perror("mkdtemp");
        std::abort();
    }
    return folder;
}

// In place, then cut to length when it was longer: a file cut to zero bytes
// and written again is flushed to disk on close by ext4, and freeing its
// block sends a discard to the disk; that waiting was most of a fuzz run's
// time. Cutting to the length it already has still costs a journal entry.
void writeFileBytes(const std::string& path, const void* data, size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        const ssize_t n = pwrite(fd, bytes + done, size - done, static_cast<off_t>(done));
        if (n <= 0) {
            std::perror(path.c_str());
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || (static_cast<size_t>(st.st_size) > size && ftruncate(fd, static_cast<off_t>(size)) != 0)) {
        std::perror(path.c_str());
        std::abort();
    }
    close(fd);
}

void require(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void useHeadlessDrivers()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// Scratch folders for tests, fuzzers and benchmarks: each fresh, under
// $TMPDIR (or /tmp), named voltari-WHAT-XXXXXX, and always removed.
#pragma once

#include <string>

// A folder for the record's lifetime. With enter, the working directory
// moves into it and back to where it was when the record ends.
struct ScratchDir {
    explicit ScratchDir(const char* what = "scratch", bool enter = true);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path;  // empty when no folder could be made
private:
    std::string previous;
};

// A folder that stays until the process ends; empty when none could be made.
std::string processScratchFolder(const char* what);

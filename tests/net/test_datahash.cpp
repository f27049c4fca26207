// The data files' fingerprint: the same files give the same hash, any
// change in a name, a byte or the order gives another.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include "net/datahash.h"
#include "support/scratch.h"

using namespace net;

namespace {

struct TempDir : ScratchDir {
    TempDir() : ScratchDir("net", false) {}
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string p = path + "/" + name;
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p;
    }
};

std::string hex(const std::vector<std::string>& paths) {
    std::uint8_t h[kDataHashBytes];
    std::string error;
    EXPECT_TRUE(hashDataFiles(paths, h, error)) << error;
    std::string s;
    char b[3];
    for (std::uint8_t x : h) {
        std::snprintf(b, sizeof b, "%02x", x);
        s += b;
    }
    return s;
}

}  // namespace

TEST(NetDataHash, SameFilesSameHashAnyChangeAnother) {
    TempDir a, b;
    const std::string a1 = a.write("court.bmp", "pixels"), a2 = a.write("hit.wav", "sound");
    const std::string b1 = b.write("court.bmp", "pixels"), b2 = b.write("hit.wav", "sound");
    EXPECT_EQ(hex({a1, a2}), hex({b1, b2}));  // the folder does not count
    EXPECT_NE(hex({a1, a2}), hex({a2, a1}));
    const std::string renamed = b.write("court2.bmp", "pixels");
    EXPECT_NE(hex({a1, a2}), hex({renamed, b2}));
    b.write("hit.wav", "sounD");
    EXPECT_NE(hex({a1, a2}), hex({b1, b2}));
    // Bytes moved from one file to the next still differ.
    const std::string c1 = a.write("x", "ab"), c2 = a.write("y", "c");
    const std::string d1 = b.write("x", "a"), d2 = b.write("y", "bc");
    EXPECT_NE(hex({c1, c2}), hex({d1, d2}));
    // The empty list has SHA-256's well-known empty hash.
    EXPECT_EQ(hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(NetDataHash, AMissingFileIsAnError) {
    TempDir a;
    std::uint8_t h[kDataHashBytes];
    std::string error;
    EXPECT_FALSE(hashDataFiles({a.path + "/missing.bmp"}, h, error));
    EXPECT_EQ(error, "cannot read " + a.path + "/missing.bmp");
}

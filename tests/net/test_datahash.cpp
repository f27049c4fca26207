// The data files' fingerprint: the same files give the same hash, any
// change in a name, a byte or the order gives another; the page's own
// SHA-256 gives the desktop's.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include "net/datahash.h"
#include "support/scratch.h"
#include "web/datahash.h"
#include "web/sha256.h"

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

std::string hexOf(const std::uint8_t (&h)[32]) {
    std::string s;
    char b[3];
    for (std::uint8_t x : h) {
        std::snprintf(b, sizeof b, "%02x", x);
        s += b;
    }
    return s;
}

std::string hex(const std::vector<std::string>& paths) {
    std::uint8_t h[kDataHashBytes];
    std::string error;
    EXPECT_TRUE(hashDataFiles(paths, h, error)) << error;
    return hexOf(h);
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

namespace {

std::string pageSha256(const std::string& bytes, std::size_t piece) {
    Sha256 s;
    sha256Init(s);
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        sha256Update(s, reinterpret_cast<const std::uint8_t*>(bytes.data()) + at,
                     bytes.size() - at < piece ? bytes.size() - at : piece);
    std::uint8_t h[32];
    sha256Digest(s, h);
    return hexOf(h);
}

}  // namespace

// The page has no nettle and brings its own SHA-256: it must give the very
// fingerprint a desktop of the same build gives, or a browser could never
// join.
TEST(NetDataHash, ThePagesSha256IsTheDesktops) {
    // The standard's examples, fed whole and in odd pieces across blocks.
    EXPECT_EQ(pageSha256("abc", 1), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    for (std::size_t piece : {1, 7, 56, 64})
        EXPECT_EQ(pageSha256(two, piece), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(pageSha256(std::string(1000000, 'a'), 4096),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    // The construction over files, against nettle's, on files of every
    // length around a block and on the game's own data.
    TempDir a;
    std::vector<std::string> paths;
    for (int n : {0, 1, 55, 56, 63, 64, 65, 119, 120, 127, 128, 4097})
        paths.push_back(a.write("f" + std::to_string(n), std::string(std::size_t(n), char('a' + n % 26))));
    paths.push_back(std::string(VOLTARI_GAME_DIR) + "/sheet.gfx");
    paths.push_back(std::string(VOLTARI_GAME_DIR) + "/Track01.mp3");
    std::uint8_t page[32];
    std::string error;
    ASSERT_TRUE(sha256DataFiles(paths, page, error)) << error;
    EXPECT_EQ(hexOf(page), hex(paths));
    EXPECT_FALSE(sha256DataFiles({a.path + "/missing"}, page, error));
    EXPECT_EQ(error, "cannot read " + a.path + "/missing");
}

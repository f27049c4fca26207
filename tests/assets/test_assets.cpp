// The data files in the build's game folder: names, formats, sizes, the
// rectangles the game cuts from them, the colour key, the sounds and the
// music, and that the generator makes the same bytes every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SDL.h"
#include "SDL_mixer.h"
#include "game/media/atlas.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

const std::string gameDir = VOLTARI_GAME_DIR;

std::string dataPath(const std::string& name) { return gameDir + "/" + name; }

std::vector<unsigned char> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Cut {
    std::string what;
    int x, y, w, h;
};

struct Picture {
    std::string file;
    int minW, minH;
    bool fullScreen;  // exactly 800 x 600, no key colour anywhere
    std::vector<Cut> cuts;
};

// Every atlas rectangle the game cuts from `file`.
std::vector<Cut> atlasCuts(const char* file)
{
    std::vector<Cut> v;
    for (const atlas::AtlasEntry& e : atlas::entries) {
        if (std::string(e.file) != file)
            continue;
        for (int i = 0; i < e.count; ++i) {
            const AtlasRect& r = e.rects[i];
            std::string what = e.name;
            if (e.count > 1)
                what += "[" + std::to_string(i) + "]";
            v.push_back(Cut{what, r.x, r.y, r.w, r.h});
        }
    }
    return v;
}

const std::vector<Picture>& pictures()
{
    static const std::vector<Picture> list = [] {
        std::vector<Picture> p = {
            {"sheet.gfx", 631, 143, false, atlasCuts("sheet.gfx")},
            {"CPUPlayer.dat", 140, 34, false, atlasCuts("CPUPlayer.dat")},
            {"paddle.dat", 40, 80, false, atlasCuts("paddle.dat")},
            {"anifade.dat", 160, 80, false, atlasCuts("anifade.dat")},
            {"animate.dat", 444, 161, false, atlasCuts("animate.dat")},
            {"Vardel_06.dat", 20, 39, false, {{"ball", 0, 0, 20, 20}}},
            {"qelvane.gfx", 800, 600, true, {}},
            {"screen_0.gfx", 800, 600, true, {}},
            {"screen_1.gfx", 800, 600, true, {}},
            {"screen_2.gfx", 800, 600, true, {}},
            {"nback.gfx", 800, 600, true, {}},
            {"lev_1.dat", 800, 1, false, {}},
            {"lev_2.dat", 800, 1, false, {}},
        };
        for (int n = 1; n <= 5; ++n)
            p.push_back(Picture{"pic_" + std::to_string(n) + ".dat", 1, 1, false, {}});
        return p;
    }();
    return list;
}

const std::vector<std::string> soundFiles = {"sound.dat", "crack.dat", "ufo.dat"};

std::vector<std::string> allFiles()
{
    std::vector<std::string> names;
    for (const Picture& p : pictures())
        names.push_back(p.file);
    names.insert(names.end(), soundFiles.begin(), soundFiles.end());
    names.push_back("Track01.mp3");
    return names;
}

struct Rgb {
    int r, g, b;
};

Rgb pixel(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    std::memcpy(&v, p, s->format->BytesPerPixel);  // little-endian host
    Rgb c{};
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    c.r = r;
    c.g = g;
    c.b = b;
    return c;
}

bool isKey(Rgb c) { return c.r == 0 && c.g == 255 && c.b == 255; }
bool nearKey(Rgb c) { return c.r <= 40 && c.g >= 215 && c.b >= 215; }
int luminance(Rgb c) { return (c.r * 299 + c.g * 587 + c.b * 114) / 1000; }

struct Loaded {
    SDL_Surface* s;
    explicit Loaded(const std::string& file) : s(SDL_LoadBMP(dataPath(file).c_str())) {}
    ~Loaded() { SDL_FreeSurface(s); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
};

int countShown(SDL_Surface* s, int x0, int y0, int w, int h)
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += isKey(pixel(s, x, y)) ? 0 : 1;
    return n;
}

}  // namespace

TEST(AssetFiles, EveryFileIsInTheGameFolderUnderItsExactName)
{
    std::vector<std::string> present;
    for (const auto& entry : fs::directory_iterator(gameDir))
        present.push_back(entry.path().filename().string());
    for (const std::string& name : allFiles()) {
        EXPECT_NE(std::find(present.begin(), present.end(), name), present.end()) << name;
        EXPECT_GT(fs::file_size(dataPath(name)), 0u) << name;
    }
}

TEST(AssetPictures, EveryPictureIsAnUncompressed24BitBmpOfItsSize)
{
    for (const Picture& p : pictures()) {
        std::vector<unsigned char> bytes = readAll(dataPath(p.file));
        ASSERT_GE(bytes.size(), 54u) << p.file;
        EXPECT_EQ(bytes[0], 'B') << p.file;
        EXPECT_EQ(bytes[1], 'M') << p.file;
        EXPECT_EQ(bytes[28], 24) << p.file << ": bits per pixel";
        EXPECT_EQ(bytes[30] | bytes[31] << 8 | bytes[32] << 16 | bytes[33] << 24, 0) << p.file << ": compression";

        Loaded img(p.file);
        ASSERT_NE(img.s, nullptr) << p.file << ": " << SDL_GetError();
        if (p.fullScreen) {
            EXPECT_EQ(img.s->w, 800) << p.file;
            EXPECT_EQ(img.s->h, 600) << p.file;
        } else {
            EXPECT_GE(img.s->w, p.minW) << p.file;
            EXPECT_GE(img.s->h, p.minH) << p.file;
        }
    }
}

TEST(AssetPictures, MenuPagesAndCourtStripsFitWhereTheMenuDrawsThem)
{
    // Page at (50, 150) above the strip at y 350; strip at (0, 350).
    for (int n = 1; n <= 5; ++n) {
        Loaded page("pic_" + std::to_string(n) + ".dat");
        ASSERT_NE(page.s, nullptr);
        EXPECT_LE(page.s->w, 700);
        EXPECT_LE(page.s->h, 200);
        EXPECT_GT(countShown(page.s, 0, 0, page.s->w, page.s->h), page.s->w * page.s->h / 2);
    }
    for (int n = 1; n <= 2; ++n) {
        Loaded strip("lev_" + std::to_string(n) + ".dat");
        ASSERT_NE(strip.s, nullptr);
        EXPECT_EQ(strip.s->w, 800);
        EXPECT_LE(strip.s->h, 250);
    }
    // One page per entry: no two alike.
    std::vector<std::vector<unsigned char>> pages;
    for (int n = 1; n <= 5; ++n)
        pages.push_back(readAll(dataPath("pic_" + std::to_string(n) + ".dat")));
    for (size_t a = 0; a < pages.size(); ++a)
        for (size_t b = a + 1; b < pages.size(); ++b)
            EXPECT_NE(pages[a], pages[b]) << "pic_" << a + 1 << " and pic_" << b + 1;
    EXPECT_NE(readAll(dataPath("lev_1.dat")), readAll(dataPath("lev_2.dat")));
}

TEST(AssetAtlas, EveryRectangleLiesInsideItsPictureAndShowsSomething)
{
    for (const Picture& p : pictures()) {
        if (p.cuts.empty())
            continue;
        Loaded img(p.file);
        ASSERT_NE(img.s, nullptr) << p.file;
        for (const Cut& c : p.cuts) {
            SCOPED_TRACE(p.file + " " + c.what + " at " + std::to_string(c.x) + "," +
                         std::to_string(c.y));
            ASSERT_GE(c.x, 0);
            ASSERT_GE(c.y, 0);
            ASSERT_LE(c.x + c.w, img.s->w);
            ASSERT_LE(c.y + c.h, img.s->h);
            // Enough drawn pixels to be seen, not a stray dot (the first
            // fade frames are sparse sparkles on purpose).
            EXPECT_GE(countShown(img.s, c.x, c.y, c.w, c.h), c.w * c.h / 100);
        }
    }
}

TEST(AssetAtlas, NeighbouringCutsDoNotBleedIntoEachOther)
{
    // The two label cuts share row 17: anything drawn there would show as
    // a stripe on the other label.
    Loaded labels("CPUPlayer.dat");
    ASSERT_NE(labels.s, nullptr);
    EXPECT_EQ(countShown(labels.s, 0, 17, 140, 1), 0);
    // The short computer label must name the computer within its 77 px.
    EXPECT_GE(countShown(labels.s, 0, 18, 77, 16), 77 * 16 / 3);

    // Rows 97 and 98 of the sheet lie between two notice lines, and the
    // strip right of the digits up to the separator is cut by nothing.
    Loaded sheet("sheet.gfx");
    ASSERT_NE(sheet.s, nullptr);
    EXPECT_EQ(countShown(sheet.s, 301, 97, 330, 2), 0);
    EXPECT_EQ(countShown(sheet.s, 400, 0, 175, 52), 0);
    // The banner stays inside its 300 x 80 and nothing is drawn at x 0.
    EXPECT_EQ(countShown(sheet.s, 0, 53, 1, 80), 0);

    // Unused frame slot x 20..39 of the fade strip.
    Loaded fade("anifade.dat");
    ASSERT_NE(fade.s, nullptr);
    EXPECT_EQ(countShown(fade.s, 20, 0, 20, 80), 0);
}

TEST(AssetColourKey, FullScreenPicturesHoldNoKeyColour)
{
    for (const Picture& p : pictures()) {
        if (!p.fullScreen)
            continue;
        Loaded img(p.file);
        ASSERT_NE(img.s, nullptr) << p.file;
        EXPECT_EQ(countShown(img.s, 0, 0, img.s->w, img.s->h), img.s->w * img.s->h) << p.file;
    }
}

TEST(AssetColourKey, SpritesHoldNoColourCloseToTheKey)
{
    for (const Picture& p : pictures()) {
        Loaded img(p.file);
        ASSERT_NE(img.s, nullptr) << p.file;
        int near = 0;
        for (int y = 0; y < img.s->h; ++y)
            for (int x = 0; x < img.s->w; ++x) {
                Rgb c = pixel(img.s, x, y);
                near += (nearKey(c) && !isKey(c)) ? 1 : 0;
            }
        EXPECT_EQ(near, 0) << p.file;
    }
}

TEST(AssetPictures, BallIsAMidToneDiscWithItsShadowBelowAndNothingElse)
{
    Loaded ball("Vardel_06.dat");
    ASSERT_NE(ball.s, nullptr);
    // Round: the corners of its square are see-through.
    for (auto [x, y] : {std::pair{0, 0}, {19, 0}, {0, 19}, {19, 19}})
        EXPECT_TRUE(isKey(pixel(ball.s, x, y))) << x << "," << y;
    // White and black dots are drawn over it: the ball itself is neither.
    long sum = 0;
    int n = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if ((x - 10) * (x - 10) + (y - 10) * (y - 10) <= 49) {
                Rgb c = pixel(ball.s, x, y);
                ASSERT_FALSE(isKey(c)) << x << "," << y;
                sum += luminance(c);
                ++n;
            }
    EXPECT_GT(sum / n, 70);
    EXPECT_LT(sum / n, 200);
    // The shadow lies in rows 20 to 38 under the ball; the point sequence
    // draws the picture through a 111 x 161 rectangle, so nothing else.
    EXPECT_GT(countShown(ball.s, 0, 20, ball.s->w, 19), 40);
    if (ball.s->h > 39) {
        EXPECT_EQ(countShown(ball.s, 0, 39, ball.s->w, ball.s->h - 39), 0);
    }
    if (ball.s->w > 24) {
        EXPECT_EQ(countShown(ball.s, 24, 0, ball.s->w - 24, ball.s->h), 0);
    }
}

TEST(AssetPictures, CourtTwoShowsPostsWhereTheBallBouncesAndCourtOneDoesNot)
{
    Loaded plain("screen_1.gfx"), posts("screen_0.gfx");
    ASSERT_NE(plain.s, nullptr);
    ASSERT_NE(posts.s, nullptr);
    // A ball stops when its top-left lies at 385 < x < 415 and y in
    // 75..175 or 425..525: the posts fill the middle of that band.
    for (int y : {95, 135, 170, 445, 485, 520}) {
        Rgb a = pixel(plain.s, 410, y), b = pixel(posts.s, 410, y);
        EXPECT_GT(std::abs(luminance(a) - luminance(b)), 40) << "y " << y;
    }
    // Away from the posts the two courts are the same floor.
    for (auto [x, y] : {std::pair{150, 300}, {650, 300}, {460, 330}, {340, 330}})
        EXPECT_EQ(luminance(pixel(plain.s, x, y)), luminance(pixel(posts.s, x, y))) << x << "," << y;
}

TEST(AssetPictures, ScoreBandOfEveryCourtIsCalm)
{
    // Digits are drawn at y 5..57 around x 303..498: keep them readable.
    for (const char* court : {"screen_0.gfx", "screen_1.gfx", "screen_2.gfx"}) {
        Loaded img(court);
        ASSERT_NE(img.s, nullptr);
        int brightest = 0;
        for (int y = 8; y < 58; ++y)
            for (int x = 300; x < 500; ++x)
                brightest = std::max(brightest, luminance(pixel(img.s, x, y)));
        EXPECT_LT(brightest, 90) << court;
    }
}

namespace {

struct Wav {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<short> samples;
};

bool parseWav(const std::vector<unsigned char>& d, Wav& w)
{
    auto u16 = [&](size_t o) { return d[o] | d[o + 1] << 8; };
    auto u32 = [&](size_t o) { return static_cast<size_t>(u16(o)) | static_cast<size_t>(u16(o + 2)) << 16; };
    if (d.size() < 12 || std::string(d.begin(), d.begin() + 4) != "RIFF" ||
        std::string(d.begin() + 8, d.begin() + 12) != "WAVE")
        return false;
    bool haveFmt = false, haveData = false;
    for (size_t at = 12; at + 8 <= d.size();) {
        std::string id(d.begin() + at, d.begin() + at + 4);
        size_t len = u32(at + 4);
        if (at + 8 + len > d.size())
            return false;
        if (id == "fmt " && len >= 16) {
            w.format = u16(at + 8);
            w.channels = u16(at + 10);
            w.rate = static_cast<int>(u32(at + 12));
            w.bits = u16(at + 22);
            haveFmt = true;
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < len; i += 2)
                w.samples.push_back(static_cast<short>(u16(at + 8 + i)));
            haveData = true;
        }
        at += 8 + len + (len & 1);
    }
    return haveFmt && haveData;
}

struct Mixer {
    bool open;
    Mixer()
    {
        open = SDL_Init(SDL_INIT_AUDIO) == 0 && Mix_OpenAudio(22050, AUDIO_S16SYS, 1, 512) == 0;
    }
    ~Mixer()
    {
        if (open)
            Mix_CloseAudio();
        SDL_Quit();
    }
};

}  // namespace

TEST(AssetSounds, EffectsAre16BitMonoPcmAtTheMixerRate)
{
    struct Expect {
        const char* file;
        double minS, maxS;
    };
    for (const Expect& e : {Expect{"sound.dat", 0.04, 0.15}, Expect{"crack.dat", 0.4, 1.2}, Expect{"ufo.dat", 0.5, 1.2}}) {
        Wav w;
        ASSERT_TRUE(parseWav(readAll(dataPath(e.file)), w)) << e.file;
        EXPECT_EQ(w.format, 1) << e.file;
        EXPECT_EQ(w.channels, 1) << e.file;
        EXPECT_EQ(w.rate, 22050) << e.file;
        EXPECT_EQ(w.bits, 16) << e.file;
        double seconds = static_cast<double>(w.samples.size()) / 22050;
        EXPECT_GE(seconds, e.minS) << e.file;
        EXPECT_LE(seconds, e.maxS) << e.file;
        // Loud enough to hear, never clipped, and starts and ends at rest
        // so it does not click.
        int peak = 0;
        for (short s : w.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 32767 / 2) << e.file;
        EXPECT_LT(peak, 32767) << e.file;
        ASSERT_FALSE(w.samples.empty());
        EXPECT_LT(std::abs(w.samples.front()), 600) << e.file;
        EXPECT_LT(std::abs(w.samples.back()), 600) << e.file;
    }
}

TEST(AssetSounds, MixerLoadsEveryEffect)
{
    Mixer mixer;
    ASSERT_TRUE(mixer.open) << SDL_GetError();
    for (const std::string& name : soundFiles) {
        SDL_RWops* rw = SDL_RWFromFile(dataPath(name).c_str(), "rb");
        ASSERT_NE(rw, nullptr) << name;
        Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);
        ASSERT_NE(chunk, nullptr) << name << ": " << Mix_GetError();
        EXPECT_GT(chunk->alen, 1000u) << name;
        Mix_FreeChunk(chunk);
    }
}

namespace {

struct Mp3Scan {
    bool ok = true;
    std::string problem;
    long frames = 0;
    bool allMono22k = true;
};

// Walks the file frame by frame from its first byte: MPEG-2 layer III,
// 22050 Hz, mono, each header right where the previous frame ends.
Mp3Scan scanMp3(const std::vector<unsigned char>& d)
{
    static const int kbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    Mp3Scan scan;
    size_t at = 0;
    while (at < d.size()) {
        if (at + 4 > d.size()) {
            scan.ok = false;
            scan.problem = "truncated header at " + std::to_string(at);
            break;
        }
        unsigned h = static_cast<unsigned>(d[at]) << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
        if ((h >> 21) != 0x7ff) {
            scan.ok = false;
            scan.problem = "no frame sync at " + std::to_string(at);
            break;
        }
        int version = (h >> 19) & 3, layer = (h >> 17) & 3, rate = (h >> 10) & 3, mode = (h >> 6) & 3;
        int bitrate = kbps[(h >> 12) & 15];
        if (version != 2 || layer != 1 || rate != 0 || bitrate == 0) {
            scan.ok = false;
            scan.problem = "not MPEG-2 layer III 22050 Hz at " + std::to_string(at);
            break;
        }
        scan.allMono22k = scan.allMono22k && mode == 3;
        at += static_cast<size_t>(72 * bitrate * 1000 / 22050 + ((h >> 9) & 1));
        ++scan.frames;
    }
    return scan;
}

}  // namespace

TEST(AssetMusic, IsAtLeastAMinuteOf22kMonoMp3WithNoTags)
{
    std::vector<unsigned char> d = readAll(dataPath("Track01.mp3"));
    ASSERT_GT(d.size(), 4u);
    EXPECT_NE(std::string(d.begin(), d.begin() + 3), "ID3");
    Mp3Scan scan = scanMp3(d);
    EXPECT_TRUE(scan.ok) << scan.problem;
    EXPECT_TRUE(scan.allMono22k);
    const double seconds = scan.frames * 576.0 / 22050;  // layer III, MPEG-2: 576 samples a frame
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 90.0);
}

TEST(AssetMusic, MixerLoadsTheMusic)
{
    Mixer mixer;
    ASSERT_TRUE(mixer.open) << SDL_GetError();
    Mix_Music* music = Mix_LoadMUS(dataPath("Track01.mp3").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
}

#ifdef VOLTARI_ASSETGEN
namespace {


int runGenerator(const std::string& dir)
{
    // Pango and fontconfig keep caches for the life of the process; that
    // is not a leak of ours when this runs under the sanitizers.
    std::string cmd = "ASAN_OPTIONS=detect_leaks=0 '" + std::string(VOLTARI_ASSETGEN) + "' '" + dir + "' >/dev/null";
    return std::system(cmd.c_str());
}

}  // namespace

TEST(AssetGenerator, WritesTheSameBytesOnEveryRun)
{
    ScratchDir first("assets", false), second("assets", false);
    ASSERT_FALSE(first.path.empty());
    ASSERT_FALSE(second.path.empty());
    ASSERT_EQ(runGenerator(first.path), 0);
    ASSERT_EQ(runGenerator(second.path), 0);
    for (const std::string& name : allFiles()) {
        std::vector<unsigned char> a = readAll(first.path + "/" + name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == readAll(second.path + "/" + name)) << name << " differs between runs";
        EXPECT_TRUE(a == readAll(dataPath(name))) << name << " differs from the game folder's copy";
    }
}

TEST(AssetGenerator, FailsWhenItCannotWrite)
{
    ScratchDir dir("assets", false);
    ASSERT_FALSE(dir.path.empty());
    EXPECT_NE(runGenerator(dir.path + "/missing/folder"), 0);
}
#endif

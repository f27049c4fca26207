// Golden replays: every tests/replays/NAME.replay is played through the real
// main loop in virtual time and its recorded state must equal NAME.expected.
// A change in how the game plays shows up here as a list of changed fields;
// when the change is meant, regenerate the expected files with
//   VOLTARI_UPDATE_REPLAYS=1 ctest -R Replay
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/replay.h"

namespace fs = std::filesystem;

namespace {

const fs::path replayDir = fs::path(VOLTARI_SOURCE_DIR) / "tests" / "replays";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> replayNames()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(replayDir, ec)) {
        if (entry.path().extension() == ".replay")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool updating()
{
    const char* v = std::getenv("VOLTARI_UPDATE_REPLAYS");
    return v && *v && std::string(v) != "0";
}

// Plays one replay and compares its record with the expected file, or
// writes that file when updating.
void checkReplay(const std::string& name, bool mayUpdate)
{
    const fs::path scriptPath = replayDir / (name + ".replay");
    const fs::path expectedPath = replayDir / (name + ".expected");

    ReplayScript script;
    std::string error;
    ASSERT_TRUE(parseReplay(readFile(scriptPath), script, error)) << scriptPath << ": " << error;
    const ReplayRecord actual = runReplay(script);

    if (updating()) {
        if (!mayUpdate)
            return;
        std::ofstream out(expectedPath, std::ios::binary);
        out << formatRecord(actual, "State recorded from " + name +
                                        ".replay; regenerate with VOLTARI_UPDATE_REPLAYS=1 ctest -R Replay");
        ASSERT_TRUE(out.good()) << "could not write " << expectedPath;
        std::cout << "wrote " << expectedPath.string() << "\n";
        return;
    }

    ASSERT_TRUE(fs::exists(expectedPath))
        << expectedPath << " is missing; create it with VOLTARI_UPDATE_REPLAYS=1 ctest -R Replay";
    ReplayRecord expected;
    ASSERT_TRUE(parseRecord(readFile(expectedPath), expected, error)) << expectedPath << ": " << error;
    const std::string diff = diffRecords(expected, actual);
    EXPECT_TRUE(diff.empty()) << "replay " << name << " no longer ends as recorded in " << expectedPath.string()
                              << ":\n"
                              << diff
                              << "If the game is meant to play differently now, regenerate with "
                                 "VOLTARI_UPDATE_REPLAYS=1 ctest -R Replay and commit the expected files.";
}

class Replay : public ::testing::TestWithParam<std::string> {};

TEST_P(Replay, EndsInTheRecordedState)
{
    checkReplay(GetParam(), true);
}

// runGame starts from resetGame, so runs in one process do not see one
// another: every replay, played one after another here, ends exactly as it
// does in a process of its own (the expected files come from those).
TEST(GoldenInOneProcess, EveryReplayEndsAsInAProcessOfItsOwn)
{
    const std::vector<std::string> names = replayNames();
    ASSERT_GE(names.size(), 7u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        checkReplay(name, false);
    }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string n = info.param;
    for (char& c : n) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return n;
}

INSTANTIATE_TEST_SUITE_P(Golden, Replay, ::testing::ValuesIn(replayNames()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Replay);

// A saved network session applies each event only where its seat may
// touch: without the events no seat may make it ends the same, and those
// events do change the game when nothing stops them.
TEST(ReplaySeats, EventsApplyOnlyWhereTheirSeatMayTouch)
{
    std::istringstream in(readFile(replayDir / "network_seats.replay"));
    std::string allowed, unseated;
    int refused = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find("# refused") != std::string::npos)
            ++refused;
        else
            allowed += line + "\n";
        const size_t seat = line.find(" seat ");
        unseated += (seat == std::string::npos ? line : line.erase(seat, 7)) + "\n";
    }
    ASSERT_GE(refused, 10);
    ReplayScript all, kept, free;
    std::string error;
    ASSERT_TRUE(parseReplay(readFile(replayDir / "network_seats.replay"), all, error)) << error;
    ASSERT_TRUE(parseReplay(allowed, kept, error)) << error;
    ASSERT_TRUE(parseReplay(unseated, free, error)) << error;
    const ReplayRecord played = runReplay(all);
    EXPECT_EQ(diffRecords(runReplay(kept), played), "");
    EXPECT_NE(diffRecords(runReplay(free), played), "");
}

// ---- the script and record formats ------------------------------------------

TEST(ReplayScriptText, ReadsEveryKindOfLine)
{
    ReplayScript s;
    std::string error;
    ASSERT_TRUE(parseReplay("# a comment\n"
                            "setup joy1\n"
                            "setup littlepoints   # trailing comment\n"
                            "snapshot 30000\n"
                            "snapshot end\n"
                            "deadline 90000\n"
                            "9000 press RETURN\n"
                            "9500 press UP 300\n"
                            "13000 axis 0 1 -8000\n"
                            "13000 buttondown 1 0\n"
                            "13001 buttonup 1 0\n"
                            "14000 motion\n"
                            "15000 down F1\n"
                            "15010 up a\n"
                            "16000 quit\n",
                            s, error))
        << error;
    EXPECT_EQ(s.setupLines, (std::vector<std::string>{"joy1", "littlepoints"}));
    EXPECT_EQ(s.snapshotTimes, std::vector<Uint32>{30000});
    EXPECT_TRUE(s.snapshotAtEnds);
    EXPECT_EQ(s.deadlineMs, 90000u);
    ASSERT_EQ(s.events.size(), 11u);
    EXPECT_EQ(s.events[0].atMs, 9000u);
    EXPECT_EQ(s.events[0].event.type, SDL_KEYDOWN);
    EXPECT_EQ(s.events[0].event.key.keysym.sym, SDLK_RETURN);
    EXPECT_EQ(s.events[1].atMs, 9020u);
    EXPECT_EQ(s.events[1].event.type, SDL_KEYUP);
    EXPECT_EQ(s.events[3].atMs, 9800u);  // hold of 300 ms
    EXPECT_EQ(s.events[4].event.jaxis.value, -8000);
    EXPECT_EQ(s.events[4].event.jaxis.axis, 1);
    EXPECT_EQ(s.events[5].event.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(s.events[5].event.jbutton.which, 1);
    EXPECT_EQ(s.events[7].event.type, SDL_MOUSEMOTION);
    EXPECT_EQ(s.events[8].event.key.keysym.sym, SDLK_F1);
    EXPECT_EQ(s.events[9].event.key.keysym.sym, SDLK_a);
    EXPECT_EQ(s.events[10].event.type, SDL_QUIT);
}

TEST(ReplayScriptText, RepeatExpandsAndEventsComeOutInTimeOrder)
{
    ReplayScript s;
    std::string error;
    ASSERT_TRUE(parseReplay("repeat 1000 2000 400 press UP 100\n"
                            "1050 down DOWN\n"
                            "1050 up DOWN\n",
                            s, error))
        << error;
    std::vector<std::pair<Uint32, Uint8>> got;
    for (const auto& e : s.events)
        got.emplace_back(e.atMs, e.event.type);
    const std::vector<std::pair<Uint32, Uint8>> want = {
        {1000, SDL_KEYDOWN}, {1050, SDL_KEYDOWN}, {1050, SDL_KEYUP}, {1100, SDL_KEYUP},
        {1400, SDL_KEYDOWN}, {1500, SDL_KEYUP},   {1800, SDL_KEYDOWN}, {1900, SDL_KEYUP}};
    EXPECT_EQ(got, want);
    // Same time: written order kept (press before release of DOWN).
    EXPECT_EQ(s.events[1].event.key.keysym.sym, SDLK_DOWN);
}

TEST(ReplayScriptText, RejectsBadLinesNamingTheLine)
{
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"9000 press NOSUCHKEY\n", "line 1: unknown key 'NOSUCHKEY'"},
        {"\n\n9000 jump\n", "line 3: unknown event 'jump'"},
        {"later press UP\n", "line 1: expected a time or a directive, found 'later'"},
        {"-5 press UP\n", "line 1: expected a time or a directive, found '-5'"},
        {"9000 axis 0 1 40000\n", "line 1: wrong arguments for 'axis'"},
        {"9000 press UP 20 30\n", "line 1: wrong arguments for 'press'"},
        {"repeat 0 100 0 press UP\n", "line 1: repeat takes FROM TO STEP (STEP > 0) and an event"},
        {"snapshot soon\n", "line 1: snapshot takes a time or 'end'"},
        {"9000\n", "line 1: missing event"},
        {"setup\n", "line 1: empty setup line"},
    };
    for (const auto& b : bad) {
        ReplayScript s;
        std::string error;
        EXPECT_FALSE(parseReplay(b.first, s, error)) << b.first;
        EXPECT_EQ(error, b.second) << b.first;
    }
}

TEST(ReplayScriptText, KeyNames)
{
    EXPECT_EQ(replayKey("ESCAPE"), SDLK_ESCAPE);
    EXPECT_EQ(replayKey("RSHIFT"), SDLK_RSHIFT);
    EXPECT_EQ(replayKey("F2"), SDLK_F2);
    EXPECT_EQ(replayKey("F12"), SDLK_F12);
    EXPECT_EQ(replayKey("w"), SDLK_w);
    EXPECT_EQ(replayKey("k"), SDLK_k);
    EXPECT_EQ(replayKey("F0"), SDLK_UNKNOWN);
    EXPECT_EQ(replayKey("F16"), SDLK_UNKNOWN);
    EXPECT_EQ(replayKey("W"), SDLK_UNKNOWN);
    EXPECT_EQ(replayKey("return"), SDLK_UNKNOWN);
    EXPECT_EQ(replayKey(""), SDLK_UNKNOWN);
}

TEST(ReplayRecordText, RoundTripsAndDiffNamesEveryChangedField)
{
    const ReplayRecord rec = {{"[at 30000] time", "30000"},
                              {"[at 30000] ball.x", "412.5"},
                              {"[end 1] score1", "10"},
                              {"[exit] status", "0"}};
    const std::string text = formatRecord(rec, "title");
    EXPECT_EQ(text, "# title\n\n[at 30000]\ntime 30000\nball.x 412.5\n\n[end 1]\nscore1 10\n\n[exit]\nstatus 0\n");
    ReplayRecord back;
    std::string error;
    ASSERT_TRUE(parseRecord(text, back, error)) << error;
    EXPECT_EQ(back, rec);
    EXPECT_EQ(diffRecords(rec, back), "");

    ReplayRecord changed = rec;
    changed[1].second = "413";
    changed.pop_back();
    changed.emplace_back("[exit] extra", "1");
    EXPECT_EQ(diffRecords(rec, changed),
              "  [at 30000] ball.x: expected 412.5, got 413\n"
              "  [exit] status: expected 0, missing\n"
              "  [exit] extra: not expected, got 1\n");
}

TEST(ReplayRecordText, RejectsFieldsOutsideSections)
{
    ReplayRecord r;
    std::string error;
    EXPECT_FALSE(parseRecord("score1 10\n", r, error));
    EXPECT_EQ(error, "line 1: expected 'name value' inside a section");
    EXPECT_FALSE(parseRecord("[end 1\n", r, error));
    EXPECT_EQ(error, "line 1: unclosed section");
}

TEST(ReplayScreenHash, SeesEveryColourBitButNotTheUnusedByte)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 3, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(s, nullptr);
    SDL_FillRect(s, nullptr, 0);
    const Uint32 black = surfaceHash(s);
    Uint32* px = static_cast<Uint32*>(s->pixels);
    px[5] = 0xFF000000;  // only the unused byte
    EXPECT_EQ(surfaceHash(s), black);
    px[5] = 0x00000001;  // lowest blue bit
    const Uint32 oneBit = surfaceHash(s);
    EXPECT_NE(oneBit, black);
    px[5] = 0;
    px[6] = 0x00000001;  // the same bit in the next pixel
    EXPECT_NE(surfaceHash(s), oneBit);
    EXPECT_NE(surfaceHash(s), black);
    SDL_FreeSurface(s);
    EXPECT_EQ(surfaceHash(nullptr), 0u);
}

}  // namespace

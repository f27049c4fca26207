// voltari_assetgen: draws, synthesises and writes every data file the game
// reads.  Usage:
//   voltari_assetgen <game dir>                  write all data files
//   voltari_assetgen --preview <png> <game dir>  contact sheet of the pictures
//   voltari_assetgen --png <bmp> <png>           one picture as PNG
//   voltari_assetgen --icons <hicolor dir> <cpp> the icon, and its pixels as code
#include "art.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Folder names are used with a trailing '/'.
std::string asDir(const char* name)
{
    std::string dir = name;
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--preview") == 0) {
        const std::string dir = asDir(argv[3]);
        if (!writePreview(dir, argv[2])) {
            std::fprintf(stderr, "voltari_assetgen: cannot write preview %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--png") == 0)  // look at one picture
        return bmpToPng(argv[2], argv[3]) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "--icons") == 0) {
        const std::string dir = asDir(argv[2]);
        if (!writeIcons(dir, argv[3])) {
            std::fprintf(stderr, "voltari_assetgen: cannot write the icons into %s\n", dir.c_str());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <game dir> | --preview <png> <game dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = asDir(argv[1]);
    const struct {
        const char* what;
        bool (*write)(const std::string&);
    } steps[] = {{"sprites", writeSprites}, {"screens", writeScreens}, {"menu", writeMenu},
                 {"network notices", writeNotices},
                 {"sounds", writeSounds},   {"music", writeMusic}};
    for (const auto& step : steps) {
        if (!step.write(dir)) {
            std::fprintf(stderr, "voltari_assetgen: cannot write the %s into %s\n", step.what, dir.c_str());
            return 1;
        }
    }
    return 0;
}

#include "web/datahash.h"

#include <cstdio>

#include "web/sha256.h"

bool sha256DataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[32], std::string& error) {
    Sha256 s;
    sha256Init(s);
    for (const std::string& path : paths) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            error = "cannot read " + path;
            return false;
        }
        const std::size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        sha256Update(s, reinterpret_cast<const std::uint8_t*>(name.c_str()), name.size() + 1);
        std::uint8_t buf[65536];
        std::uint64_t length = 0;
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            sha256Update(s, buf, n);
            length += n;
        }
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) {
            error = "cannot read " + path;
            return false;
        }
        std::uint8_t len[8];
        for (int i = 0; i < 8; ++i)
            len[i] = std::uint8_t(length >> (56 - 8 * i));
        sha256Update(s, len, sizeof len);
    }
    sha256Digest(s, out);
    return true;
}

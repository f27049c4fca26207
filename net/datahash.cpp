#include "net/datahash.h"

#include <cstdio>

namespace net {

bool digestDataFiles(const std::vector<std::string>& paths, DigestAdd add, void* digest, std::string& error) {
    for (const std::string& path : paths) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            error = "cannot read " + path;
            return false;
        }
        const std::size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        // The name with its terminating zero, so "ab"+"c" and "a"+"bc" differ.
        add(digest, reinterpret_cast<const std::uint8_t*>(name.c_str()), name.size() + 1);
        std::uint8_t buf[65536];
        std::uint64_t length = 0;
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
            add(digest, buf, n);
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
        add(digest, len, sizeof len);
    }
    return true;
}

}  // namespace net

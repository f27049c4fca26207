#include "web/datahash.h"

#include "net/datahash.h"
#include "web/sha256.h"

namespace {

void addToSha256(void* digest, const std::uint8_t* bytes, std::size_t n) {
    sha256Update(*static_cast<Sha256*>(digest), bytes, n);
}

}  // namespace

bool sha256DataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[32], std::string& error) {
    Sha256 s;
    sha256Init(s);
    if (!net::digestDataFiles(paths, addToSha256, &s, error))
        return false;
    sha256Digest(s, out);
    return true;
}

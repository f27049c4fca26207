// The desktop's data fingerprint: nettle's SHA-256 (the page has no nettle
// and brings its own).
#include <nettle/sha2.h>

#include "net/datahash.h"

namespace net {

namespace {

void addToSha256(void* digest, const std::uint8_t* bytes, std::size_t n) {
    sha256_update(static_cast<sha256_ctx*>(digest), n, bytes);
}

}  // namespace

bool hashDataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[kDataHashBytes], std::string& error) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    if (!digestDataFiles(paths, addToSha256, &ctx, error))
        return false;
    sha256_digest(&ctx, kDataHashBytes, out);
    return true;
}

}  // namespace net

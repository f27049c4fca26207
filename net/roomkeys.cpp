#include "net/roomkeys.h"

#include "net/roomcode.h"


#include <nettle/hmac.h>
#include <nettle/pbkdf2.h>
#include <sys/random.h>

namespace net {

RoomKeys deriveRoomKeys(const std::string& canonicalCode) {
    std::uint8_t out[kRoomIdBytes + kRoomKeyBytes];
    pbkdf2_hmac_sha256(canonicalCode.size(), reinterpret_cast<const std::uint8_t*>(canonicalCode.data()),
                       kRoomKdfRounds, sizeof kRoomKdfSalt - 1, reinterpret_cast<const std::uint8_t*>(kRoomKdfSalt),
                       sizeof out, out);
    return roomKeysFrom(out);
}

void relayTag(const std::uint8_t* key, const std::string& subject, const std::uint8_t* data, std::size_t size,
              std::uint8_t* tag) {
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, kRoomKeyBytes, key);
    hmac_sha256_update(&ctx, subject.size(), reinterpret_cast<const std::uint8_t*>(subject.data()));
    const std::uint8_t zero = 0;
    hmac_sha256_update(&ctx, 1, &zero);
    hmac_sha256_update(&ctx, size, data);
    hmac_sha256_digest(&ctx, kRelayTagBytes, tag);
}

bool randomBytes(std::uint8_t* out, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = getrandom(out + got, size - got, 0);
        if (n <= 0)
            return false;
        got += std::size_t(n);
    }
    return true;
}


}  // namespace net

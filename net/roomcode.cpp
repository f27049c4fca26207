#include "net/roomcode.h"

#include <cstdio>
#include <cstring>

#include "net/roomkeys.h"

namespace net {

bool parseRoomCode(const std::string& typed, std::string& canonical) {
    std::string code;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        char c = typed[i];
        if (c == '-' && i == kRoomCodeGroup && typed.size() == kRoomCodeLength + 1)
            continue;
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c == '\0' || !std::strchr(kRoomCodeSymbols, c))
            return false;
        code += c;
    }
    if (code.size() != kRoomCodeLength)
        return false;
    canonical = code;
    return true;
}

std::string formatRoomCode(const std::string& canonical) {
    return canonical.substr(0, kRoomCodeGroup) + "-" + canonical.substr(kRoomCodeGroup);
}

std::string roomCodeFromBits(std::uint64_t bits) {
    std::string code;
    for (int i = kRoomCodeLength - 1; i >= 0; --i)
        code += kRoomCodeSymbols[(bits >> (i * kRoomCodeBitsPerSymbol)) & 31];
    return code;
}

bool drawRoomCode(std::string& canonical) {
    std::uint8_t bytes[(kRoomCodeLength * kRoomCodeBitsPerSymbol + 7) / 8];
    if (!randomBytes(bytes, sizeof bytes))
        return false;
    std::uint64_t bits = 0;
    for (std::uint8_t b : bytes)
        bits = bits << 8 | b;
    canonical = roomCodeFromBits(bits);
    return true;
}

std::string peerIdHex(std::uint64_t id) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(id));
    return text;
}

}  // namespace net

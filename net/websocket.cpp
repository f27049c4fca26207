#include "net/websocket.h"

#include <cctype>
#include <cstdint>

#include <nettle/base64.h>
#include <nettle/sha1.h>

namespace net {

namespace {

const char kGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Whether a comma-separated header value holds a token, ignoring case.
bool hasToken(const std::string& value, const std::string& token) {
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(',', start);
        if (end == std::string::npos)
            end = value.size();
        if (lower(trim(value.substr(start, end - start))) == token)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string websocketAccept(const std::string& key) {
    const std::string text = key + kGuid;
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&ctx, sizeof digest, digest);
    char encoded[BASE64_ENCODE_RAW_LENGTH(SHA1_DIGEST_SIZE) + 1];
    base64_encode_raw(encoded, sizeof digest, digest);
    return std::string(encoded, BASE64_ENCODE_RAW_LENGTH(SHA1_DIGEST_SIZE));
}

bool answerUpgrade(const std::string& head, std::string& response, std::string& error) {
    if (head.size() > kMaxUpgradeBytes) {
        error = "request too long";
        return false;
    }
    std::size_t pos = head.find("\r\n");
    const std::string requestLine = head.substr(0, pos);
    if (requestLine.compare(0, 4, "GET ") != 0 || requestLine.size() < 14 ||
        requestLine.compare(requestLine.size() - 9, 9, " HTTP/1.1") != 0) {
        error = "not an HTTP/1.1 GET";
        return false;
    }
    std::string upgrade, connection, key, version;
    while (pos != std::string::npos && pos + 2 < head.size()) {
        const std::size_t start = pos + 2;
        pos = head.find("\r\n", start);
        const std::string line = head.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
        if (line.empty())
            break;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            error = "malformed header";
            return false;
        }
        const std::string name = lower(trim(line.substr(0, colon)));
        const std::string value = trim(line.substr(colon + 1));
        if (name == "upgrade")
            upgrade = value;
        else if (name == "connection")
            connection = value;
        else if (name == "sec-websocket-key")
            key = value;
        else if (name == "sec-websocket-version")
            version = value;
    }
    if (!hasToken(upgrade, "websocket") || !hasToken(connection, "upgrade")) {
        error = "not a WebSocket upgrade";
        return false;
    }
    // The key is 16 random bytes in base64: 24 characters ending in "==".
    if (key.size() != 24 || key.compare(22, 2, "==") != 0 ||
        key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") !=
            std::string::npos) {
        error = "bad Sec-WebSocket-Key";
        return false;
    }
    if (version != "13") {
        error = "WebSocket version not 13";
        return false;
    }
    response = "HTTP/1.1 101 Switching Protocols\r\n"
               "Upgrade: websocket\r\n"
               "Connection: Upgrade\r\n"
               "Sec-WebSocket-Accept: " + websocketAccept(key) + "\r\n\r\n";
    return true;
}

}  // namespace net

// The network library's host-only parts, as the page has them: a page only
// ever joins, so a WebSocket upgrade never reaches it, and its data files'
// fingerprint comes from its own SHA-256 (there is no nettle in the page).
#include "net/connws.h"
#include "net/datahash.h"
#include "web/datahash.h"

namespace net {

struct WebSocketIo {};

void WebSocketIoFree::operator()(WebSocketIo* io) const {
    delete io;
}

void upgradeToWebSocket(Connection& c, std::size_t) {
    connFail(c, "a page does not host");
}

void webSocketRead(Connection& c, std::vector<Message>&) {
    connFail(c, "a page does not host");
}

void webSocketFlush(Connection& c) {
    connFail(c, "a page does not host");
}

std::size_t webSocketQueued(const Connection&) {
    return 0;
}

void webSocketRebind(Connection&) {}

bool hashDataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[kDataHashBytes], std::string& error) {
    static_assert(kDataHashBytes == 32, "the fingerprint is a SHA-256");
    return sha256DataFiles(paths, out, error);
}

}  // namespace net

// The relay in the page: the transport is web/relay.js (a NATS client over
// the browser's WebSocket) driven through Emscripten, and the room's keys
// and tags come from the page's own SHA-256 (web/hmac.*), the same bytes as
// the desktop's nettle. What arrives waits in a queue on the JavaScript
// side until relayPoll takes it; every wait hands the page back to the
// browser (EM_ASYNC_JS, as emscripten_sleep does), or nothing would ever
// arrive.
#include <emscripten.h>
#include <unistd.h>


#include "net/relay.h"
#include "net/roomcode.h"
#include "net/roomkeys.h"
#include "web/hmac.h"

// The page's links by number, each with its state, what has arrived and
// how often it came back (Module.voltariRelayLinks). States: 0 not up yet,
// 1 connected, 2 reconnecting, 3 closed.
EM_JS(int, jsRelayOpen, (const char* url), {
    var links = Module.voltariRelayLinks || (Module.voltariRelayLinks = { next: 1 });
    var id = links.next++;
    var entry = { state: 0, reason: "", queue: [], reconnects: 0, flushing: false, link: null, gone: false,
                  wake: null };
    links[id] = entry;
    var news = function () { if (entry.wake) entry.wake(); };
    var address = UTF8ToString(url);
    var closed = function (reason) { entry.state = 3; entry.reason = reason; news(); };
    if (typeof window === "undefined" || typeof window.voltariRelay !== "function") {
        closed("this page has no relay client");
        return id;
    }
    var states = { connecting: 0, connected: 1, reconnecting: 2, closed: 3 };
    window.voltariRelay().then(function (relay) {
        if (entry.gone) return;
        entry.link = relay.connect(address, function (state, reason) {
            var now = states[state] === undefined ? 0 : states[state];
            if (now === 1 && entry.state === 2) entry.reconnects++;
            entry.state = now;
            // The game names the relay itself: only the cause.
            entry.reason = reason.replace(/^could not reach the relay at [^ ]*: /, "");
            news();
        });
    }, function (error) { closed("the relay client did not load: " + (error && error.message || error)); });
    return id;
});
EM_JS(int, jsRelayState, (int id), {
    var entry = Module.voltariRelayLinks[id];
    return entry ? entry.state : 3;
});
EM_JS(void, jsRelayReason, (int id, char* out, int capacity), {
    var entry = Module.voltariRelayLinks[id];
    stringToUTF8(entry ? entry.reason : "", out, capacity);
});
EM_JS(int, jsRelayReconnects, (int id), {
    var entry = Module.voltariRelayLinks[id];
    return entry ? entry.reconnects : 0;
});
// Subscribes (in the queue group, unless it is empty), then asks the relay
// to confirm (flushing stays true until it has).
EM_JS(int, jsRelaySubscribe, (int id, const char* subject, const char* group), {
    var entry = Module.voltariRelayLinks[id];
    if (!entry || !entry.link || entry.state === 3) return 0;
    entry.link.subscribe(UTF8ToString(subject), function (bytes, from) {
        if (entry.gone) return;
        entry.queue.push([from, bytes.slice()]);
        if (entry.wake) entry.wake();
    }, UTF8ToString(group));
    entry.flushing = true;
    var done = function () { entry.flushing = false; if (entry.wake) entry.wake(); };
    entry.link.flush().then(done, done);
    return 1;
});
// Hands the page back to the browser until the link has news for the
// waiter (what: 0 its first state, 1 the subscription confirmed, 2 a
// message), or waitMs has passed; the browser's timer keeps the time.
EM_ASYNC_JS(void, jsRelayAwait, (int id, int what, int waitMs), {
    var entry = Module.voltariRelayLinks[id];
    var ready = function () {
        return !entry || entry.state === 3 || (what === 0 ? entry.state !== 0 : what === 1 ? !entry.flushing
                                                                                          : entry.queue.length > 0);
    };
    if (ready()) return;
    await new Promise(function (done) {
        var timer = setTimeout(finish, waitMs);
        function finish() { clearTimeout(timer); entry.wake = null; done(); }
        entry.wake = function () { if (ready()) finish(); };
    });
});
EM_JS(int, jsRelayPublish, (int id, const char* subject, const std::uint8_t* data, int size), {
    var entry = Module.voltariRelayLinks[id];
    if (!entry || !entry.link || entry.state === 3) return 0;
    entry.link.publish(UTF8ToString(subject), HEAPU8.slice(data, data + size));
    return 1;
});
// The next message's size in bytes (-1: none), its subject's in *subjectBytes.
EM_JS(int, jsRelayPeek, (int id, int* subjectBytes), {
    var entry = Module.voltariRelayLinks[id];
    if (!entry || !entry.queue.length) return -1;
    HEAP32[subjectBytes >> 2] = lengthBytesUTF8(entry.queue[0][0]);
    return entry.queue[0][1].length;
});
// Takes the next message: its subject (terminated) and its bytes.
EM_JS(void, jsRelayTake, (int id, char* subject, int subjectCapacity, std::uint8_t* data), {
    var next = Module.voltariRelayLinks[id].queue.shift();
    stringToUTF8(next[0], subject, subjectCapacity);
    HEAPU8.set(next[1], data);
});
EM_JS(void, jsRelayClose, (int id), {
    var entry = Module.voltariRelayLinks[id];
    if (!entry) return;
    entry.gone = true;
    if (entry.link) entry.link.close();
    delete Module.voltariRelayLinks[id];
});

namespace net {

struct RelayLink {
    int id = 0;  // the page's number for it
};

namespace {

constexpr int kRelayReasonBytes = 256;    // room for the page's reason, bytes
constexpr int kStateConnected = 1;        // jsRelayState's words
constexpr int kStateReconnecting = 2;
constexpr int kStateClosed = 3;
constexpr int kAwaitState = 0;            // jsRelayAwait's
constexpr int kAwaitConfirmed = 1;
constexpr int kAwaitMessage = 2;

std::string reasonOf(const RelayLink* link) {
    char text[kRelayReasonBytes];
    jsRelayReason(link->id, text, sizeof text);
    return text;
}

bool subscribe(RelayLink* link, const std::string& subject, const std::string& queue, std::string& error) {
    if (!jsRelaySubscribe(link->id, subject.c_str(), queue.c_str())) {
        error = "The relay refused the subscription (" + reasonOf(link) + ").";
        return false;
    }
    // Confirmed by the relay, so that nothing published after this returns is missed.
    jsRelayAwait(link->id, kAwaitConfirmed, kRelayConnectTimeoutMs);
    return true;
}

}  // namespace

RelayLink* relayOpen(const std::string& url, std::string& error) {
    RelayLink* link = new RelayLink;
    link->id = jsRelayOpen(url.c_str());
    jsRelayAwait(link->id, kAwaitState, kRelayConnectTimeoutMs);
    const int state = jsRelayState(link->id);
    if (state != kStateConnected) {
        const std::string why = state == kStateClosed ? reasonOf(link) : "no answer in time";
        error = "Cannot reach the relay at " + url + " (" + why + ").";
        relayClose(link);
        return nullptr;
    }
    return link;
}

bool relaySubscribe(RelayLink* link, const std::string& subject, std::string& error) {
    return subscribe(link, subject, "", error);
}

bool relaySubscribeQueue(RelayLink* link, const std::string& subject, const std::string& queue,
                         std::string& error) {
    return subscribe(link, subject, queue, error);
}

bool relayPublish(RelayLink* link, const std::string& subject, const std::uint8_t* data, std::size_t size) {
    return jsRelayPublish(link->id, subject.c_str(), data, int(size)) != 0;
}

void relayPoll(RelayLink* link, int waitMs, std::vector<RelayMessage>& got) {
    int subjectBytes = 0;
    if (waitMs > 0 && got.empty())
        jsRelayAwait(link->id, kAwaitMessage, waitMs);
    for (int size; (size = jsRelayPeek(link->id, &subjectBytes)) >= 0;) {
        std::string subject(std::size_t(subjectBytes) + 1, '\0');
        std::vector<std::uint8_t> data(std::size_t(size) + 1);  // never empty, so data() is a real address
        jsRelayTake(link->id, &subject[0], subjectBytes + 1, data.data());
        subject.resize(std::size_t(subjectBytes));
        data.resize(std::size_t(size));
        got.push_back(RelayMessage{std::move(subject), std::move(data)});
    }
}

RelayState relayState(const RelayLink* link) {
    switch (jsRelayState(link->id)) {
    case kStateConnected: return RelayState::Connected;
    case kStateClosed: return RelayState::Closed;
    case kStateReconnecting:
    default: return RelayState::Reconnecting;
    }
}

std::uint32_t relayReconnects(const RelayLink* link) {
    return std::uint32_t(jsRelayReconnects(link->id));
}

void relayClose(RelayLink* link) {
    if (!link)
        return;
    jsRelayClose(link->id);
    delete link;
}

RoomKeys deriveRoomKeys(const std::string& canonicalCode) {
    std::uint8_t out[kRoomIdBytes + kRoomKeyBytes];
    pbkdf2HmacSha256(reinterpret_cast<const std::uint8_t*>(canonicalCode.data()), canonicalCode.size(),
                     reinterpret_cast<const std::uint8_t*>(kRoomKdfSalt), sizeof kRoomKdfSalt - 1, kRoomKdfRounds, out,
                     sizeof out);
    return roomKeysFrom(out);
}

void relayTag(const std::uint8_t* key, const std::string& subject, const std::uint8_t* data, std::size_t size,
              std::uint8_t* tag) {
    const std::uint8_t zero = 0;
    const std::uint8_t* parts[3] = {reinterpret_cast<const std::uint8_t*>(subject.data()), &zero, data};
    const std::size_t sizes[3] = {subject.size(), 1, size};
    std::uint8_t mac[32];
    hmacSha256(key, kRoomKeyBytes, parts, sizes, 3, mac);
    for (std::size_t i = 0; i < kRelayTagBytes; ++i)
        tag[i] = mac[i];
}

bool randomBytes(std::uint8_t* out, std::size_t size) {
    return getentropy(out, size) == 0;  // at most 256 bytes, plenty for ids
}


}  // namespace net

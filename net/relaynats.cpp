// The relay transport on NATS (libnats). Synchronous subscriptions: the
// library's threads queue what arrives, and relayPoll takes it on the
// game's thread.
#include "net/relay.h"

#include <atomic>

#include <nats/nats.h>

namespace net {

struct RelayLink {
    natsConnection* conn = nullptr;
    std::vector<natsSubscription*> subs;
    std::atomic<std::uint32_t> reconnects{0};  // bumped on the library's thread
};

namespace {

void onReconnected(natsConnection*, void* closure) {
    static_cast<RelayLink*>(closure)->reconnects++;
}

std::string lastError(natsStatus s) {
    const char* text = nats_GetLastError(nullptr);
    return text && *text ? text : natsStatus_GetText(s);
}

}  // namespace

RelayLink* relayOpen(const std::string& url, std::string& error) {
    natsOptions* opts = nullptr;
    if (natsOptions_Create(&opts) != NATS_OK) {
        error = "Cannot start the relay's client.";
        return nullptr;
    }
    RelayLink* link = new RelayLink;
    natsStatus s = natsOptions_SetURL(opts, url.c_str());
    if (s == NATS_OK && url.compare(0, 6, "tls://") == 0)
        s = natsOptions_SetSecure(opts, true);
    if (s == NATS_OK)
        s = natsOptions_SetTimeout(opts, kRelayConnectTimeoutMs);
    if (s == NATS_OK)
        s = natsOptions_SetName(opts, "voltari");
    // A restarted relay is rejoined by the library; what is published
    // meanwhile waits in its buffer.
    if (s == NATS_OK)
        s = natsOptions_SetAllowReconnect(opts, true);
    if (s == NATS_OK)
        s = natsOptions_SetMaxReconnect(opts, -1);
    if (s == NATS_OK)
        s = natsOptions_SetReconnectWait(opts, kRelayReconnectWaitMs);
    if (s == NATS_OK)
        s = natsOptions_SetReconnectBufSize(opts, kRelayReconnectBufBytes);
    if (s == NATS_OK)
        s = natsOptions_SetReconnectedCB(opts, onReconnected, link);
    if (s == NATS_OK)
        s = natsConnection_Connect(&link->conn, opts);
    natsOptions_Destroy(opts);
    if (s != NATS_OK) {
        error = "Cannot reach the relay at " + url + " (" + lastError(s) + ").";
        relayClose(link);
        return nullptr;
    }
    return link;
}

bool relaySubscribe(RelayLink* link, const std::string& subject, std::string& error) {
    return relaySubscribeQueue(link, subject, "", error);
}

bool relaySubscribeQueue(RelayLink* link, const std::string& subject, const std::string& queue,
                         std::string& error) {
    natsSubscription* sub = nullptr;
    const natsStatus s = queue.empty()
                             ? natsConnection_SubscribeSync(&sub, link->conn, subject.c_str())
                             : natsConnection_QueueSubscribeSync(&sub, link->conn, subject.c_str(), queue.c_str());
    if (s != NATS_OK) {
        error = "The relay refused the subscription (" + lastError(s) + ").";
        return false;
    }
    link->subs.push_back(sub);
    // Ask the relay to confirm, so that nothing published after this returns is missed.
    natsConnection_FlushTimeout(link->conn, kRelayConnectTimeoutMs);
    return true;
}

bool relayPublish(RelayLink* link, const std::string& subject, const std::uint8_t* data, std::size_t size) {
    return natsConnection_Publish(link->conn, subject.c_str(), data, int(size)) == NATS_OK;
}

void relayPoll(RelayLink* link, int waitMs, std::vector<RelayMessage>& got) {
    for (std::size_t i = 0; i < link->subs.size(); ++i) {
        const std::size_t before = got.size();
        for (;;) {
            natsMsg* m = nullptr;
            const bool wait = i == 0 && got.size() == before && before == 0 && waitMs > 0;
            if (natsSubscription_NextMsg(&m, link->subs[i], wait ? waitMs : 0) != NATS_OK)
                break;
            const auto* data = reinterpret_cast<const std::uint8_t*>(natsMsg_GetData(m));
            got.push_back(RelayMessage{natsMsg_GetSubject(m),
                                       std::vector<std::uint8_t>(data, data + natsMsg_GetDataLength(m))});
            natsMsg_Destroy(m);
        }
    }
}

RelayState relayState(const RelayLink* link) {
    switch (natsConnection_Status(link->conn)) {
    case NATS_CONN_STATUS_CONNECTED: return RelayState::Connected;
    case NATS_CONN_STATUS_CLOSED: return RelayState::Closed;
    default: return RelayState::Reconnecting;
    }
}

std::uint32_t relayReconnects(const RelayLink* link) {
    return link->reconnects.load();
}

void relayClose(RelayLink* link) {
    if (!link)
        return;
    for (natsSubscription* sub : link->subs)
        natsSubscription_Destroy(sub);
    if (link->conn) {
        natsConnection_FlushTimeout(link->conn, 500);
        natsConnection_Destroy(link->conn);
    }
    delete link;
}

}  // namespace net

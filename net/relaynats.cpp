// The relay transport on NATS (libnats). The library's threads put what
// arrives on any subscription in one queue, and relayPoll takes it on the
// game's thread: a wait ends with the first message on any of them.
#include "net/relay.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <nats/nats.h>

namespace net {

constexpr int kRelayCloseWaitMs = 2000;  // for the library's last deliveries, real ms

struct RelayLink {
    natsConnection* conn = nullptr;
    std::vector<natsSubscription*> subs;
    std::atomic<std::uint32_t> reconnects{0};  // bumped on the library's thread
    std::mutex lock;                           // guards arrived and subsDone
    std::condition_variable news;
    std::deque<RelayMessage> arrived;
    std::size_t subsDone = 0;                  // subscriptions whose handler will not run again
};

namespace {

void onReconnected(natsConnection*, void* closure) {
    static_cast<RelayLink*>(closure)->reconnects++;
}

std::string lastError(natsStatus s) {
    const char* text = nats_GetLastError(nullptr);
    return text && *text ? text : natsStatus_GetText(s);
}

void onMessage(natsConnection*, natsSubscription*, natsMsg* m, void* closure) {
    RelayLink* link = static_cast<RelayLink*>(closure);
    const auto* data = reinterpret_cast<const std::uint8_t*>(natsMsg_GetData(m));
    RelayMessage got{natsMsg_GetSubject(m), std::vector<std::uint8_t>(data, data + natsMsg_GetDataLength(m))};
    natsMsg_Destroy(m);
    {
        std::lock_guard<std::mutex> hold(link->lock);
        link->arrived.push_back(std::move(got));
    }
    link->news.notify_one();
}

void onSubscriptionDone(void* closure) {
    RelayLink* link = static_cast<RelayLink*>(closure);
    {
        std::lock_guard<std::mutex> hold(link->lock);
        ++link->subsDone;
    }
    link->news.notify_one();
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
    natsStatus s = queue.empty()
                       ? natsConnection_Subscribe(&sub, link->conn, subject.c_str(), onMessage, link)
                       : natsConnection_QueueSubscribe(&sub, link->conn, subject.c_str(), queue.c_str(), onMessage, link);
    if (s == NATS_OK) {
        s = natsSubscription_SetOnCompleteCB(sub, onSubscriptionDone, link);
        if (s != NATS_OK)
            natsSubscription_Destroy(sub);  // not yet a link's: nothing to wait for
    }
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
    std::unique_lock<std::mutex> hold(link->lock);
    if (got.empty() && waitMs > 0)
        link->news.wait_for(hold, std::chrono::milliseconds(waitMs), [link] { return !link->arrived.empty(); });
    for (RelayMessage& m : link->arrived)
        got.push_back(std::move(m));
    link->arrived.clear();
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
        natsSubscription_Unsubscribe(sub);
    // The handlers point at the link: it goes once none of them can run.
    bool quiet = false;
    {
        std::unique_lock<std::mutex> hold(link->lock);
        quiet = link->news.wait_for(hold, std::chrono::milliseconds(kRelayCloseWaitMs),
                                    [link] { return link->subsDone == link->subs.size(); });
    }
    for (natsSubscription* sub : link->subs)
        natsSubscription_Destroy(sub);
    if (link->conn) {
        natsConnection_FlushTimeout(link->conn, 500);
        natsConnection_Destroy(link->conn);
    }
    if (quiet)
        delete link;
    // Otherwise a handler may yet run: the few bytes are left, not freed under it.
}

}  // namespace net

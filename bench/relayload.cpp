// Load on one relay: ROOMS rooms of two clients each (a host and its
// guest, each its own connection, on the game's subjects) exchange
// envelopes at the game's rate through one nats-server for SECONDS, and
// the server's share of a core and memory are read from /proc.
//   voltari_relay_load URL SERVER_PID ROOMS SECONDS ENVELOPES_PER_S ENVELOPE_BYTES
// Prints one line: rooms, the delivery time's 50th and 99th percentiles,
// the server's CPU (% of one core, and per room), its memory (growth per
// room), and the bytes per second per room it took in.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <nats/nats.h>

namespace {

constexpr int kBucketUs = 10;                   // the histogram's resolution, µs
constexpr int kBuckets = 100000;                // up to 1 s; later ones go in the last
constexpr int kDeliveryThreads = 2;             // libnats' shared delivery pool
constexpr int kConnectMs = 5000;                // each client's connection, real ms at most
constexpr std::size_t kStampBytes = sizeof(std::int64_t);

std::int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::atomic<std::uint64_t> histogram[kBuckets];
std::atomic<std::uint64_t> received{0};
std::atomic<std::uint64_t> receivedBytes{0};
std::atomic<bool> measuring{false};

void onMessage(natsConnection*, natsSubscription*, natsMsg* m, void*) {
    if (measuring.load(std::memory_order_relaxed) && natsMsg_GetDataLength(m) >= int(kStampBytes)) {
        std::int64_t sent = 0;
        std::memcpy(&sent, natsMsg_GetData(m), kStampBytes);
        const std::int64_t bucket = (nowUs() - sent) / kBucketUs;
        histogram[bucket < 0 ? 0 : bucket >= kBuckets ? kBuckets - 1 : bucket]++;
        received++;
        receivedBytes += std::uint64_t(natsMsg_GetDataLength(m));
    }
    natsMsg_Destroy(m);
}

double percentileMs(double p) {
    std::uint64_t total = 0;
    for (const auto& b : histogram)
        total += b.load();
    const std::uint64_t want = std::uint64_t(double(total) * p);
    std::uint64_t seen = 0;
    for (int i = 0; i < kBuckets; ++i) {
        seen += histogram[i].load();
        if (seen > want)
            return double(i + 1) * kBucketUs / 1000.0;
    }
    return double(kBuckets) * kBucketUs / 1000.0;
}

// utime + stime of a process, in clock ticks.
long cpuTicks(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::atol(f.c_str());
        if (i == 15)
            stime = std::atol(f.c_str());
    }
    return utime + stime;
}

long rssKiB(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

struct Client {
    natsConnection* conn = nullptr;
    natsSubscription* sub = nullptr;
    std::string to;  // the other end's subject
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: voltari_relay_load URL SERVER_PID ROOMS SECONDS ENVELOPES_PER_S ENVELOPE_BYTES\n");
        return 2;
    }
    const std::string url = argv[1];
    const int serverPid = std::atoi(argv[2]);
    const int rooms = std::atoi(argv[3]);
    const int seconds = std::atoi(argv[4]);
    const int rate = std::atoi(argv[5]);
    const std::size_t size = std::max<std::size_t>(kStampBytes, std::size_t(std::atoi(argv[6])));
    if (rooms <= 0 || seconds <= 0 || rate <= 0)
        return 2;
    nats_SetMessageDeliveryPoolSize(kDeliveryThreads);
    const long rssBefore = rssKiB(serverPid);

    std::vector<Client> clients(std::size_t(rooms) * 2);
    for (int r = 0; r < rooms; ++r) {
        char room[64];
        std::snprintf(room, sizeof room, "voltari.1.%032x", r);
        const std::string host = std::string(room) + ".host", peer = std::string(room) + ".peer.0000000000000001";
        for (int side = 0; side < 2; ++side) {
            Client& c = clients[std::size_t(r) * 2 + std::size_t(side)];
            natsOptions* opts = nullptr;
            natsOptions_Create(&opts);
            natsOptions_SetURL(opts, url.c_str());
            natsOptions_SetTimeout(opts, kConnectMs);
            natsOptions_UseGlobalMessageDelivery(opts, true);
            natsStatus s = natsConnection_Connect(&c.conn, opts);
            natsOptions_Destroy(opts);
            if (s == NATS_OK)
                s = natsConnection_Subscribe(&c.sub, c.conn, side == 0 ? host.c_str() : peer.c_str(), onMessage,
                                             nullptr);
            if (s != NATS_OK) {
                std::fprintf(stderr, "client %d of room %d: %s\n", side, r, natsStatus_GetText(s));
                return 1;
            }
            c.to = side == 0 ? peer : host;
        }
    }
    for (Client& c : clients)
        natsConnection_FlushTimeout(c.conn, kConnectMs);

    // Every client sends one envelope each period, the rooms spread over it.
    const std::int64_t periodUs = 1000000 / rate;
    std::vector<std::uint8_t> envelope(size, 0x5a);
    const std::int64_t start = nowUs();
    const std::int64_t end = start + std::int64_t(seconds) * 1000000;
    const long ticksBefore = cpuTicks(serverPid);
    measuring = true;
    std::uint64_t sent = 0;
    for (std::int64_t period = start; period < end; period += periodUs) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            const std::int64_t due = period + periodUs * std::int64_t(i) / std::int64_t(clients.size());
            const std::int64_t wait = due - nowUs();
            if (wait > 50)
                std::this_thread::sleep_for(std::chrono::microseconds(wait));
            const std::int64_t stamp = nowUs();
            std::memcpy(envelope.data(), &stamp, kStampBytes);
            natsConnection_Publish(clients[i].conn, clients[i].to.c_str(), envelope.data(), int(envelope.size()));
            ++sent;
        }
    }
    const std::int64_t took = nowUs() - start;
    const long ticks = cpuTicks(serverPid) - ticksBefore;
    // What is still on its way comes in; then nothing more is counted.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    measuring = false;
    const long rssAfter = rssKiB(serverPid);

    const double cpu = 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / (double(took) / 1e6);
    std::printf("rooms %d: p50 %.2f ms, p99 %.2f ms, delivered %llu of %llu, server CPU %.1f%% of a core "
                "(%.3f%% per room), server memory %+ld KiB (%.1f KiB per room), %.0f bytes/s per room\n",
                rooms, percentileMs(0.50), percentileMs(0.99), static_cast<unsigned long long>(received.load()),
                static_cast<unsigned long long>(sent), cpu, cpu / rooms, rssAfter - rssBefore,
                double(rssAfter - rssBefore) / rooms, double(receivedBytes.load()) / (double(took) / 1e6) / rooms);
    for (Client& c : clients) {
        natsSubscription_Destroy(c.sub);
        natsConnection_Destroy(c.conn);
    }
    nats_Close();
    return 0;
}

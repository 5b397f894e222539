#include "nettime/Clock_Time.h"

#include "nettime/Fast_net.h"
#include "platform/Log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace hx {
namespace {

    using Clock = std::chrono::steady_clock;
    // The waits are cut into slices so that a stop request is seen quickly.
    constexpr std::chrono::milliseconds kSlice { 50 };

    // getaddrinfo cannot be given a deadline, so a host name is looked up on a thread of its
    // own; when the bound passes first the query gives up and the lookup finishes alone.
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool found = false;
        in_addr address {};
    };

    bool Resolve(const std::string& host, Clock::time_point deadline, const std::stop_token& stop, in_addr& out)
    {
        if (inet_pton(AF_INET, host.c_str(), &out) == 1)
            return true;
        auto lookup = std::make_shared<Lookup>();
        try {
            std::thread([lookup, host] {
                addrinfo hints {};
                hints.ai_family = AF_INET;
                hints.ai_socktype = SOCK_DGRAM;
                addrinfo* res = nullptr;
                const bool ok = getaddrinfo(host.c_str(), nullptr, &hints, &res) == 0 && res;
                std::lock_guard lock(lookup->mutex);
                if (ok) {
                    lookup->address = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
                    lookup->found = true;
                }
                if (res)
                    freeaddrinfo(res);
                lookup->finished = true;
                lookup->done.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        std::unique_lock lock(lookup->mutex);
        while (!lookup->finished && !stop.stop_requested() && Clock::now() < deadline)
            lookup->done.wait_until(lock, std::min(deadline, Clock::now() + kSlice));
        if (!lookup->found)
            return false;
        out = lookup->address;
        return true;
    }

    class Socket {
    public:
        Socket()
            : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
        {
        }
        ~Socket()
        {
            if (fd_ >= 0)
                close(fd_);
        }
        Socket(const Socket&) = delete;
        Socket& operator=(const Socket&) = delete;
        int fd() const { return fd_; }

    private:
        int fd_;
    };

    std::string Describe(const NtpServer& s) { return s.host + ":" + std::to_string(s.port); }

} // namespace

std::optional<NtpServer> ParseNtpServer(const std::string& text)
{
    std::string spec = text;
    if (spec.empty()) {
        const char* env = std::getenv("HORALUX_NTP_SERVER");
        spec = env && *env ? env : kDefaultNtpServer;
    }
    NtpServer server;
    const auto colon = spec.rfind(':');
    if (colon == std::string::npos) {
        server.host = spec;
        return server;
    }
    server.host = spec.substr(0, colon);
    const std::string port = spec.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || errno != 0 || value < 1 || value > 65535 || server.host.empty()) {
        Log("nettime: bad time server \"" + spec + "\"");
        return std::nullopt;
    }
    server.port = static_cast<uint16_t>(value);
    return server;
}

std::optional<NetTime> QueryNetInstant(
    const std::string& serverText, std::chrono::milliseconds bound, std::stop_token stop)
{
    const auto deadline = Clock::now() + bound;
    const auto server = ParseNtpServer(serverText);
    if (!server)
        return std::nullopt;

    sockaddr_in dest {};
    dest.sin_family = AF_INET;
    dest.sin_port = htons(server->port);
    if (!Resolve(server->host, deadline, stop, dest.sin_addr)) {
        if (!stop.stop_requested())
            Log("nettime: cannot resolve the time server " + server->host);
        return std::nullopt;
    }

    Socket sock;
    if (sock.fd() < 0) {
        Log(std::string("nettime: no UDP socket: ") + std::strerror(errno));
        return std::nullopt;
    }
    const uint64_t transmit = RandomNtpTransmit();
    const NtpPacket request = BuildNtpRequest(transmit);
    if (sendto(sock.fd(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&dest), sizeof dest)
        != static_cast<ssize_t>(request.size())) {
        Log("nettime: cannot send to " + Describe(*server) + ": " + std::strerror(errno));
        return std::nullopt;
    }

    int ignored = 0;
    const char* lastReason = nullptr;
    auto reportIgnored = [&] {
        if (ignored > 0)
            Log("nettime: ignored " + std::to_string(ignored) + " datagram(s) while waiting for " + Describe(*server)
                + ", the last because: " + lastReason);
    };
    while (!stop.stop_requested()) {
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        const auto wait = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), kSlice);
        pollfd pfd { sock.fd(), POLLIN, 0 };
        const int ready = poll(&pfd, 1, static_cast<int>(std::max<long>(wait.count(), 1)));
        if (ready < 0 && errno != EINTR) {
            Log(std::string("nettime: waiting for the reply failed: ") + std::strerror(errno));
            break;
        }
        if (ready <= 0)
            continue;
        // Room for extension fields and a MAC, which a server may append.
        uint8_t buffer[1024];
        sockaddr_in from {};
        socklen_t fromLen = sizeof from;
        const ssize_t got
            = recvfrom(sock.fd(), buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0)
            continue; // a pending ICMP error or a spurious wake-up; keep waiting
        const auto received = Clock::now();
        if (fromLen < sizeof from || from.sin_family != AF_INET || from.sin_addr.s_addr != dest.sin_addr.s_addr
            || from.sin_port != dest.sin_port) {
            ++ignored;
            lastReason = "it came from another address or port";
            continue;
        }
        NtpReplyTime time;
        const char* reason = nullptr;
        if (!CheckNtpReply(buffer, static_cast<size_t>(got), transmit, time, reason)) {
            ++ignored;
            lastReason = reason;
            continue;
        }
        reportIgnored();
        return NetTime { NtpToInstant(time.seconds, time.fraction), received };
    }
    reportIgnored();
    if (!stop.stop_requested())
        Log("nettime: no valid reply from " + Describe(*server) + " within " + std::to_string(bound.count()) + " ms");
    return std::nullopt;
}

double QueryNetTime(const std::string& server)
{
    const auto result = QueryNetInstant(server);
    return result ? ToDateTime(result->instant) : 0.0;
}

bool ApplyNetTime(double value, ISystemClock& clock)
{
    if (value == 0)
        return false;
    return clock.SetTime(FromLocal(DecodeDateTime(value)));
}

} // namespace hx

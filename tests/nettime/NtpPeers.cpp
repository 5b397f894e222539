#include "tests/nettime/NtpPeers.h"

#include "nettime/Clock_Time.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hx::test {
namespace {

    int BindUdp(const char* address, uint16_t* port)
    {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, address, &a.sin_addr);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            if (fd >= 0)
                close(fd);
            return -1;
        }
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        if (port)
            *port = ntohs(a.sin_port);
        return fd;
    }

    void PutBE32(std::vector<uint8_t>& b, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }

} // namespace

bool ChronyServer::Start()
{
    char tmpl[] = "/tmp/hx-chrony-XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    dir_ = tmpl;
    // Take a free port from the kernel; chronyd binds it a moment later.
    const int probe = BindUdp("127.0.0.1", &port_);
    if (probe < 0)
        return false;
    close(probe);
    const std::string conf = dir_ + "/chrony.conf";
    std::ofstream(conf) << "local stratum 8\n"
                        << "bindaddress 127.0.0.1\n"
                        << "allow 127.0.0.1\n"
                        << "port " << port_ << "\n"
                        << "cmdport 0\n"
                        << "bindcmdaddress /\n"
                        << "pidfile " << dir_ << "/chronyd.pid\n";
    const std::string log = dir_ + "/chronyd.log";
    pid_ = fork();
    if (pid_ == 0) {
        execlp("chronyd", "chronyd", "-n", "-x", "-u", "root", "-L", "0", "-f", conf.c_str(), "-l", log.c_str(),
            static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0)
        return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
        if (QueryNetInstant(Address(), std::chrono::milliseconds(100)))
            return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
    }
    return false;
}

void ChronyServer::Stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (!dir_.empty()) {
        std::system(("rm -rf '" + dir_ + "'").c_str());
        dir_.clear();
    }
}

UdpResponder::UdpResponder(Script script)
    : script_(std::move(script))
{
    fd_ = BindUdp("127.0.0.1", &port_);
    otherPortFd_ = BindUdp("127.0.0.1", nullptr);
    otherAddressFd_ = BindUdp("127.0.0.2", nullptr);
    thread_ = std::thread([this] { Serve(); });
}

UdpResponder::~UdpResponder()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
    for (int fd : { fd_, otherPortFd_, otherAddressFd_ })
        if (fd >= 0)
            close(fd);
}

std::vector<std::vector<uint8_t>> UdpResponder::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void UdpResponder::Serve()
{
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
        }
        pollfd pfd { fd_, POLLIN, 0 };
        if (poll(&pfd, 1, 20) <= 0)
            continue;
        std::vector<uint8_t> request(512);
        sockaddr_in client {};
        socklen_t len = sizeof client;
        const ssize_t got
            = recvfrom(fd_, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&client), &len);
        if (got < 0)
            continue;
        request.resize(static_cast<size_t>(got));
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (!script_)
            continue;
        for (const auto& d : script_(request)) {
            const int from = d.from == ScriptedDatagram::Server ? fd_
                : d.from == ScriptedDatagram::OtherPort         ? otherPortFd_
                                                                : otherAddressFd_;
            sendto(from, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr*>(&client), len);
        }
    }
}

std::vector<uint8_t> GoodReply(const std::vector<uint8_t>& request, uint32_t seconds, uint32_t fraction)
{
    std::vector<uint8_t> r(48, 0);
    r[0] = 0x24; // leap 0, version 4, mode 4
    r[1] = 2;
    r[2] = 6;
    r[3] = 0xEC;
    for (int i = 0; i < 8 && request.size() >= 48; ++i)
        r[24 + i] = request[40 + i];
    PutBE32(r, 32, seconds); // receive time
    PutBE32(r, 36, fraction);
    PutBE32(r, 40, seconds);
    PutBE32(r, 44, fraction);
    return r;
}

} // namespace hx::test

// Time servers on loopback for the tests and the benchmark: a real chronyd with its own
// configuration (it never touches the clock: -x), and a scripted UDP responder that answers
// one request with whatever datagrams a case needs, from whichever address.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hx::test {

class ChronyServer {
public:
    ~ChronyServer() { Stop(); }
    // Starts chronyd on 127.0.0.1 and a free port, and waits until it answers (up to 5 s).
    bool Start();
    void Stop();
    uint16_t Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::string dir_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

// A reply as the test writes it: the bytes, and where they are sent from.
struct ScriptedDatagram {
    enum From { Server, OtherPort, OtherAddress };
    std::vector<uint8_t> bytes;
    From from = Server;
};

class UdpResponder {
public:
    using Script = std::function<std::vector<ScriptedDatagram>(const std::vector<uint8_t>& request)>;

    // An empty script makes a silent server: the request is read and never answered.
    explicit UdpResponder(Script script);
    ~UdpResponder();
    uint16_t Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    // The requests received so far.
    std::vector<std::vector<uint8_t>> Requests() const;

private:
    void Serve();

    Script script_;
    int fd_ = -1, otherPortFd_ = -1, otherAddressFd_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::vector<uint8_t>> requests_;
    bool stop_ = false;
};

// A well-formed server reply to `request`: version 4, mode 4, stratum 2, our transmit time
// echoed as the originate time, and the given transmit time.
std::vector<uint8_t> GoodReply(const std::vector<uint8_t>& request, uint32_t seconds, uint32_t fraction);

} // namespace hx::test

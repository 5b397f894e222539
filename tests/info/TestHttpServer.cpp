#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace hx::test {
namespace {

    int ListenOnLoopback(int& port)
    {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            throw std::runtime_error("socket");
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
            close(fd);
            throw std::runtime_error("bind/listen");
        }
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        return fd;
    }

    const char* Reason(int status)
    {
        switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
        }
    }

} // namespace

TestHttpServer::TestHttpServer(Handler handler)
    : handler_(std::move(handler))
{
    listenFd_ = ListenOnLoopback(port_);
    if (pipe(wakePipe_) != 0)
        throw std::runtime_error("pipe");
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    // Closing the pipe's write end wakes every poll on its read end: the acceptor and hung answers.
    close(wakePipe_[1]);
    acceptThread_.join();
    for (Connection& c : connections_)
        c.thread.join();
    close(wakePipe_[0]);
    close(listenFd_);
}

std::vector<HttpRequest> TestHttpServer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

int TestHttpServer::DeadPort()
{
    int port = 0;
    close(ListenOnLoopback(port));
    return port;
}

void TestHttpServer::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = { { listenFd_, POLLIN, 0 }, { wakePipe_[0], POLLIN, 0 } };
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Connections that are over are joined here, so that a long benchmark keeps few threads.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->done.load()) {
                it->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        Connection& c = connections_.emplace_back();
        c.thread = std::thread([this, fd, &c] {
            Serve(fd);
            c.done.store(true);
        });
    }
}

void TestHttpServer::Serve(int fd)
{
    std::string data;
    char buffer[4096];
    while (data.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = { { fd, POLLIN, 0 }, { wakePipe_[0], POLLIN, 0 } };
        if (poll(fds, 2, 5000) <= 0 || fds[1].revents) {
            close(fd);
            return;
        }
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            close(fd);
            return;
        }
        data.append(buffer, n);
    }
    HttpRequest request;
    size_t lineEnd = data.find("\r\n");
    std::string line = data.substr(0, lineEnd);
    size_t sp1 = line.find(' ');
    size_t sp2 = line.rfind(' ');
    request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.headers = data.substr(lineEnd + 2, data.find("\r\n\r\n") - lineEnd - 2);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }

    HttpAnswer answer = handler_(request);
    if (answer.kind == HttpAnswer::Hang) {
        pollfd wake { wakePipe_[0], POLLIN, 0 };
        poll(&wake, 1, -1);
    } else if (answer.kind == HttpAnswer::Reply || answer.kind == HttpAnswer::HeadersThenHang) {
        std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) + "\r\n";
        if (!answer.contentType.empty())
            out += "Content-Type: " + answer.contentType + "\r\n";
        if (answer.sendLength)
            out += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n";
        if (answer.kind == HttpAnswer::Reply)
            out += answer.body;
        for (size_t sent = 0; sent < out.size();) {
            ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += n;
        }
        if (answer.kind == HttpAnswer::HeadersThenHang) {
            pollfd wake { wakePipe_[0], POLLIN, 0 };
            poll(&wake, 1, -1);
        }
    }
    close(fd);
}

} // namespace hx::test

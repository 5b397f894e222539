// A small HTTP/1.1 server on 127.0.0.1 for the fetch tests: each request is answered by a
// handler that may give raw bytes, hang until the server stops, or close the connection.
// It records the request lines and headers it received.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hx::test {

struct HttpRequest {
    std::string target; // the request line's target, "/xml.php?..."
    std::string headers; // the raw header block
};

struct HttpAnswer {
    enum Kind { Reply, Hang, Close, HeadersThenHang } kind = Reply;
    int status = 200;
    std::string contentType = "text/html; charset=utf-8"; // omitted when empty
    std::string body;
    bool sendLength = true; // else the body ends when the connection closes

    static HttpAnswer Hanging() { return Of(Hang); }
    static HttpAnswer Closing() { return Of(Close); }
    static HttpAnswer Of(Kind kind)
    {
        HttpAnswer a;
        a.kind = kind;
        return a;
    }
    static HttpAnswer Text(std::string body, std::string contentType = "text/html; charset=utf-8")
    {
        HttpAnswer a;
        a.body = std::move(body);
        a.contentType = std::move(contentType);
        return a;
    }
};

class TestHttpServer {
public:
    using Handler = std::function<HttpAnswer(const HttpRequest&)>;

    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();

    int Port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<HttpRequest> Requests() const;

    // A loopback port with nothing listening on it.
    static int DeadPort();

private:
    void AcceptLoop();
    void Serve(int fd);

    Handler handler_;
    int listenFd_ = -1;
    int wakePipe_[2] = { -1, -1 };
    int port_ = 0;
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    struct Connection {
        std::thread thread;
        std::atomic<bool> done { false };
    };
    std::list<Connection> connections_;
    std::vector<HttpRequest> requests_;
};

} // namespace hx::test

// A private X server for tests and benchmarks, so that they never meet a real desktop. Xvfb
// picks a free display number itself (-displayfd) and writes it once it accepts clients; the
// server ends with the object.
#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace hx::test {

class PrivateXvfb {
public:
    explicit PrivateXvfb(const char* screen = "1280x800x24")
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            // Xvfb must not hold the caller's output open: a test runner waits for it to close.
            const int null = open("/dev/null", O_RDWR);
            for (int fd : { 0, 1, 2 })
                dup2(null, fd);
            close(fds[0]);
            const std::string out = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", out.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0", screen,
                static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            display_ = ":" + number;
    }

    ~PrivateXvfb()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;

    bool Started() const { return !display_.empty(); }
    const std::string& Display() const { return display_; } // ":N", empty when it did not start

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace hx::test

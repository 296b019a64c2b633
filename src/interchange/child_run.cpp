#include "interchange/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

namespace orv {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The child's answer: one byte saying which, then the bytes or the message.
[[noreturn]] void ChildMain(int fd, const std::function<Result<std::string>()>& work)
{
    std::string answer;
    try {
        Result<std::string> result = work();
        answer = result ? "+" + std::move(*result) : "-" + result.error();
    } catch (const std::exception& e) {
        answer = std::string("-") + e.what();
    } catch (...) {
        answer = "-an unknown error";
    }
    // _exit: the parent's exit handlers and buffers are not the child's to run.
    ::_exit(WriteAll(fd, answer.data(), answer.size()) ? 0 : 1);
}

}  // namespace

Result<std::string> RunInChild(const std::function<Result<std::string>()>& work, std::chrono::milliseconds limit)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return Fail(std::string("cannot start the reader (") + std::strerror(errno) + ")");
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return Fail(std::string("cannot start the reader (") + std::strerror(error) + ")");
    }
    if (pid == 0) {
        ::close(fds[0]);
        ChildMain(fds[1], work);
    }
    ::close(fds[1]);

    std::string answer;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return Fail("reading took longer than " + std::to_string(limit.count() / 1000) +
                    " seconds and was stopped; the file may be damaged");
    if (WIFSIGNALED(status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.empty())
        return Fail("the reader stopped on this file; it is damaged or not of the kind its name says");
    if (answer[0] != '+')
        return Fail(answer.substr(1));
    answer.erase(0, 1);
    return answer;
}

}  // namespace orv

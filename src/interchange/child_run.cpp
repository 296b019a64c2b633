#include "interchange/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

// A sanitizer's hook for its own death, there only in builds with one.
extern "C" void __sanitizer_set_death_callback(void (*)()) __attribute__((weak));

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

// The child's exit status when an allocation fails under its cap.
constexpr int kOutOfMemory = 86;

[[noreturn]] void OutOfMemory() { ::_exit(kOutOfMemory); }

// Bytes of private writable memory the process holds now (what RLIMIT_DATA counts);
// none when it cannot be told.
std::optional<uint64_t> DataInUse()
{
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char text[8192];
    std::size_t size = 0;
    for (ssize_t n; size + 1 < sizeof text && (n = ::read(fd, text + size, sizeof text - 1 - size)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text[size] = '\0';
    const char* line = std::strstr(text, "\nVmData:");
    if (!line)
        return std::nullopt;
    return std::strtoull(line + 8, nullptr, 10) * 1024;  // in kB
}

// Caps the memory the child may take from now on. Counted from what it holds already,
// since a sanitizer reserves terabytes of address space before any work starts.
void CapMemory(uint64_t budget)
{
    const std::optional<uint64_t> inUse = DataInUse();
    if (budget == 0 || !inUse)
        return;
    rlimit limit{};
    if (::getrlimit(RLIMIT_DATA, &limit) != 0)
        return;
    const rlim_t cap = static_cast<rlim_t>(*inUse + budget);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > cap)
        limit.rlim_cur = cap;
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > cap)
        limit.rlim_max = cap;
    (void)::setrlimit(RLIMIT_DATA, &limit);
    // An allocation the cap refuses ends the child at once, with a status the parent
    // reads as "out of memory", instead of unwinding through a reader half done.
    std::set_new_handler(OutOfMemory);
}

// The child's answer: one byte saying which, then the bytes or the message.
[[noreturn]] void ChildMain(int fd, const std::function<Result<std::string>()>& work, uint64_t memory)
{
    // The child's death is the parent's failure to report; a death handler inherited
    // from the parent (a fuzzer's saves the input as the parent's crash) is not run.
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(nullptr);
    CapMemory(memory);
    std::string answer;
    try {
        Result<std::string> result = work();
        answer = result ? "+" + std::move(*result) : "-" + result.error();
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    } catch (const std::exception& e) {
        answer = std::string("-") + e.what();
    } catch (...) {
        answer = "-an unknown error";
    }
    // _exit: the parent's exit handlers and buffers are not the child's to run.
    ::_exit(WriteAll(fd, answer.data(), answer.size()) ? 0 : 1);
}

}  // namespace

Result<std::string> RunInChild(const std::function<Result<std::string>()>& work, const ChildLimits& limits)
{
    const std::chrono::milliseconds limit = limits.time;
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
        ChildMain(fds[1], work, limits.memory);
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
    if (limits.memory > 0 && WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemory)
        return Fail("reading the file took more than " + std::to_string(limits.memory >> 20) +
                    " MB of memory, far more than a file of its size needs, and was stopped; it is damaged or " +
                    limits.kind);
    if (WIFSIGNALED(status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.empty())
        return Fail("the reader stopped on this file; it is damaged or " + limits.kind);
    if (answer[0] != '+')
        return Fail(answer.substr(1));
    answer.erase(0, 1);
    return answer;
}

}  // namespace orv

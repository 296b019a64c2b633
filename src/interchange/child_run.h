// Running work that may crash or hang on untrusted input in a child process, so that
// the program only ever sees its result or an error.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "base/result.h"

namespace orv {

struct ChildLimits {
    // The child is killed when it takes longer.
    std::chrono::milliseconds time{std::chrono::minutes(2)};
    // Bytes of memory the work may take on top of what the process holds when it starts
    // (the address space a sanitizer reserves up front is not counted against it); 0: no
    // cap.
    uint64_t memory = 0;
    // What the input is not when the child fails, ending the messages "...; it is damaged
    // or " + kind.
    std::string kind = "not of the kind its name says";
};

// Runs work in a forked child and returns the bytes it produced. A failure work
// returns, the child dying by a signal or running out of its memory, or the time limit
// passing (the child is then killed) all become a failure here. work runs in a copy of
// this process: what it changes stays in the child.
[[nodiscard]] Result<std::string> RunInChild(const std::function<Result<std::string>()>& work,
                                             const ChildLimits& limits);

[[nodiscard]] inline Result<std::string> RunInChild(const std::function<Result<std::string>()>& work,
                                                    std::chrono::milliseconds limit)
{
    ChildLimits limits;
    limits.time = limit;
    return RunInChild(work, limits);
}

}  // namespace orv

// Running work that may crash or hang on untrusted input in a child process, so that
// the program only ever sees its result or an error.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "model/result.h"

namespace orv {

// Runs work in a forked child and returns the bytes it produced. A failure work
// returns, the child dying by a signal, or the time limit passing (the child is then
// killed) all become a failure here. work runs in a copy of this process: what it
// changes stays in the child.
[[nodiscard]] Result<std::string> RunInChild(const std::function<Result<std::string>()>& work,
                                             std::chrono::milliseconds limit);

}  // namespace orv

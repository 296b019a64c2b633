#pragma once

namespace orv {
// The program's version string, written into the head of every game text file.
inline constexpr const char* kVersionString = "Orvane Version 1.13";
}  // namespace orv

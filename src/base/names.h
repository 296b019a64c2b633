// Names from other tools made names the game reads: one rule for a model and for the
// keyframes that move it, so that the two always agree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// A name from another tool as the game can read it: printable ASCII kept, the common
// accented Latin letters as their base letters ("Würfel" is "Wurfel", "Straße" is
// "Strasse"), and every other character (a blank, a control character, another script,
// a byte that is no UTF-8) as one '_'; cut to maxLength bytes.
std::string GameName(std::string_view source, std::size_t maxLength);

// The game names of a list of source names, for the model and its keyframes alike (both
// go through this, in the file's order of nodes, so that they agree): a source name
// given several times keeps one game name (keyframes find nodes by name), while source
// names that differ and come out alike, whatever their case, are told apart by a number
// ("Arm", "Arm_2"). An empty source name gives an empty one, for the caller to fill.
std::vector<std::string> GameNames(const std::vector<std::string>& sources, std::size_t maxLength);

}  // namespace orv

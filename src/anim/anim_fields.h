// The field rules the animation dialogs share: hexadecimal fields with their range
// message, and the names of the puppet's sub-modes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv {

// The fields are read by ParseHexField (base/text.h); one out of range shows
// RangeMessage and the dialog stays open.
// "Enter a value between 0x0 and 0xff\n".
std::string RangeMessage(uint32_t max);
// How the fields show a value: "0x%02X" for flags up to 0xFF, "0x%04X" for 0xFFFF.
std::string HexText(uint32_t value, int digits);

// The puppet's sub-modes; a sub-mode's number is its position here.
inline constexpr std::array<const char*, 34> kSubModeNames = {
    "stand",  "walk",     "run",           "walkback",  "strafeleft", "straferight", "death",
    "death2", "fire",     "fire2",         "hit",       "rising",     "drop",        "fall",
    "land",   "activate", "crouchforward", "windup",    "toss",       "place",       "magic",
    "magic2", "magic3",   "choke",         "leap",      "turnleft",   "turnright",   "crouchback",
    "fidget", "fidget2",  "holster",       "drawfists", "drawgun",    "drawsaber"};

// The position of a sub-mode name (as written, lower case), or -1.
int SubModeNumber(std::string_view name);
// "# submode 9 = fire2".
std::string SubModeDescription(int number);

}  // namespace orv

// What the import settles before Assimp reads a file (whether its header can be true,
// how much memory and time the reader gets) and how a reader's failure is told to the
// user: in their words, naming the kind of file, not in the library's.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace orv {

// The name users know a file's format by, from its extension without the dot
// ("glb" -> "glTF", "dae" -> "Collada"); the extension in capitals when it is none of
// the known ones.
std::string FormatName(const std::string& extension);

// "not a glTF file", "not an OBJ file"; "not a model file" without an extension.
std::string NotAFileOf(const std::string& extension);

// How much of a file's beginning CheckAnnouncedCounts looks at.
inline constexpr std::size_t kHeaderBytes = 64 * 1024;

// Refuses a file whose header announces more than the file's size can hold: PLY
// elements (ascii: at least two bytes a value; binary: the bytes of its properties),
// binary STL triangles (50 bytes each) and OFF vertices and faces. A reader would
// otherwise reserve room for all of them first. head is the file's beginning (at most
// kHeaderBytes are looked at), size the whole file's; extension without its dot.
Status CheckAnnouncedCounts(std::span<const uint8_t> head, uint64_t size, const std::string& extension);

// Assimp's error text as a sentence for the user: "the file is damaged or not a glTF
// file: <short reason>", the reason left out where the library's text names its own
// internals. known: whether Assimp has a reader for the extension.
std::string ReaderFailure(const std::string& error, const std::string& extension, bool known);

// Memory the reader may take for a file of size bytes: 64 times its size, at least
// 512 MB, at most 4 GB or half the machine's memory.
uint64_t ReadMemoryBudget(uint64_t size);

// Time the reader gets for a file of size bytes: 30 seconds and one more per MB, at most
// ceiling.
std::chrono::milliseconds ReadTimeLimit(uint64_t size, std::chrono::milliseconds ceiling);

}  // namespace orv

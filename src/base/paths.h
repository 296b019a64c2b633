// Names of files on disk as the game's resources give them: found without regard to
// case, and kept inside the folder they are meant for.
#pragma once

#include <filesystem>
#include <string>

namespace orv {

// The folder a file's path names, "." for a bare file name.
std::filesystem::path FolderOf(const std::string& path);

// The file named name in dir, or one whose name differs only in case (the game's files
// come from a file system that ignores case); empty when there is none.
std::filesystem::path FindFileNoCase(const std::filesystem::path& dir, const std::string& name);

// The last component of a name that may hold '/' or '\' separators, or "" when that is
// empty, "." or "..": names taken from files never lead outside the target folder.
std::string SafeFileName(const std::string& name);

}  // namespace orv

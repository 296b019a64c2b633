// A file's kind is told by its name's last extension alone, without regard to case:
// "my.ship.3do" is a model, "ship.3do.orv" a project, and a folder "models.3do" holds
// files of any kind.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The last extension of the file name, lower-cased, with its dot (".3do"); "" when the
// name has none.
std::string FileExtension(std::string_view path);

// Whether the last extension of path is ext (lower-case, with its dot: ".3do").
bool HasExtension(std::string_view path, std::string_view ext);

}  // namespace orv

#include "model/file_kind.h"

namespace orv {

std::string FileExtension(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string ext(path.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool HasExtension(std::string_view path, std::string_view ext) { return FileExtension(path) == ext; }

}  // namespace orv

#include "base/paths.h"

#include <system_error>

#include "base/text.h"

namespace orv {

namespace fs = std::filesystem;

fs::path FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path() : fs::path(".");
}

std::string SafeFileName(const std::string& name)
{
    const auto cut = name.find_last_of("/\\");
    std::string s = cut == std::string::npos ? name : name.substr(cut + 1);
    if (s == "." || s == "..")
        return {};
    return s;
}

fs::path FindFileNoCase(const fs::path& dir, const std::string& name)
{
    std::error_code ec;
    const fs::path exact = dir / name;
    if (fs::is_regular_file(exact, ec))
        return exact;
    const std::string lower = ToLowerAscii(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (ToLowerAscii(it->path().filename().string()) == lower && it->is_regular_file(ec))
            return it->path();
    return {};
}

}  // namespace orv

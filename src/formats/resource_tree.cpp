#include "formats/resource_tree.h"

#include <set>
#include <system_error>

#include "base/paths.h"
#include "formats/model3do.h"
#include "model/fileio.h"
#include "model/model.h"

namespace orv {

namespace fs = std::filesystem;

Status ExportBrindleProject(CModel& model, const std::string& title, const fs::path& projectPath,
                            const fs::path& sourceDir)
{
    fs::path base = projectPath;
    base.replace_extension();
    if (base == projectPath)
        return Fail("cannot export to " + projectPath.string() + ": the name has no extension");

    // Every source is read before anything is written.
    const std::string safeTitle = SafeFileName(title);
    std::vector<std::pair<fs::path, std::string>> copies;
    auto copyIfPresent = [&](const std::string& name, const fs::path& target) -> Status {
        const fs::path source = FindFileNoCase(sourceDir, name);
        if (source.empty())
            return {};
        auto bytes = ReadWholeTextFile(source);
        if (!bytes)
            return Fail(bytes.error());
        copies.emplace_back(target, std::move(*bytes));
        return {};
    };
    if (Status s = copyIfPresent(safeTitle + ".pup", base / "misc" / "pup" / (safeTitle + ".pup")); !s)
        return s;
    std::set<std::string> copied;
    for (const auto& mode : model.puppetModes)
        for (const auto& item : mode.items) {
            const std::string name = SafeFileName(item.keyFile);
            if (name.empty() || !copied.insert(name).second)
                continue;
            if (Status s = copyIfPresent(name, base / "3do" / "key" / name); !s)
                return s;
        }

    AtomicFileSet files;
    (void)files.Add(projectPath, "");
    static const char* const kFolders[] = {"3do",      "3do/key",  "3do/mat",  "cog",      "jkl",
                                           "mat",      "misc",     "misc/ai",  "misc/cmp", "misc/par",
                                           "misc/per", "misc/pup", "misc/snd", "misc/spr", "sound"};
    for (const char* folder : kFolders)
        (void)files.MakeFolders(base / fs::path(folder).make_preferred());
    // The head names the file, not the folders of the machine that wrote it.
    (void)files.Add(base / "3do" / (safeTitle + ".3do"), Format3do(model, safeTitle + ".3do"));
    for (const auto& [target, bytes] : copies)
        (void)files.Add(target, bytes);
    for (const auto& entry : model.customMaterials.Entries()) {
        const std::string name = SafeFileName(entry->shortName);
        if (name.empty())
            continue;
        const std::string_view bytes(reinterpret_cast<const char*>(entry->data.data()), entry->data.size());
        (void)files.Add(base / "3do" / "mat" / name, bytes);
    }
    return files.Commit();
}

}  // namespace orv

#include "formats/resource_tree.h"

#include <set>
#include <system_error>

#include "formats/model3do.h"
#include "formats/paths.h"
#include "model/fileio.h"
#include "model/model.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

Status CopyIfPresent(const fs::path& sourceDir, const std::string& name, const fs::path& target)
{
    const fs::path source = FindFileNoCase(sourceDir, name);
    if (source.empty())
        return {};
    auto bytes = ReadWholeTextFile(source);
    if (!bytes)
        return Fail(bytes.error());
    return WriteFileAtomic(target, *bytes);
}

}  // namespace

Status ExportBrindleProject(CModel& model, const std::string& title, const fs::path& projectPath,
                            const fs::path& sourceDir)
{
    if (Status s = WriteFileAtomic(projectPath, ""); !s)
        return s;

    fs::path base = projectPath;
    base.replace_extension();
    if (base == projectPath)
        return Fail("cannot export to " + projectPath.string() + ": the name has no extension");
    static const char* const kFolders[] = {"3do",      "3do/key",  "3do/mat",  "cog",      "jkl",
                                           "mat",      "misc",     "misc/ai",  "misc/cmp", "misc/par",
                                           "misc/per", "misc/pup", "misc/snd", "misc/spr", "sound"};
    for (const char* folder : kFolders) {
        const fs::path dir = base / fs::path(folder).make_preferred();
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec || !fs::is_directory(dir, ec))
            return Fail("cannot create folder " + dir.string() + (ec ? ": " + ec.message() : ""));
    }

    const std::string safeTitle = SafeFileName(title);
    if (Status s = Write3do(model, base / "3do" / (safeTitle + ".3do")); !s)
        return s;

    // Copies go on after a failure; the first failure is reported.
    Status first;
    auto note = [&](Status copied) {
        if (!copied && first)
            first = std::move(copied);
    };
    note(CopyIfPresent(sourceDir, safeTitle + ".pup", base / "misc" / "pup" / (safeTitle + ".pup")));

    std::set<std::string> copied;
    for (const auto& mode : model.puppetModes)
        for (const auto& item : mode->items) {
            const std::string name = SafeFileName(item->keyFile);
            if (name.empty() || !copied.insert(name).second)
                continue;
            note(CopyIfPresent(sourceDir, name, base / "3do" / "key" / name));
        }

    for (const auto& entry : model.customMaterials.Entries()) {
        const std::string name = SafeFileName(entry->shortName);
        if (name.empty())
            continue;
        const std::string_view bytes(reinterpret_cast<const char*>(entry->data.data()), entry->data.size());
        note(WriteFileAtomic(base / "3do" / "mat" / name, bytes));
    }
    return first;
}

}  // namespace orv

#include "anim/anim_files.h"

#include <system_error>
#include <vector>

#include "formats/keyfile.h"
#include "formats/paths.h"
#include "formats/puppet.h"
#include "formats/textbuffer.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

fs::path Canonical(const fs::path& p)
{
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    if (ec)
        return p.lexically_normal();
    fs::path c = fs::weakly_canonical(abs, ec);
    return ec ? abs.lexically_normal() : c;
}

// Whether path lies in folder or below it.
bool Within(const fs::path& path, const fs::path& folder)
{
    if (folder.empty())
        return false;
    const fs::path p = Canonical(path), f = Canonical(folder);
    auto pi = p.begin();
    for (auto fi = f.begin(); fi != f.end(); ++fi, ++pi) {
        if (fi->empty() && std::next(fi) == f.end())
            break;  // a trailing separator
        if (pi == p.end() || *pi != *fi)
            return false;
    }
    return true;
}

// The folders nothing of a document's animation is written into: the resource archive's
// folder and, for the game's own archive (in its "resource" folder), the whole
// installation; and the program's folder.
std::vector<fs::path> ProtectedFolders(const DocumentEnvironment& env)
{
    std::vector<fs::path> out;
    if (!env.resourceFile.empty()) {
        const fs::path folder = Canonical(env.resourceFile).parent_path();
        out.push_back(ToLowerAscii(folder.filename().string()) == "resource" ? folder.parent_path() : folder);
    }
    if (!env.programDir.empty())
        out.push_back(env.programDir);
    return out;
}

}  // namespace

bool IsStockKeyframe(const COrvaneDoc& doc, const std::string& name)
{
    const ResourceCatalog* catalog = doc.Environment().catalog;
    return catalog && catalog->keyframes.Lookup(name) != nullptr;
}

bool IsStockPuppet(const COrvaneDoc& doc, const std::string& name)
{
    const ResourceCatalog* catalog = doc.Environment().catalog;
    return catalog && catalog->puppets.Lookup(name) != nullptr;
}

Result<fs::path> AnimationFolder(const COrvaneDoc& doc)
{
    if (doc.PathName().empty())
        return Fail(
            "The model has no file yet; save it first, and its puppet and keyframe files are written "
            "beside it.");
    const fs::path folder =
        fs::path(doc.PathName()).has_parent_path() ? fs::path(doc.PathName()).parent_path() : fs::path(".");
    for (const fs::path& guarded : ProtectedFolders(doc.Environment()))
        if (Within(folder, guarded))
            return Fail("Puppet and keyframe files are not written into " + Canonical(folder).string() +
                        ", which belongs to the game's resources or to the program; save the model in a folder "
                        "of its own first.");
    return folder;
}

Result<fs::path> AnimationFilePath(const COrvaneDoc& doc, const std::string& name)
{
    auto folder = AnimationFolder(doc);
    if (!folder)
        return folder;
    const std::string file = SafeFileName(name);
    if (file.empty())
        return Fail("\"" + name + "\" is no file name");
    const fs::path existing = FindFileNoCase(*folder, file);
    return existing.empty() ? *folder / file : existing;
}

bool AnimationFileExists(const COrvaneDoc& doc, const std::string& name)
{
    if (doc.PathName().empty())
        return false;
    const fs::path p(doc.PathName());
    const std::string file = SafeFileName(name);
    return !file.empty() && !FindFileNoCase(p.has_parent_path() ? p.parent_path() : fs::path("."), file).empty();
}

Status WriteDocumentKeyframe(COrvaneDoc& doc)
{
    const CModel& model = *doc.model;
    if (!model.keyframe)
        return Fail("there is no keyframe to write");
    const std::string& name = model.keyframe->name;
    if (IsStockKeyframe(doc, name))
        return Fail(name + " is a stock keyframe of the game and is not changed.");
    auto path = AnimationFilePath(doc, name);
    if (!path)
        return Fail(path.error());
    return WriteKey(model, *path);
}

Status WriteDocumentPuppet(COrvaneDoc& doc)
{
    if (doc.PuppetReplaceRefused())
        return Fail(doc.PuppetFileProblem() + "; it is not replaced without asking");
    auto path = AnimationFilePath(doc, PuppetNameFor(doc.Title()));
    if (!path)
        return Fail(path.error());
    Status written = WritePup(*doc.model, *path);
    if (written)
        doc.PuppetWritten();
    return written;
}

}  // namespace orv

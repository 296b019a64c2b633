#include "document/file_formats.h"

#include <array>
#include <filesystem>
#include <string_view>

#include "base/paths.h"
#include "document/document.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "formats/resource_tree.h"
#include "formats/textbuffer.h"
#include "model/fileio.h"
#include "model/model.h"
#include "resources/searchpath.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// A 3DO model and its puppet file, found as every resource is: the file beside the model
// first, then the mod's misc/pup/ and archives, the search path, the game's. A file that
// ends early is read as far as it goes.
Result<OpenedModel> Read3doDocument(const std::string& path, const ResourceSources& sources)
{
    OpenedModel out;
    auto m = std::make_unique<CModel>();
    // The corners are built with the material sizes once the model is the document's:
    // custom materials are looked up in the document's model.
    const auto status = Load3doFile(path, *m);
    // A file that cannot be read must not open as an empty model that a later save
    // would write over it.
    if (!status)
        return Fail(status.error());
    // A file that ended early or is damaged opens with what was read; saving over it asks
    // first.
    if (!status->complete)
        out.readInPart = status->missing;
    out.readDamaged = status->damaged;
    m->formatTag = "JK1";
    const std::string pup = PuppetNameFor(path);
    const fs::path beside = FindFileNoCase(FolderOf(path), pup);
    if (!beside.empty())
        out.puppetFile = beside.filename().string();
    const auto found = FindResource(sources, ResourceKind::Puppet, pup);
    if (!found && !beside.empty())
        out.puppetProblem = out.puppetFile + " cannot be read: " + found.error();
    if (found) {
        TextBuffer buffer(std::string(found->bytes.begin(), found->bytes.end()));
        const ReadStatus read = ReadPup(*m, buffer);
        // The file beside is the one the puppet is written to: what it lacks matters.
        std::error_code ec;
        if (!beside.empty() && fs::equivalent(found->origin, beside, ec)) {
            if (!read.recognised)
                out.puppetProblem = out.puppetFile + " holds no puppet modes";
            else if (!read.complete)
                out.puppetProblem = out.puppetFile + " ended early: " + read.missing;
        }
    }
    out.model = std::move(m);
    return out;
}

Result<OpenedModel> ReadProjectDocument(const std::string& path, const ResourceSources&)
{
    auto project = ReadProjectFile(path);
    if (!project)
        return Fail(project.error());
    OpenedModel out;
    out.model = std::move(project->model);
    out.camera = project->camera;
    out.savedCamera = true;
    return out;
}

Status WriteProjectDocument(COrvaneDoc& doc, const std::string& path)
{
    return WriteProjectFile(path, *doc.model, doc.CameraForSave());
}

Status Write3doDocument(COrvaneDoc& doc, const std::string& path) { return Write3do(*doc.model, path); }

Status WriteResourceTree(COrvaneDoc& doc, const std::string& path)
{
    std::string title = doc.Title().empty() ? fs::path(path).stem().string() : doc.Title();
    const auto dot = title.find('.');
    if (dot != std::string::npos)
        title.resize(dot);
    // The puppet file and keyframes are copied from where the document's own were
    // looked for: beside it (the program folder for a document without a file).
    const fs::path sources = doc.PathName().empty() ? doc.Environment().programDir : FolderOf(doc.PathName());
    return ExportBrindleProject(*doc.model, title, path, sources);
}

// The order of the file dialogs: the project first, then the game's files.
const std::array<DocumentFormat, 4> kFormats{{
    {FileKind::Project, "Orvane Files", true, true, false, true, ReadProjectDocument, WriteProjectDocument},
    {FileKind::ResourceTree, "Brindle Project Files", false, true, true, true, nullptr, WriteResourceTree},
    {FileKind::Model3do, "3DO Files", true, true, true, false, Read3doDocument, Write3doDocument},
    {FileKind::Puppet, "PUP Files", true, false, false, false, nullptr, nullptr},
}};

}  // namespace

std::span<const DocumentFormat> DocumentFormats() { return kFormats; }

const DocumentFormat* DocumentFormatOf(FileKind kind)
{
    for (const auto& f : kFormats)
        if (f.kind == kind)
            return &f;
    return nullptr;
}

const DocumentFormat& OpenFormatFor(std::string_view path)
{
    const DocumentFormat* f = DocumentFormatOf(FileKindOf(path));
    return f && f->read ? *f : kFormats.front();
}

const DocumentFormat* SaveFormatFor(std::string_view path)
{
    const FileKind kind = FileKindOf(path);
    if (kind == FileKind::Unknown)
        return &kFormats.front();
    const DocumentFormat* f = DocumentFormatOf(kind);
    return f && f->write ? f : nullptr;
}

FileFilter FilterOf(const DocumentFormat& format)
{
    const std::string pattern = "*" + std::string(ExtensionOf(format.kind));
    return {std::string(format.typeName) + " (" + pattern + ")", {pattern}};
}

FileFilters OpenFilters()
{
    FileFilter all{"All Orvane Files (", {}};
    FileFilters each;
    for (const auto& f : kFormats) {
        if (!f.opens)
            continue;
        FileFilter one = FilterOf(f);
        all.description += (all.patterns.empty() ? "" : ";") + one.patterns.front();
        all.patterns.push_back(one.patterns.front());
        each.push_back(std::move(one));
    }
    all.description += ")";
    each.insert(each.begin(), std::move(all));
    return each;
}

FileFilters SaveFilters()
{
    FileFilters filters;
    for (const auto& f : kFormats)
        if (f.saves)
            filters.push_back(FilterOf(f));
    return filters;
}

}  // namespace orv

// orvane-tool: the command-line front end of the editor's core.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "document/document.h"
#include "model/file_kind.h"
#include "model/model.h"
#include "model/settings.h"
#include "model/version.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/searchpath.h"

namespace orv::cli {

void Warn(const std::string& file, const std::string& text)
{
    // Names from files (an archive's items, a model's meshes) reach the terminal escaped.
    std::fprintf(stderr, "orvane-tool: %s: %s\n", TerminalSafe(file).c_str(), TerminalSafe(text).c_str());
}

int Fail(const std::string& file, const std::string& reason)
{
    Warn(file, reason);
    return 1;
}

int CheckComplete(const std::string& file, bool complete, const std::string& missing, const Options& opts)
{
    if (complete)
        return 0;
    if (!opts.partial)
        return Fail(file, "incomplete: " + missing + " (--partial converts what was read)");
    Warn(file, "incomplete: " + missing + "; converting what was read");
    return 0;
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "orvane-tool: %s (see orvane-tool --help)\n", TerminalSafe(message).c_str());
    return 2;
}

struct ResourceContext {
    ResourceCatalog catalog;
    ResourceSearchPath searchPath;
};

Result<ResourceHandle> OpenResources(const Options& opts, const std::string& modelFile, ModFolderSearch modFolders,
                                     std::function<const SortedEntryList*()> customMaterials)
{
    ResourceHandle out;
    const bool folders = !modelFile.empty() && (modFolders == ModFolderSearch::Always || opts.AnyResources());
    if (!opts.AnyResources() && !folders)
        return out;
    auto ctx = std::make_shared<ResourceContext>();
    ResourceSources sources;
    if (!opts.resources.empty()) {
        if (const auto load = LoadCatalog(opts.resources, ctx->catalog); !load)
            return orv::Fail(load.error());
        sources.catalog = &ctx->catalog;
        sources.resourceFile = opts.resources;
        out.catalog = &ctx->catalog;
    }
    if (!opts.extraResources.empty()) {
        const auto problems = ctx->searchPath.Set(opts.extraResources);
        if (!problems.empty())
            return orv::Fail(problems.front());
        sources.searchPath = &ctx->searchPath;
        out.searchPath = &ctx->searchPath;
    }
    if (folders)
        sources.modFolders = IndexMod(modelFile);
    out.sources = sources;
    out.textureSize = MaterialSizeFunction(std::move(sources), ColormapName(opts), std::move(customMaterials));
    out.context = std::move(ctx);
    return out;
}

Result<ResourceHandle> OpenResourcesFor(const Options& opts, const std::string& modelFile, COrvaneDoc& doc)
{
    auto resources = OpenResources(opts, modelFile, ModFolderSearch::Always, [&doc]() -> const SortedEntryList* {
        return doc.model ? &doc.model->customMaterials : nullptr;
    });
    if (!resources)
        return resources;
    DocumentEnvironment env;
    if (resources->catalog) {
        env.catalog = resources->catalog;
        env.resourceFile = opts.resources;
    }
    env.searchPath = resources->searchPath;
    env.textureSize = resources->textureSize;
    doc.SetEnvironment(std::move(env));
    return resources;
}

std::string ResourcesName(const Options& opts) { return opts.resources.empty() ? "--resources" : opts.resources; }

std::string ColormapName(const Options& opts) { return opts.colormap.empty() ? Settings{}.colorMap : opts.colormap; }

void NoteColormap(const std::string& file, const ResourceSources& sources, const std::string& colormap)
{
    if (const auto found = FindColormap(sources, colormap); found && found->fallback)
        Warn(file, found->origin);
}

void PrintModelSummary(const CModel& model)
{
    std::size_t meshes = 0, vertices = 0, faces = 0;
    for (const auto& g : model.geosets)
        for (const auto& m : g.meshes) {
            ++meshes;
            vertices += m.vertices.size();
            faces += m.faces.size();
        }
    std::printf("geosets: %zu\nmeshes: %zu\nvertices: %zu\nfaces: %zu\nnodes: %zu\nmaterials: %zu\n",
                model.geosets.size(), meshes, vertices, faces, model.nodes.size(), model.materials.size());
}

}  // namespace orv::cli

namespace {

using namespace orv::cli;

void PrintUsage(const Registry& reg, std::FILE* out)
{
    std::fputs(
        "Usage: orvane-tool COMMAND [ARGS] [--resources ARCHIVE|FOLDER]... [--colormap NAME|FILE] [--partial]\n\n"
        "  --resources            the game's archive (the first archive given), then further\n"
        "                         archives and mod folders; a model's materials, colormaps,\n"
        "                         keyframes and puppet are looked for in the mod around it\n"
        "                         (its folders, then its archives), then in these further ones\n"
        "                         in order, then in the game's\n"
        "  --colormap             a colormap by name, or a .cmp file by its path; one found\n"
        "                         nowhere gives way to the mod's own (dflt.cmp first), with a note\n"
        "  --help                 show this text\n"
        "  --version              print the program's version\n"
        "  --partial              let convert take a file that ends early, as far as it goes\n",
        out);
    if (!reg.info.empty()) {
        std::string exts;
        for (const auto& h : reg.info)
            for (const orv::FileKind kind : h.kinds)
                for (const auto& k : orv::KnownFileKinds())
                    if (k.kind == kind)
                        for (std::string_view e : k.extensions)
                            exts += (exts.empty() ? "" : " ") + std::string(e);
        std::fprintf(out, "  info FILE              describe a file (%s)\n", exts.c_str());
    }
    if (!reg.convert.empty()) {
        std::string pairs;
        for (const auto& h : reg.convert)
            pairs += (pairs.empty() ? "" : ", ") + std::string(orv::ExtensionOf(h.from)) + " -> " +
                     std::string(orv::ExtensionOf(h.to));
        std::fprintf(out, "  convert IN OUT         read IN and write OUT (%s)\n", pairs.c_str());
    }
    for (const auto& s : reg.subcommands)
        std::fputs(s.usage.c_str(), out);
    std::fputs(
        "\nA model, keyframe or puppet file that ends before what it announces gets an \"incomplete:\" line\n"
        "from info, which then exits with 1.\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written or is incomplete, 2 for wrong usage.\n",
        out);
}

}  // namespace

int main(int argc, char** argv)
{
    Registry reg;
    RegisterFormatCommands(reg);
    RegisterResourceCommands(reg);
#ifdef ORVANE_TOOL_RENDER
    RegisterRenderCommand(reg);
#endif
    RegisterProjectCommands(reg);
    RegisterInterchangeCommands(reg);
    RegisterFitCommand(reg);

    std::vector<std::string> args;
    Options opts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--partial") {
            opts.partial = true;
        } else if (a == "--resources" || a == "--colormap") {
            if (i + 1 >= argc)
                return Usage(a + " needs a value");
            const std::string value = argv[++i];
            std::error_code ec;
            if (a == "--colormap")
                opts.colormap = value;
            else if (opts.resources.empty() && !std::filesystem::is_directory(value, ec))
                opts.resources = value;  // the first archive is the game's
            else
                opts.extraResources.push_back(value);
        } else {
            args.push_back(a);
        }
    }
    if (args.empty()) {
        PrintUsage(reg, stderr);
        return 2;
    }
    const std::string cmd = args[0];
    args.erase(args.begin());
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        PrintUsage(reg, stdout);
        return 0;
    }
    if (cmd == "--version") {
        std::printf("%s\n", orv::kVersionString);
        return 0;
    }
    if (cmd == "info") {
        if (args.size() != 1)
            return Usage("info takes one file");
        const orv::FileKind kind = orv::FileKindOf(args[0]);
        for (const auto& h : reg.info)
            if (kind != orv::FileKind::Unknown && std::find(h.kinds.begin(), h.kinds.end(), kind) != h.kinds.end())
                return h.run(args[0], opts);
        return Usage("info does not know files of type '" + orv::FileExtension(args[0]) + "'");
    }
    if (cmd == "convert") {
        if (args.size() != 2)
            return Usage("convert takes an input and an output file");
        const orv::FileKind from = orv::FileKindOf(args[0]), to = orv::FileKindOf(args[1]);
        for (const auto& h : reg.convert)
            if (from != orv::FileKind::Unknown && h.from == from && h.to == to)
                return h.run(args[0], args[1], opts);
        return Usage("convert cannot turn '" + orv::FileExtension(args[0]) + "' into '" + orv::FileExtension(args[1]) +
                     "'");
    }
    for (const auto& s : reg.subcommands)
        if (s.name == cmd)
            return s.run(args, opts);
    return Usage("unknown command '" + cmd + "'");
}

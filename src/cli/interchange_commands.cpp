// orvane-tool export and import: models to and from the formats other 3D tools use.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/tool.h"
#include "document/document.h"
#include "document/file_formats.h"
#include "document/save_plan.h"
#include "edit/fit.h"
#include "formats/keyfile.h"
#include "interchange/interchange.h"
#include "model/fileio.h"
#include "model/settings.h"
#include "resources/catalog.h"
#include "resources/material.h"

namespace orv::cli {

namespace fs = std::filesystem;

// `import ANIM OUT.key`, in anim_import_command.cpp.
bool ImportsKeyframe(const std::vector<std::string>& args);
int ImportKeyframe(const std::vector<std::string>& args, const Options& opts);

namespace {

// The options of a subcommand: the positional arguments and the values of the named ones.
struct Parsed {
    std::vector<std::string> positional;
    std::string geoset, key, scale, up;
};

// Returns an exit status for wrong usage, -1 when the arguments are fine.
int Parse(const std::string& command, const std::vector<std::string>& args, const std::vector<std::string>& named,
          Parsed& out)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (std::find(named.begin(), named.end(), a) != named.end()) {
            if (i + 1 >= args.size())
                return Usage(command + ": " + a + " needs a value");
            (a == "--geoset" ? out.geoset : a == "--key" ? out.key : a == "--up" ? out.up : out.scale) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(command + ": unknown option '" + a + "'");
        } else {
            out.positional.push_back(a);
        }
    }
    return -1;
}

int Export(const std::vector<std::string>& args, const Options& opts)
{
    Parsed p;
    if (const int rc = Parse("export", args, {"--geoset", "--key"}, p); rc >= 0)
        return rc;
    if (p.positional.size() != 2)
        return Usage("export takes a model and an output file (.glb, .gltf or .obj)");
    const std::string& in = p.positional[0];
    const std::string& out = p.positional[1];
    ExportOptions options;
    if (!p.geoset.empty()) {
        char* end = nullptr;
        const long g = std::strtol(p.geoset.c_str(), &end, 10);
        if (*end != '\0' || end == p.geoset.c_str() || g < 0 || g > 1000)
            return Usage("export: --geoset takes the number of a geometry set, from 0");
        options.geoset = static_cast<int32_t>(g);
    }
    const FileKind kind = FileKindOf(out);
    if (kind != FileKind::GltfBinary && kind != FileKind::Gltf && kind != FileKind::Obj)
        return Usage("export writes .glb, .gltf or .obj files, not '" + FileExtension(out) + "'");
    if (!p.key.empty() && kind == FileKind::Obj)
        return Usage("export: --key needs a .glb or .gltf file (OBJ holds no animation)");

    // Opened as the editor opens it, its materials looked for where drawing looks for them
    // (the sizes of custom materials come from the model).
    const Settings settings;
    COrvaneDoc doc(settings, {});
    const auto resources = OpenResourcesFor(opts, in, doc);
    if (!resources)
        return Fail(ResourcesName(opts), resources.error());
    if (Status opened = doc.OpenDocument(in); !opened)
        return Fail(in, opened.error());
    if (const int rc = CheckComplete(in, doc.ReadInPart().empty(), doc.ReadInPart(), opts))
        return rc;

    std::optional<CKeyframe> keyframe;
    if (!p.key.empty()) {
        auto key = LoadKeyFile(p.key, *doc.model);
        if (!key)
            return Fail(p.key, key.error());
        if (const int rc = CheckComplete(p.key, key->status.complete, key->status.missing, opts))
            return rc;
        keyframe = std::move(key->keyframe);
        options.keyframe = &*keyframe;
    }
    ResourceSources sources = resources->sources;
    sources.customMaterials = &doc.model->customMaterials;
    NoteColormap(in, sources, ColormapName(opts));
    UseMaterialSources(options, std::move(sources), ColormapName(opts));
    options.textureSize = doc.Environment().textureSize;
    options.title = fs::path(in).stem().string();
    const auto report = ExportModel(*doc.model, out, options);
    if (!report)
        return Fail(out, report.error());
    if (!report->missingMaterials.empty()) {
        std::string list;
        for (const auto& m : report->missingMaterials)
            list += (list.empty() ? "" : ", ") + m;
        Warn(out, "materials not found, exported as plain colours: " + list);
    }
    // Found but not drawn: one line for each reason (most often the one colormap missing).
    std::vector<std::pair<std::string, std::string>> byReason;
    for (const auto& [name, why] : report->undrawnMaterials) {
        auto it = std::find_if(byReason.begin(), byReason.end(), [&](const auto& r) { return r.first == why; });
        if (it == byReason.end())
            byReason.emplace_back(why, name);
        else
            it->second += ", " + name;
    }
    for (const auto& [why, names] : byReason)
        Warn(out, "materials found, but " + why + "; exported as plain colours: " + names);
    if (keyframe && report->animatedNodes == 0)
        Warn(p.key, "the keyframe moves none of the model's nodes");
    return 0;
}

int Import(const std::vector<std::string>& arguments, const Options& opts)
{
    if (ImportsKeyframe(arguments))
        return ImportKeyframe(arguments, opts);
    // --fit: the imported model brought within the engine's limits before it is written.
    std::vector<std::string> args = arguments;
    const auto fitFlag = std::find(args.begin(), args.end(), std::string("--fit"));
    const bool fit = fitFlag != args.end();
    if (fit)
        args.erase(fitFlag);
    FitOptions fitOptions;
    if (const int rc = TakeLevels("import", args, fitOptions); rc >= 0)
        return rc;
    if (fitOptions.levels > 0 && !fit)
        return Usage("import: --levels goes with --fit");
    Parsed p;
    if (const int rc = Parse("import", args, {"--scale", "--up"}, p); rc >= 0)
        return rc;
    if (p.positional.size() != 2)
        return Usage("import takes a model file of another tool and an output file (.3do or .orv)");
    const std::string& in = p.positional[0];
    const std::string& out = p.positional[1];
    const FileKind kind = FileKindOf(out);
    if (kind != FileKind::Model3do && kind != FileKind::Project)
        return Usage("import writes .3do or .orv files, not '" + FileExtension(out) + "'");
    ImportOptions options;
    if (!p.scale.empty()) {
        char* end = nullptr;
        const float scale = std::strtof(p.scale.c_str(), &end);
        if (*end != '\0' || end == p.scale.c_str() || !(scale > 0.0f) || !std::isfinite(scale))
            return Usage("import: --scale takes a positive number");
        options.scale = scale;
    }
    if (p.up == "z")
        options.up = UpAxis::Z;
    else if (!p.up.empty() && p.up != "y")
        return Usage("import: --up takes y or z (the file's axis that points up), not '" + p.up + "'");

    // The materials of the game and of the mod the output goes into stay references.
    Palette palette{};
    const std::string colormap = ColormapName(opts);
    const auto resources = OpenResources(opts, out, ModFolderSearch::Always);
    if (!resources)
        return Fail(ResourcesName(opts), resources.error());
    options.resources = resources->sources;
    options.textureSize = resources->textureSize;
    // Textures are remapped onto the colormap render and export will draw them through
    // (found as they find it, so that nothing more need be given to them); without one
    // anywhere, onto the sample palette.
    std::vector<std::string> colormapNotes;
    if (const auto found = FindColormap(resources->sources, colormap)) {
        const auto cmp = ParseColormap(found->bytes);
        if (!cmp)
            return Fail(found->origin, cmp.error());
        palette = cmp->palette;
        options.palette = &palette;
        if (found->fallback)
            colormapNotes.push_back(found->origin);
        // A colormap given that render would not find by itself is one to give it again.
        const auto drawn = FindColormap(resources->sources, ColormapName(Options{}));
        if (!drawn || drawn->bytes != found->bytes)
            colormapNotes.push_back("the textures are made for " + found->name +
                                    "; render and export draw them through it when given --colormap " + colormap);
    } else if (!opts.colormap.empty() || !opts.resources.empty()) {
        return Fail(opts.colormap.empty() ? opts.resources : opts.colormap, found.error());
    }
    auto imported = ImportModel(in, options);
    if (!imported)
        return Fail(in, imported.error());
    for (const auto& note : imported->notes)
        Warn(in, note);
    for (const auto& note : colormapNotes)
        Warn(out, note);
    if (fit) {
        PrintFitReport(FitToEngineLimits(*imported->model, fitOptions), out);
        imported->breaches = CheckEngineLimits(*imported->model);
    }
    for (const auto& breach : imported->breaches)
        Warn(out, "does not fit the engine: " + breach.text);

    const Settings settings;
    COrvaneDoc doc(settings, {});
    doc.model = std::move(imported->model);
    return SaveWithMaterials(doc, out);
}

}  // namespace

void RegisterInterchangeCommands(Registry& registry)
{
    registry.subcommands.push_back(
        {"export",
         "  export MODEL OUT.glb|OUT.gltf|OUT.obj [--geoset N] [--key KEYFILE]\n"
         "                         a model (.3do or .orv) for other 3D tools: one geometry set\n"
         "                         (default 0) under its nodes, y up, materials as PNG pictures\n"
         "                         through the colormap, found as render finds them (the mod\n"
         "                         around the model, then --resources; plain colours for those\n"
         "                         found nowhere or not drawn, named on standard error);\n"
         "                         --key adds the keyframe as an animation (glTF only)\n",
         Export});
    registry.subcommands.push_back(
        {"import",
         "  import IN OUT.3do|OUT.orv [--scale S] [--up y|z] [--fit [--levels N]]\n"
         "                         a model of another tool (OBJ, glTF, FBX, Collada, 3DS, PLY and\n"
         "                         whatever else Assimp reads) as a model the game takes; lengths\n"
         "                         in metres where the file states its unit (FBX, Collada), then\n"
         "                         times S (default 1); --up z: the file's +z is up (OBJ, PLY, STL\n"
         "                         and others that do not say; default y), ignored with a note for\n"
         "                         glTF, FBX, Collada and 3DS, which state their own; textures\n"
         "                         become custom materials remapped onto the colormap render will\n"
         "                         draw them through (--colormap, found around OUT and in\n"
         "                         --resources; none anywhere: the sample palette), transparent\n"
         "                         where their pixels are see-through; a .3do gets them beside it;\n"
         "                         a material named like one of --resources or of the mod around\n"
         "                         OUT stays a reference to it; --fit\n"
         "                         then brings it within the engine's limits as fit does, with\n"
         "                         --levels N as fit's\n",
         Import});
    registry.subcommands.push_back(
        {"import",
         "  import ANIM OUT.key --model MODEL [--animation NAME] [--fps F]\n"
         "                         an animation of another tool (glTF, FBX, Collada, ...) as a\n"
         "                         keyframe of MODEL: its animated nodes matched to the model's by\n"
         "                         name (in any case), sampled at F frames per second (default 15),\n"
         "                         an entry only where the motion needs one; NAME picks one of\n"
         "                         several animations (default the first)\n",
         ImportKeyframe});
}

}  // namespace orv::cli

// orvane-tool import ANIM OUT.key --model MODEL: the animation of another tool's file as
// a keyframe of a game model.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "document/document.h"
#include "interchange/anim_import.h"
#include "model/file_kind.h"
#include "model/settings.h"

namespace orv::cli {

// Whether `import` is asked for a keyframe: its output (the second file named) is a KEY.
bool ImportsKeyframe(const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--model" || a == "--animation" || a == "--fps" || a == "--scale" || a == "--up")
            ++i;  // and its value
        else if (a.empty() || a[0] != '-' || a.size() == 1)
            files.push_back(a);
    }
    return files.size() >= 2 && FileKindOf(files[1]) == FileKind::Keyframe;
}

int ImportKeyframe(const std::vector<std::string>& args, const Options&)
{
    std::vector<std::string> files;
    std::string model, animation, fps;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--model" || a == "--animation" || a == "--fps") {
            if (i + 1 >= args.size())
                return Usage("import: " + a + " needs a value");
            (a == "--model" ? model : a == "--animation" ? animation : fps) = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("import: unknown option '" + a + "' for a keyframe");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return Usage("import takes an animated file of another tool and an output file (.key)");
    if (model.empty())
        return Usage("import: a keyframe needs --model MODEL (.3do or .orv), whose nodes it moves");
    AnimationImportOptions options;
    options.animation = animation;
    if (!fps.empty()) {
        char* end = nullptr;
        const float f = std::strtof(fps.c_str(), &end);
        if (*end != '\0' || end == fps.c_str() || !(f >= kMinKeyFps && f <= kMaxKeyFps))
            return Usage("import: --fps takes a number of frames per second from 1 to 240");
        options.fps = f;
    }
    const std::string& in = files[0];
    const std::string& out = files[1];

    const Settings settings;
    COrvaneDoc doc(settings, {});
    if (Status opened = doc.OpenDocument(model); !opened)
        return Fail(model, opened.error());
    auto imported = ImportAnimation(*doc.model, in, options);
    if (!imported)
        return Fail(in, imported.error());
    for (const auto& name : imported->unmatched)
        Warn(in, "the model has no node '" + name + "'; its motion is left out");
    for (const auto& note : imported->notes)
        Warn(in, note);
    if (Status written = WriteImportedKeyframe(*doc.model, imported->keyframe, out); !written)
        return Fail(out, written.error());
    std::printf("%s: animation '%s', %d frames at %g fps, %zu nodes, %zu entries\n", TerminalSafe(out).c_str(),
                TerminalSafe(imported->animation).c_str(), imported->keyframe.frames,
                static_cast<double>(imported->keyframe.fps), imported->animatedNodes, imported->entries);
    return 0;
}

}  // namespace orv::cli

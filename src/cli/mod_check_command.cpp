// `check MOD...`: a whole mod (folders, GOB/GOO archives) checked file by file and
// across files, one line per finding, or JSON for scripts.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli/tool.h"
#include "resources/modcheck.h"

namespace orv::cli {

int CheckModCommand(std::vector<std::string> args, const Options& opts)
{
    const auto json = std::find(args.begin(), args.end(), "--json");
    const bool asJson = json != args.end();
    if (asJson)
        args.erase(json);
    if (args.empty())
        return Usage("check takes a mod: its folder, its archives or both");
    ModCheckOptions options;
    options.mod.assign(args.begin(), args.end());
    if (!opts.resources.empty())
        options.game.push_back(opts.resources);
    options.game.insert(options.game.end(), opts.extraResources.begin(), opts.extraResources.end());
    options.colormap = opts.colormap;
    // Progress only where someone watches it, overwritten in place.
    const bool terminal = isatty(STDERR_FILENO) != 0;
    if (terminal)
        options.progress = [](std::size_t done, std::size_t total) {
            if (done == total || done % 16 == 0)
                std::fprintf(stderr, "\rchecking %zu of %zu files", done, total);
        };
    const auto report = CheckMod(options);
    if (terminal)
        std::fputs("\r\033[K", stderr);
    if (!report) {
        Warn(args.front(), report.error());
        return 2;
    }
    if (asJson) {
        std::fputs(ModCheckJson(*report).c_str(), stdout);
    } else {
        for (const Finding& f : report->findings)
            std::printf("%s\n", TerminalSafe(f.Line()).c_str());
        std::printf("%s\n", report->Summary().c_str());
    }
    return report->Count(Severity::Error) ? 1 : 0;
}

}  // namespace orv::cli

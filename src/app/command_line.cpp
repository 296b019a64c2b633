#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orv {

namespace {

// Options that QGuiApplication, QApplication and the X11 platform read themselves (with
// one dash or two); the first group takes a value.
constexpr std::array<std::string_view, 14> kToolkitWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title",         "name"};
constexpr std::array<std::string_view, 6> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb",  "sync",        "testability"};

bool In(const auto& list, std::string_view name) { return std::find(list.begin(), list.end(), name) != list.end(); }

}  // namespace

EditorCommandLine ParseEditorCommandLine(const std::vector<std::string>& args)
{
    EditorCommandLine line;
    auto wrong = [&line](std::string problem) {
        line.action = EditorCommandLine::Action::Wrong;
        line.problem = std::move(problem);
        return line;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            line.action = EditorCommandLine::Action::Help;
            return line;
        }
        if (a == "--version") {
            line.action = EditorCommandLine::Action::Version;
            return line;
        }
        if (a == "--no-splash") {
            line.splash = false;
            continue;
        }
        if (a == "--new-instance") {
            line.newInstance = true;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            std::string_view name(a);
            name.remove_prefix(name.starts_with("--") ? 2 : 1);
            // -style=fusion and -qmljsdebugger=port:1234 carry their value.
            const auto equals = name.find('=');
            const bool hasValue = equals != std::string_view::npos;
            name = name.substr(0, equals);
            if (In(kToolkitFlags, name) || (hasValue && (In(kToolkitWithValue, name) || name == "qmljsdebugger")))
                continue;
            if (In(kToolkitWithValue, name)) {
                if (i + 1 >= args.size())
                    return wrong(a + " needs a value");
                ++i;
                continue;
            }
            return wrong("unknown option '" + a + "'");
        }
        if (!line.file.empty())
            return wrong("one file at a time ('" + line.file + "' and '" + a + "' given)");
        line.file = a;
    }
    return line;
}

std::string EditorUsage()
{
    return "Usage: orvane [--no-splash] [--new-instance] [FILE]\n"
           "\n"
           "The editor for the 3D object models (3DO) of Jedi Knight and Mysteries of the Sith.\n"
           "Opens FILE: a model (.3do) or project (.orv), a model of another 3D tool (.obj, .glb,\n"
           ".gltf, .fbx, .dae, .3ds, .ply, .stl, .off) as an import, a GOB/GOO archive in the\n"
           "File Manager; without one, a new document.\n"
           "\n"
           "While the editor runs on the display, starting it again hands FILE to that editor,\n"
           "which opens it and comes to the front, and ends: one editor keeps one clipboard, the\n"
           "undo steps of every model and the settings.\n"
           "\n"
           "  --no-splash            start without the splash box and the tip of the day\n"
           "  --new-instance         start another editor even when one is running; it has its\n"
           "                         own clipboard and undo steps, and the settings of the one\n"
           "                         that ends last are kept\n"
           "  --help                 show this text\n"
           "  --version              print the program's version\n"
           "\n"
           "Qt's own options (-platform NAME, -style NAME, -display NAME, ...) are passed to Qt.\n"
           "The command-line tool for files without a window is orvane-tool (see orvane-tool --help).\n"
           "Exit status: 0, 1 when the editor cannot start, 2 for wrong usage.\n";
}

}  // namespace orv

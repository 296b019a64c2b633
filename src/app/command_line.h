// The editor's command line, read before the toolkit starts: --help and --version must
// answer (and wrong usage be refused) without a display to connect to.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct EditorCommandLine {
    enum class Action { Run, Help, Version, Wrong };
    Action action = Action::Run;
    std::string file;    // the file to open; empty: a new document
    bool splash = true;  // --no-splash: no splash box and no tip of the day
    // --new-instance: another editor even when one is running, instead of handing the
    // file to it
    bool newInstance = false;
    std::string problem;  // what is wrong, for Action::Wrong
};

// args without the program's name. The toolkit's own options (-platform NAME, -style
// NAME, ...) are accepted and left to it.
EditorCommandLine ParseEditorCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string EditorUsage();

}  // namespace orv

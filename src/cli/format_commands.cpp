// orvane-tool commands for the game's text formats (3DO, KEY, PUP).
#include "cli/tool.h"

namespace orv::cli {

void RegisterFormatCommands(Registry&) {}

}  // namespace orv::cli

// orvane-tool commands for the game's resources (GOB/GOO archives, MAT, CMP, BMP).
#include "cli/tool.h"

namespace orv::cli {

void RegisterResourceCommands(Registry&) {}

}  // namespace orv::cli

# Source lists of the targets. Core files live outside src/app and src/render/ui.
set(ORVANE_CORE_SOURCES
  src/model/geometry.cpp
  src/model/model.cpp
  src/model/tree.cpp
  src/model/fileio.cpp
  src/model/projectfile.cpp
  src/model/undo.cpp
  src/model/settings.cpp
)
set(ORVANE_TOOL_SOURCES
  src/cli/main.cpp
  src/cli/format_commands.cpp
  src/cli/resource_commands.cpp
)
set(ORVANE_UI_SOURCES
  src/app/mainframe.cpp
)

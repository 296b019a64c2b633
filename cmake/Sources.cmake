# Source lists of the targets. Core files live outside src/app and src/render/gl.
set(ORVANE_CORE_SOURCES
  src/model/geometry.cpp
  src/model/model.cpp
  src/model/tree.cpp
  src/model/fileio.cpp
  src/model/projectfile.cpp
  src/model/undo.cpp
  src/model/settings.cpp
  src/render/camera.cpp
  src/render/hierarchy.cpp
  src/edit/selection.cpp
  src/edit/view_commands.cpp
  src/edit/document.cpp
  src/model/corners.cpp
  src/formats/textformat.cpp
  src/formats/textbuffer.cpp
  src/formats/model3do.cpp
  src/formats/keyfile.cpp
  src/formats/puppet.cpp
  src/formats/samplemodel.cpp
  src/resources/archive.cpp
  src/resources/bitmap.cpp
  src/resources/catalog.cpp
  src/resources/filemanager.cpp
  src/resources/material.cpp
  src/resources/registry.cpp
  src/resources/sample.cpp
)
set(ORVANE_TOOL_SOURCES
  src/cli/main.cpp
  src/cli/format_commands.cpp
  src/cli/resource_commands.cpp
)
set(ORVANE_UI_SOURCES
  src/app/childframe.h
  src/app/dialogs.cpp
  src/app/document.cpp
  src/app/iconfactory.cpp
  src/app/mainframe.cpp
  src/app/settingsstore.cpp
)
# OpenGL renderer: plain C++ and OpenGL/EGL, shared by the 3D view and orvane-tool.
set(ORVANE_RENDER_SOURCES
  src/render/gl/gl_api.cpp
  src/render/gl/gl_device.cpp
  src/render/gl/texture_cache.cpp
  src/render/gl/scene_renderer.cpp
  src/render/gl/headless_context.cpp
  src/render/gl/offscreen_render.cpp
  src/render/gl/png_writer.cpp
)
list(APPEND ORVANE_RENDER_SOURCES src/render/gl/renderer.cpp)
list(APPEND ORVANE_UI_SOURCES src/app/orvaneview.cpp src/app/options_dlg.cpp)
set(ORVANE_TOOL_RENDER_SOURCES src/cli/render_command.cpp)

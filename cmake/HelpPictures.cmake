# The guide's pictures of the bundled sample, drawn by orvane-tool's headless renderer at
# build time, so that they show what the program draws today. Included only when the
# renderer is built.
set(ORVANE_HELP_PICTURE_DIR ${ORVANE_DATA_DIR}/help/pictures)
set(ORVANE_HELP_PICTURE_SIZE 480x360)
set(ORVANE_HELP_PICTURES "")
set(_sample ${ORVANE_DATA_DIR}/sample)

# orvane_help_picture(NAME [options of orvane-tool render...])
function(orvane_help_picture name)
  set(out ${ORVANE_HELP_PICTURE_DIR}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANE_HELP_PICTURE_DIR}
    COMMAND orvane-tool render ${_sample}/walker.3do -o ${out} --size ${ORVANE_HELP_PICTURE_SIZE}
            --resources ${_sample}/res2.gob ${ARGN}
    DEPENDS orvane-tool ${_sample}/res2.gob ${_sample}/walker.3do ${_sample}/wkwalk.key
    COMMENT "Drawing the help picture ${name}"
    VERBATIM)
  set(ORVANE_HELP_PICTURES ${ORVANE_HELP_PICTURES} ${out} PARENT_SCOPE)
endfunction()

orvane_help_picture(render-all.png --mode 0)
orvane_help_picture(render-wireframe.png --mode 1)
orvane_help_picture(render-mesh-wireframe.png --mode 2)
orvane_help_picture(render-mesh.png --mode 3)
orvane_help_picture(view-front.png --view front)
orvane_help_picture(view-left.png --view left)
orvane_help_picture(view-top.png --view top)
orvane_help_picture(shaded.png --shaded)
foreach(frame 0 4 8 12)
  # From the side, where the legs swing.
  orvane_help_picture(walk-${frame}.png --key ${_sample}/wkwalk.key --frame ${frame} --view left)
endforeach()
# The head's material with the texture coordinates of its first face.
orvane_help_picture(texture-layout.png --texture-layout 1:0)

# Game View: the walker as the game draws it in a dim sector, and the small models of the
# face pane's page, one field's effect each.
orvane_help_picture(game-view.png --game --light 0.4)
set(_guide ${CMAKE_CURRENT_SOURCE_DIR}/tools/guide)
function(orvane_game_picture name light)
  set(out ${ORVANE_HELP_PICTURE_DIR}/${name}.png)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANE_HELP_PICTURE_DIR}
    COMMAND orvane-tool render ${_guide}/${name}.3do -o ${out} --size 480x200
            --resources ${_sample}/res2.gob --game --light ${light}
    DEPENDS orvane-tool ${_sample}/res2.gob ${_guide}/${name}.3do
    COMMENT "Drawing the help picture ${name}.png"
    VERBATIM)
  set(ORVANE_HELP_PICTURES ${ORVANE_HELP_PICTURES} ${out} PARENT_SCOPE)
endfunction()
orvane_game_picture(game-geometry 0.5)
orvane_game_picture(game-lighting 0.2)
orvane_game_picture(game-extra-light 0)
orvane_game_picture(game-flags 0.5)

add_custom_target(orvane_help_pictures ALL DEPENDS ${ORVANE_HELP_PICTURES})

# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT

# Where the build renders the program icon. Shared by packaging/ (which renders and installs it)
# and the window library (which embeds the small sizes); the paths are fixed, so a directory
# configured before packaging/ can use them. Include it with
#     include(${PROJECT_SOURCE_DIR}/packaging/VarnokeIcons.cmake)
# It defines, in the including directory:
#     VARNOKE_APP_ID            the desktop id, also the icon's name in the icon theme
#     VARNOKE_ICON_SIZES        the pixel sizes rendered from the SVG drawing
#     VARNOKE_WINDOW_ICON_PNGS  absolute paths of the 32 and 64 pixel renderings
#     varnoke_icon_png(<var> <size>)
#         sets <var> to the absolute path of the <size> pixel rendering
#     varnoke_embed_window_icon(<target>)
#         embeds the 32 and 64 pixel renderings into <target> as the Qt resources
#         :/icons/varnoke-32.png and :/icons/varnoke-64.png; they are rendered by the custom
#         target varnoke_icons, which <target> then waits for.

set(VARNOKE_APP_ID org.yorv.Varnoke)
set(VARNOKE_ICON_SIZES 32 48 64 128 256)

function(varnoke_icon_png var size)
    set(${var} "${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/${VARNOKE_APP_ID}.png"
        PARENT_SCOPE)
endfunction()

set(VARNOKE_WINDOW_ICON_PNGS)
foreach(size 32 64)
    varnoke_icon_png(png ${size})
    list(APPEND VARNOKE_WINDOW_ICON_PNGS ${png})
endforeach()
unset(png)

# The window's own renderings: raw ARGB pixels, which it uses without any image decoder.
set(VARNOKE_WINDOW_ICON_SIZES 32 64)
function(varnoke_icon_argb var size)
    set(${var} "${CMAKE_BINARY_DIR}/icons/window/varnoke-${size}.argb" PARENT_SCOPE)
endfunction()

function(varnoke_embed_window_icon target)
    foreach(size IN LISTS VARNOKE_WINDOW_ICON_SIZES)
        varnoke_icon_argb(argb ${size})
        set_source_files_properties(${argb} PROPERTIES GENERATED TRUE
                                                       QT_RESOURCE_ALIAS varnoke-${size}.argb)
        list(APPEND files ${argb})
    endforeach()
    # The first resource format keeps no file times: with them, the program's bytes would carry
    # the time of the build that rendered the icon.
    qt_add_resources(${target} varnoke_window_icon PREFIX /icons FILES ${files}
                     OPTIONS --format-version 1 OUTPUT_TARGETS resource_targets)
    # A static library compiles its resources in separate object targets; all of them must wait.
    foreach(t IN ITEMS ${target} ${resource_targets})
        add_dependencies(${t} varnoke_icons)
    endforeach()
endfunction()

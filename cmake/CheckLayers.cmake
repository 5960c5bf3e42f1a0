# The layers of the program, by folder under src/, each including only those below it:
#
#   core/base <- core/os <- core/text, core/pictures <- core/formats <- core/session
#     <- core/rewrite, core/viewers, core/wallpaper, core/room
#     <- gui/controls <- gui/rewrite, gui/viewers, gui/wallpaper <- gui/app
#
# Folders on one level of the core (core/text and core/pictures, the subsystems) do not include
# each other; a file may include any file of its own folder. The pages and dialogs of the
# subsystems are one level of the desktop program and may use each other (the filer page fills
# the batch dialog's texts). The backends
# in core/os/posix and core/os/win32 belong to core/os. The command-line tool (src/cli) includes
# the core and itself only, and nothing includes it. Nothing under src/core or src/cli includes
# Qt. The configuration fails on an include that breaks these rules, naming the file and the
# include.

# The folder a path under src/ belongs to, and its level; "unknown" outside every layer.
function(corvina_layer_of relative out_folder out_rank)
    set(folder unknown)
    set(rank unknown)
    if(relative MATCHES "^core/base/")
        set(folder core/base)
        set(rank 0)
    elseif(relative MATCHES "^core/os/")
        set(folder core/os)
        set(rank 1)
    elseif(relative MATCHES "^core/(text|pictures)/")
        set(folder core/${CMAKE_MATCH_1})
        set(rank 2)
    elseif(relative MATCHES "^core/formats/")
        set(folder core/formats)
        set(rank 3)
    elseif(relative MATCHES "^core/session/")
        set(folder core/session)
        set(rank 4)
    elseif(relative MATCHES "^core/(rewrite|viewers|wallpaper|room)/")
        set(folder core/${CMAKE_MATCH_1})
        set(rank 5)
    elseif(relative MATCHES "^gui/controls/")
        set(folder gui/controls)
        set(rank 6)
    elseif(relative MATCHES "^gui/(rewrite|viewers|wallpaper)/")
        set(folder gui/${CMAKE_MATCH_1})
        set(rank 7)
    elseif(relative MATCHES "^gui/app/")
        set(folder gui/app)
        set(rank 8)
    elseif(relative MATCHES "^cli/")
        set(folder cli)
        set(rank cli)
    endif()
    set(${out_folder} ${folder} PARENT_SCOPE)
    set(${out_rank} ${rank} PARENT_SCOPE)
endfunction()

function(corvina_check_layers source_dir)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS "${source_dir}/*.h" "${source_dir}/*.cpp"
                                              "${source_dir}/*.inc")
    foreach(file IN LISTS files)
        file(RELATIVE_PATH relative "${source_dir}" "${file}")
        corvina_layer_of("${relative}" own_folder own)
        if(own STREQUAL "unknown")
            message(FATAL_ERROR "src/${relative} lies outside every layer; add its folder to "
                                "cmake/CheckLayers.cmake")
        endif()
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"][^>\"]+[>\"]).*$" "\\1" written
                                 "${line}")
            string(REGEX REPLACE "^[<\"](.*)[>\"]$" "\\1" header "${written}")
            if(NOT own MATCHES "^[0-5]$" AND NOT own STREQUAL "cli")
                continue()  # the desktop program may include Qt
            endif()
            if(header MATCHES "^(Q[A-Za-z]+|qt[A-Za-z0-9_]*)([/.]|$)")
                message(FATAL_ERROR "src/${relative} (${own_folder}) includes Qt (#include "
                                    "${written}): the core and the command-line tool are "
                                    "Qt-free; see cmake/CheckLayers.cmake")
            endif()
        endforeach()
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"")
                continue()
            endif()
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header
                                 "${line}")
            if(NOT EXISTS "${source_dir}/${header}")
                continue()  # not one of ours (a generated file, or one beside the includer)
            endif()
            corvina_layer_of("${header}" their_folder theirs)
            if(their_folder STREQUAL own_folder OR (own STREQUAL "7" AND theirs STREQUAL "7"))
                continue()
            endif()
            set(wrong FALSE)
            if(own STREQUAL "cli")
                if(NOT theirs MATCHES "^[0-5]$")
                    set(wrong TRUE)
                endif()
            elseif(theirs STREQUAL "cli" OR theirs STREQUAL "unknown" OR
                   NOT theirs LESS own)
                set(wrong TRUE)
            endif()
            if(wrong)
                message(FATAL_ERROR "src/${relative} (${own_folder}) includes ${header} "
                                    "(${their_folder}), which is not below it; see "
                                    "cmake/CheckLayers.cmake")
            endif()
        endforeach()
    endforeach()
endfunction()

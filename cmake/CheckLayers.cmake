# The layers of the program, each including only those below it:
#
#   platform <- formats <- subsystem logic <- controls <- windows <- app
#
# platform:         src/platform (the operating-system layer)
# formats:          src/formats (the player's file formats and folder layout)
# subsystem logic:  the Qt-free files of src/app, src/rewrite, src/viewers, src/wallpaper, src/room
# controls:         src/controls (Qt stand-ins for the classic controls)
# windows:          *_window and *_page files of the subsystem folders
# app:              the program entry and the main window frame (src/app/main*.*)
#
# The command-line tool (src/cli) sits over the core: it includes platform, formats and subsystem
# logic, and nothing includes it. The configuration fails on an include that points upward.

function(corvina_layer_of relative out_rank)
    if(relative MATCHES "^platform/")
        set(rank 0)
    elseif(relative MATCHES "^formats/")
        set(rank 1)
    elseif(relative MATCHES "^controls/")
        set(rank 3)
    elseif(relative MATCHES "^cli/")
        set(rank cli)
    elseif(relative MATCHES "^app/main(_window)?\\.")
        set(rank 5)
    elseif(relative MATCHES "_(window|page)\\.(h|cpp)$")
        set(rank 4)
    elseif(relative MATCHES "^(app|rewrite|viewers|wallpaper|room)/")
        set(rank 2)
    else()
        set(rank unknown)
    endif()
    set(${out_rank} ${rank} PARENT_SCOPE)
endfunction()

function(corvina_check_layers source_dir)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS "${source_dir}/*.h" "${source_dir}/*.cpp")
    foreach(file IN LISTS files)
        file(RELATIVE_PATH relative "${source_dir}" "${file}")
        corvina_layer_of("${relative}" own)
        if(own STREQUAL "unknown")
            message(FATAL_ERROR "${relative} lies outside every layer; add its folder to "
                                "cmake/CheckLayers.cmake")
        endif()
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
            if(NOT EXISTS "${source_dir}/${header}")
                continue()  # not one of ours (a generated file)
            endif()
            corvina_layer_of("${header}" theirs)
            set(upward FALSE)
            if(own STREQUAL "cli")
                if(NOT theirs STREQUAL "cli" AND theirs GREATER 2)
                    set(upward TRUE)
                endif()
            elseif(theirs STREQUAL "cli" OR theirs GREATER own)
                set(upward TRUE)
            endif()
            if(upward)
                message(FATAL_ERROR "${relative} (layer ${own}) includes ${header} (layer "
                                    "${theirs}), which lies above it; see cmake/CheckLayers.cmake")
            endif()
        endforeach()
    endforeach()
endfunction()

# The core library and the command-line tool are plain C++: these checks fail the configuration
# when one of their sources includes a Qt header or when one of their targets links Qt.

function(corvina_check_qt_free)
    foreach(file IN LISTS ARGN)
        file(STRINGS "${file}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|qt[A-Za-z0-9_]*)[/>.\"]")
        if(hits)
            message(FATAL_ERROR "${file} is part of the Qt-free core but includes Qt: ${hits}")
        endif()
    endforeach()
endfunction()

function(corvina_check_links_qt_free)
    foreach(target IN LISTS ARGN)
        get_target_property(libs ${target} LINK_LIBRARIES)
        get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
        foreach(lib IN LISTS libs ilibs)
            if(lib MATCHES "Qt[0-9]*::|Qt[0-9]*(Core|Gui|Widgets)")
                message(FATAL_ERROR "${target} must stay free of Qt but links ${lib}")
            endif()
        endforeach()
    endforeach()
endfunction()

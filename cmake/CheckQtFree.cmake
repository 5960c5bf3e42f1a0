# The core library and the command-line tool are plain C++: this check fails the configuration
# when one of their targets links Qt (cmake/CheckLayers.cmake checks their includes).

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

# The desktop program: thin Qt Widgets windows over corvina_core.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

# Window code: everything under src/gui but the program entry.
file(GLOB_RECURSE CORVINA_GUI_SOURCES CONFIGURE_DEPENDS
    "${CMAKE_SOURCE_DIR}/src/gui/*.cpp" "${CMAKE_SOURCE_DIR}/src/gui/*.h")
list(FILTER CORVINA_GUI_SOURCES EXCLUDE REGEX "/src/gui/app/main\\.cpp$")
set(CORVINA_GUI_RESOURCES)
if(EXISTS "${CMAKE_SOURCE_DIR}/resources/resources.qrc")
    set(CORVINA_GUI_RESOURCES "${CMAKE_SOURCE_DIR}/resources/resources.qrc")
endif()

add_library(corvina_gui STATIC ${CORVINA_GUI_SOURCES} ${CORVINA_GUI_RESOURCES})
target_include_directories(corvina_gui PUBLIC "${CMAKE_SOURCE_DIR}/src")
target_link_libraries(corvina_gui PUBLIC corvina_core Qt6::Widgets)
# Where Qt takes its fonts from fontconfig, the program reads fontconfig's configuration ahead.
find_package(Fontconfig QUIET)
if(Fontconfig_FOUND)
    target_link_libraries(corvina_gui PRIVATE Fontconfig::Fontconfig)
    target_compile_definitions(corvina_gui PRIVATE CORVINA_HAVE_FONTCONFIG)
endif()
# moc and rcc only for the window code; the core, its tests and the benchmarks stay plain C++.
set_target_properties(corvina_gui PROPERTIES AUTOMOC ON AUTORCC ON)

add_executable(corvina WIN32 src/gui/app/main.cpp)
if(WIN32)
    # Icon, placeholder picture, version information and manifest.
    target_sources(corvina PRIVATE "${CMAKE_SOURCE_DIR}/resources/corvina.rc")
    if(MSVC)
        # The resource script carries the manifest; the linker's own would be a second one.
        target_link_options(corvina PRIVATE /MANIFEST:NO)
    endif()
endif()
target_link_libraries(corvina PRIVATE corvina_gui)

if(NOT WIN32)
    # The program with its desktop entry and icon, for Linux desktops.
    include(GNUInstallDirs)
    install(TARGETS corvina RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    install(FILES "${CMAKE_SOURCE_DIR}/resources/corvina.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${CMAKE_SOURCE_DIR}/resources/corvina.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps")
endif()

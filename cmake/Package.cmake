# The Debian package: `cpack -G DEB` in the build folder makes corvina_VERSION_ARCH.deb with both
# programs, the desktop entry, the icon at the sizes of the icon theme, the manual page of
# corvina-cli and the README. The desktop program's own files are installed by Gui.cmake.
include(GNUInstallDirs)

install(TARGETS corvina-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${CMAKE_SOURCE_DIR}/README.md" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/corvina")
if(CORVINA_GUI)
    # resources/icons holds the icon drawn at the theme's other sizes (scripts/make-resources.py).
    file(GLOB icon_folders LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/resources/icons/*x*")
    foreach(folder IN LISTS icon_folders)
        get_filename_component(size "${folder}" NAME)
        install(FILES "${folder}/corvina.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps")
    endforeach()
endif()

# The manual page of corvina-cli, made from its --help and --version texts at every build so
# that it never drifts from the program.
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(man_page "${CMAKE_BINARY_DIR}/corvina-cli.1")
    add_custom_command(OUTPUT "${man_page}.gz"
        COMMAND "${HELP2MAN}" --no-info --section=1 --source=Corvina
                "--name=batch tools for the files of a portable music player"
                "--output=${man_page}" "$<TARGET_FILE:corvina-cli>"
        COMMAND gzip -9nf "${man_page}"
        DEPENDS corvina-cli
        COMMENT "Writing the manual page of corvina-cli"
        VERBATIM)
    add_custom_target(corvina-cli-man ALL DEPENDS "${man_page}.gz")
    install(FILES "${man_page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
else()
    message(WARNING "help2man not found (scripts/setup.sh installs it): the package will have no "
                    "manual page for corvina-cli")
endif()

set(CPACK_PACKAGE_NAME corvina)
set(CPACK_PACKAGE_VENDOR "Corvina")
set(CPACK_PACKAGE_CONTACT "Corvina developers <corvina@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "batch tag and picture tool for a portable music player")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvina rewrites the tags and jacket pictures of the music files of a portable music "
    "player, converts its GBP pictures and makes wallpapers for it. The package holds the "
    "desktop program and the command-line tool corvina-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # corvina_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # needs dpkg-shlibdeps (package dpkg-dev)
# The windows show Japanese texts, and Qt's own dialogs take their translations from these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)

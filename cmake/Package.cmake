# The Debian package: `cpack -G DEB` in the build folder makes corvina_VERSION_ARCH.deb with both
# programs, the desktop entry, the icon at the sizes of the icon theme and the README. The desktop program's own files are installed by Gui.cmake.
include(GNUInstallDirs)

install(TARGETS corvina-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${CMAKE_SOURCE_DIR}/README.md" DESTINATION "${CMAKE_INSTALL_DOCDIR}")
if(CORVINA_GUI)
    # resources/icons holds the icon drawn at the theme's other sizes (scripts/make-resources.py).
    file(GLOB icon_folders LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/resources/icons/*x*")
    foreach(folder IN LISTS icon_folders)
        get_filename_component(size "${folder}" NAME)
        install(FILES "${folder}/corvina.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps")
    endforeach()
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

# Installing like other Linux games (`cmake --install build --prefix PREFIX`):
#   PREFIX/lib/tev-arcade/          the runnable tree (launcher, data files, a folder per game)
#   PREFIX/bin/tev-arcade           a command that starts it (and a link in PREFIX/games)
#   PREFIX/share/applications/tev-arcade.desktop
#   PREFIX/share/icons/hicolor/NxN/apps/tev-arcade.png   the window icon's sizes
#   PREFIX/share/doc/tev-arcade/    README.md, copyright, changelog.gz; a manual page
# and the Debian package of that layout in /usr (`cpack -G DEB`, `make package`).
set(TEV_ARCADE_VERSION 0.1.0)

# The icons are the window icon's sprites (launcher/assets/pv.ico.picture).
set(tev_icon_source ${CMAKE_SOURCE_DIR}/launcher/assets/pv.ico.picture)
set(tev_icon_outputs)
foreach(size 16 32 48)
  set(out ${CMAKE_BINARY_DIR}/icons/${size}x${size}/tev-arcade.png)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND $<TARGET_FILE:tev_picture> --font ${TEV_ASSET_FONT} --png-alpha --sprite icon${size} -o ${out}
            ${tev_icon_source}
    DEPENDS ${tev_icon_source} tev_picture ${TEV_ASSET_FONT}
    COMMENT "Building the ${size}x${size} desktop icon"
    VERBATIM)
  list(APPEND tev_icon_outputs ${out})
  install(FILES ${out} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants the changelog compressed without a time stamp.
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(tev_changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${tev_changelog_gz}
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${tev_changelog_gz}
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMENT "Compressing the package's changelog")
set(tev_manual_gz ${CMAKE_BINARY_DIR}/packaging/tev-arcade.6.gz)
add_custom_command(OUTPUT ${tev_manual_gz}
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/tev-arcade.6 > ${tev_manual_gz}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/tev-arcade.6
  COMMENT "Compressing the manual page")
add_custom_target(tev_install_files ALL DEPENDS ${tev_icon_outputs} ${tev_changelog_gz} ${tev_manual_gz})

install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/tev-arcade.sh DESTINATION bin RENAME tev-arcade)
# Debian keeps games' commands in games/ as well (in the players' PATH).
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games\")
  file(CREATE_LINK ../bin/tev-arcade \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/tev-arcade\" SYMBOLIC)")
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tev-arcade.desktop DESTINATION share/applications)
install(FILES ${tev_manual_gz} DESTINATION share/man/man6)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright ${tev_changelog_gz}
        DESTINATION share/doc/tev-arcade)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tev-arcade)
set(CPACK_PACKAGE_VERSION ${TEV_ARCADE_VERSION})
set(CPACK_PACKAGE_VENDOR "Tev Arcade developers")
set(CPACK_PACKAGE_CONTACT "Tev Arcade developers <developers@tev-arcade.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collection of small arcade games")
set(CPACK_PACKAGE_DESCRIPTION "Tev Arcade is a launcher and fourteen small arcade games on a 320x240
pixel screen: the launcher lists the games with their pictures, lets the player
set keys, pad buttons and the screen mode, and runs the chosen game at 60
frames per second. Settings and best scores are kept per player.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the sound font and the two font
# families are files the program reads.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, fonts-ipafont-gothic, fonts-dejavu-core, xfonts-mplus")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

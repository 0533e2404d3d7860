# Text faces and glyphs for the draw service: fontconfig + FreeType, and the
# CP932 decoding of the text (iconv tables of the C library).
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)

add_library(tev_platform_font STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../font/cp932.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../font/font_face.cpp
)
target_link_libraries(tev_platform_font PUBLIC PkgConfig::FREETYPE PkgConfig::FONTCONFIG)

# Picture files: BMP and PNG decoding, PNG and BMP writing.
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
add_library(tev_platform_image STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/image/image_codec.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/image/bmp_codec.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/image/png_codec.cpp
)
target_link_libraries(tev_platform_image PRIVATE PkgConfig::LIBPNG)

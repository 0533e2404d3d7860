# The software device the draw service renders with.
add_library(tev_platform_raster STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/raster/raster_device.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/raster/display_mode.cpp
)
target_link_libraries(tev_platform_raster PUBLIC Threads::Threads PRIVATE PkgConfig::SDL2)

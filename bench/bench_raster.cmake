# Fill rate of the software device against SDL2's software renderer.
if(TARGET tev_platform_raster)
  pkg_check_modules(BENCH_RASTER_SDL2 REQUIRED IMPORTED_TARGET sdl2)
  add_executable(bench_raster ${CMAKE_CURRENT_LIST_DIR}/bench_raster.cpp)
  target_link_libraries(bench_raster PRIVATE tev_platform_raster PkgConfig::BENCH_RASTER_SDL2)
endif()

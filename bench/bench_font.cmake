# Text cost per frame, and a sheet of the launcher's texts for looking at.
if(TARGET tev_draw AND TARGET tev_platform_image)
  add_executable(bench_font ${CMAKE_CURRENT_LIST_DIR}/bench_font.cpp)
  target_link_libraries(bench_font PRIVATE tev_draw tev_app tev_platform_image)
endif()

add_executable(bench_frame_pacing ${CMAKE_CURRENT_LIST_DIR}/bench_frame_pacing.cpp ${CMAKE_SOURCE_DIR}/app/module_factory.cpp)
target_link_libraries(bench_frame_pacing PRIVATE tev_app)

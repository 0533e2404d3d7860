add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_compile_definitions(bench_startup PRIVATE TEV_DIST_DIR="${TEV_DIST_DIR}")
add_dependencies(bench_startup launcher)

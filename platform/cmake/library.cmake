# Plug-in libraries (dlopen) and folder listing; part of the core platform.
add_library(tev_platform_library STATIC ${CMAKE_CURRENT_LIST_DIR}/../library_posix.cpp)
target_link_libraries(tev_platform_library PUBLIC ${CMAKE_DL_LIBS})
target_link_libraries(tev_platform PUBLIC tev_platform_library)

# Movie decoding on FFmpeg's libraries.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
add_library(tev_platform_video STATIC ${CMAKE_CURRENT_LIST_DIR}/../video/video_decoder.cpp)
target_link_libraries(tev_platform_video PRIVATE PkgConfig::FFMPEG PUBLIC tev_platform)

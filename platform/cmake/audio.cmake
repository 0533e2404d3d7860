# Sound output: the mixer of DirectSound-like buffers, the SDL2 device (or the
# null output of headless runs) and the --record-audio writer.
add_library(tev_platform_audio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../audio/mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../audio/output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../audio/wav_writer.cpp
)
target_link_libraries(tev_platform_audio PUBLIC tev_platform PkgConfig::SDL2 Threads::Threads)

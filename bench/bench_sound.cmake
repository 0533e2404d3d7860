# Mixer cost per second of output (32 channels, MIDI song) and Play latency.
if(TARGET tev_sound)
  add_executable(bench_sound ${CMAKE_CURRENT_LIST_DIR}/bench_sound.cpp)
  target_link_libraries(bench_sound PRIVATE tev_sound)
endif()

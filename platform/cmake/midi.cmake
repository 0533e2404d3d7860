# MIDI output: a FluidSynth synthesizer with Debian's General MIDI soundfont
# (timgm6mb-soundfont), rendered into the audio mixer, and the player's timers.
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)

add_library(tev_platform_midi STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../midi/synth_fluid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../midi/synth_null.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../midi/timers.cpp
)
target_link_libraries(tev_platform_midi PUBLIC tev_platform_audio PkgConfig::FLUIDSYNTH Threads::Threads)

# Keyboard, pads and mouse: SDL2 backend and null backend.
add_library(tev_platform_input STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../input/input_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../input/input_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../input/pad_slots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../input/sdl_keymap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../input/input_sdl.cpp
)
target_link_libraries(tev_platform_input PUBLIC tev_platform PkgConfig::SDL2)

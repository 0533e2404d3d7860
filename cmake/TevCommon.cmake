# Flags every target of the project shares.
add_compile_options(-Wall -Wextra)
# Sources are UTF-8; every narrow literal is Shift-JIS (CP932), as strings
# crossing the plug-in boundary and the data files are.
add_compile_options(-finput-charset=UTF-8 $<$<COMPILE_LANG_AND_ID:CXX,GNU>:-fexec-charset=CP932>)
if(TEV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# Fuzz builds (clang): libraries get the fuzzer's coverage hooks; the fuzz
# targets themselves link with -fsanitize=fuzzer.
option(TEV_FUZZ "Instrument for libFuzzer (clang only)" OFF)
if(TEV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# tev_add_test(name SOURCES ... LIBS ...): one GoogleTest executable, its
# cases registered with CTest when the tests run (not at build time).
find_package(GTest)
include(GoogleTest)
function(tev_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE TEV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TEV_DIST_DIR="${TEV_DIST_DIR}"
                                             TEV_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES TIMEOUT 300)
endfunction()

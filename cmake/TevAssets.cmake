# Building the shipped data files from their readable sources at build time.
#
# tev_add_assets(<target> DEST <subdir> SOURCES <file>... [TEXT_OPTIONS <opt>...] [FONT <font>]
#                [HEADER_DIR <dir> HEADER_NAMESPACE <ns>])
#
# Each source is named after the file it makes plus the kind of source:
#   <name>.picture  -> tev_picture  (<name> ends in .bmp, .png or .ico)
#   <name>.sfx      -> tev_sfx      (<name> ends in .wav, any case)
#   <name>.song     -> tev_song     (<name> ends in .mid or .wav)
#   <name>.text     -> tev_text     (UTF-8 to CP932; TEXT_OPTIONS such as --count,
#                                    --comments, --max-bytes 63 are passed on)
# so "frame.bmp.picture" becomes ${TEV_DIST_DIR}/<subdir>/frame.bmp. With
# HEADER_DIR, each picture also writes <dir>/<stem>_sprites.h naming its sprite
# regions (namespace <ns>::<stem>); the list is left in <target>_HEADERS. Every output
# depends on its source, the tool and the font, so an edit rebuilds just that
# file; <target> builds them all (part of ALL) and they are install()ed to
# <subdir> of the installed tree (TEV_INSTALL_APPDIR).
#
# Areas keep their calls in an assets.cmake next to their CMakeLists.txt
# (launcher/assets.cmake, games/<name>/assets.cmake) and include() it there;
# each starts with include_guard(GLOBAL). Any of those files that no
# CMakeLists.txt has included by the end of the top-level configure is
# included then (the deferred call at the bottom), so the assets are built
# even before the area's CMakeLists.txt takes them over.

set(TEV_ASSET_FONT ${CMAKE_SOURCE_DIR}/tools/fonts/arcade5x7.font CACHE INTERNAL "")

function(tev_add_assets target)
  cmake_parse_arguments(A "" "DEST;FONT;HEADER_DIR;HEADER_NAMESPACE" "SOURCES;TEXT_OPTIONS" ${ARGN})
  set(headers)
  if(NOT A_DEST)
    message(FATAL_ERROR "tev_add_assets(${target}): DEST is required")
  endif()
  if(NOT A_FONT)
    set(A_FONT ${TEV_ASSET_FONT})
  endif()
  if(A_DEST STREQUAL ".")
    set(out_dir ${TEV_DIST_DIR})
  else()
    set(out_dir ${TEV_DIST_DIR}/${A_DEST})
  endif()
  file(MAKE_DIRECTORY ${out_dir})
  set(outputs)
  foreach(src ${A_SOURCES})
    get_filename_component(src ${src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_LIST_DIR})
    get_filename_component(file_name ${src} NAME)
    string(REGEX MATCH "^(.+)\\.([a-z]+)$" matched ${file_name})
    set(out_name ${CMAKE_MATCH_1})
    set(kind ${CMAKE_MATCH_2})
    if(NOT matched OR NOT out_name MATCHES "\\.")
      message(FATAL_ERROR "tev_add_assets(${target}): cannot tell what ${file_name} makes")
    endif()
    set(out ${out_dir}/${out_name})
    if(kind STREQUAL "picture")
      set(cmd $<TARGET_FILE:tev_picture> --font ${A_FONT})
      set(deps tev_picture ${A_FONT})
      if(A_HEADER_DIR)
        string(REGEX REPLACE "\\..*$" "" stem ${out_name})
        string(MAKE_C_IDENTIFIER ${stem} stem)
        string(TOLOWER ${stem} stem)
        set(header ${A_HEADER_DIR}/${stem}_sprites.h)
        list(APPEND cmd --header ${header} --namespace ${A_HEADER_NAMESPACE}::${stem})
        list(APPEND headers ${header})
        set(out ${out} ${header})
      endif()
    elseif(kind STREQUAL "sfx")
      set(cmd $<TARGET_FILE:tev_sfx>)
      set(deps tev_sfx)
    elseif(kind STREQUAL "song")
      set(cmd $<TARGET_FILE:tev_song>)
      set(deps tev_song)
    elseif(kind STREQUAL "text")
      set(cmd $<TARGET_FILE:tev_text> ${A_TEXT_OPTIONS})
      set(deps tev_text)
    else()
      message(FATAL_ERROR "tev_add_assets(${target}): unknown source kind '.${kind}' of ${file_name}")
    endif()
    list(GET out 0 file_out)
    add_custom_command(OUTPUT ${out}
      COMMAND ${cmd} -o ${file_out} ${src}
      DEPENDS ${src} ${deps}
      COMMENT "Building ${A_DEST}/${out_name}"
      VERBATIM)
    list(APPEND outputs ${file_out})
  endforeach()
  set(${target}_HEADERS ${headers} PARENT_SCOPE)
  add_custom_target(${target} ALL DEPENDS ${outputs} ${headers})
  if(A_DEST STREQUAL ".")
    install(FILES ${outputs} DESTINATION ${TEV_INSTALL_APPDIR})
  else()
    install(FILES ${outputs} DESTINATION ${TEV_INSTALL_APPDIR}/${A_DEST})
  endif()
  set_property(GLOBAL APPEND PROPERTY TEV_ASSET_TARGETS ${target})
endfunction()

function(_tev_include_pending_assets)
  file(GLOB asset_lists ${CMAKE_SOURCE_DIR}/launcher/assets.cmake ${CMAKE_SOURCE_DIR}/games/*/assets.cmake)
  list(SORT asset_lists)
  foreach(list_file ${asset_lists})
    include(${list_file})  # a no-op for files already included (include_guard)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _tev_include_pending_assets)

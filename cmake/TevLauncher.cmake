# The launcher program: the application spine, the launcher shell and every
# service that exists. The module factory is compiled here so that it can
# make exactly the services that were built.
add_executable(launcher app/main.cpp app/module_factory.cpp)
target_link_libraries(launcher PRIVATE tev_app)
foreach(service draw input movie sound)
  if(TARGET tev_${service})
    string(TOUPPER ${service} upper)
    target_compile_definitions(launcher PRIVATE TEV_HAVE_${upper}=1)
    target_link_libraries(launcher PRIVATE tev_${service})
  endif()
endforeach()
if(TARGET tev_launcher AND EXISTS ${CMAKE_SOURCE_DIR}/launcher/launcher_hooks.cpp)
  target_link_libraries(launcher PRIVATE tev_launcher)
else()
  target_sources(launcher PRIVATE app/empty_launcher.cpp)
endif()
# Plug-ins resolve nothing from the host by name, but the host's own symbols
# stay visible to debuggers and backtraces.
set_target_properties(launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEV_DIST_DIR}
                                          ENABLE_EXPORTS OFF)
install(TARGETS launcher DESTINATION ${TEV_INSTALL_APPDIR})

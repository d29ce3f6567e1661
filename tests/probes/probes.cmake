# Test programs built for the platform of the tree (Linux or Windows), placed beside
# tintshift: a probe over the host layer and a stand-in that records its arguments.
add_executable(host_probe ${CMAKE_CURRENT_LIST_DIR}/host_probe.cc)
target_link_libraries(host_probe PRIVATE tintshift_host)
add_executable(record_args ${CMAKE_CURRENT_LIST_DIR}/record_args.cc)
set_target_properties(host_probe record_args PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(WIN32)
  tintshift_make_freestanding(host_probe)
  tintshift_link_bare_console(host_probe)
  target_link_options(record_args PRIVATE -static -static-libgcc -static-libstdc++)
endif()

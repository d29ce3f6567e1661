# The Windows build's tests: tintshift.exe under Wine, in a prefix inside this build
# tree, driven by the end-to-end test program of the Linux build.
set(TINTSHIFT_HOST_BUILD_DIR "${CMAKE_SOURCE_DIR}/build/native" CACHE PATH
    "The Linux build tree that holds the test programs")
include(${CMAKE_CURRENT_LIST_DIR}/../probes/probes.cmake)

set(WINE_TEST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

add_test(NAME win32.wine_start
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh start ${WINE_TEST_PREFIX})
set_tests_properties(win32.wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME win32.wine_stop
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh stop ${WINE_TEST_PREFIX})
set_tests_properties(win32.wine_stop PROPERTIES FIXTURES_CLEANUP wine)

add_test(NAME win32.import_table
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:tintshift>)

foreach(suite Invocation Search Launch Batch)
  add_test(NAME win32.${suite}
    COMMAND ${TINTSHIFT_HOST_BUILD_DIR}/tests/tintshift_e2e --gtest_filter=${suite}.*)
  set_tests_properties(win32.${suite} PROPERTIES
    FIXTURES_REQUIRED wine
    TIMEOUT 600
    ENVIRONMENT "TINTSHIFT_TARGET=win32;TINTSHIFT_BIN_DIR=${CMAKE_BINARY_DIR};WINEPREFIX=${WINE_TEST_PREFIX}")
endforeach()

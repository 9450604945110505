# Helpers shared by the project's folders.

# zel_add_companion(<target> [LINKED] OUTPUT <file name without lib/.so> SOURCES ... LIBS ...)
# Builds an outside component as the shared library the device library loads by
# name, and installs it: into the module folder (lib/zeldevice), where the
# library's loader looks first, or with LINKED (a component the library links,
# such as the agent) beside the library in lib/, in the exported targets.
function(zel_add_companion target)
  cmake_parse_arguments(ARG "LINKED" "OUTPUT" "SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE zelcompat ${ARG_LIBS})
  if(ARG_OUTPUT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT})
  endif()
  if(ARG_LINKED)
    install(TARGETS ${target} EXPORT ZELDeviceTargets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${ZEL_COMPANION_INSTALL_RPATH}")
    install(TARGETS ${target} LIBRARY DESTINATION ${ZEL_INSTALL_MODULEDIR})
  endif()
endfunction()

# zel_add_test_suite(<name> SOURCES ... LIBS ... [LABELS ...]): one GoogleTest
# executable, its tests registered with ctest (with the labels, for ctest -L).
function(zel_add_test_suite name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${ZEL_BIN_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300 LABELS "${ARG_LABELS}")
endfunction()

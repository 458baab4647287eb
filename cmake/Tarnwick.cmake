# tarnwick_test(<name> [WITH_TLS] SOURCES ... LIBS ...)
# One test program, registered with CTest as one test. Each program gets a folder of its own,
# because programs read and write files beside themselves (propertys.ini) and CTest may run
# several programs at once. WITH_TLS runs it under tests/support/with-tls-front (https tests).
function(tarnwick_test name)
  cmake_parse_arguments(ARG "WITH_TLS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin/${name})
  if(ARG_WITH_TLS)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-tls-front
                                  ${CMAKE_SOURCE_DIR}/tools/wine-exec $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# tarnwick_uses_profile(<test>...)
# Tests whose programs open the main window (or start drovane.exe) write the window placement
# and column widths under HKCU\Software\Orlebar\Tarnwick of the one Wine prefix, and some read
# them back: they take turns. Call it in the folder that adds the tests.
function(tarnwick_uses_profile)
  foreach(test ${ARGN})
    get_test_property(${test} RESOURCE_LOCK locks)
    if(NOT locks)
      set(locks "")
    endif()
    list(APPEND locks tarnwick_profile)
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK "${locks}")
  endforeach()
endfunction()

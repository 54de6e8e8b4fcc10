# morvi_add_test(<name> [ON_X] SOURCES <files...> LIBS <targets...>)
# One QtTest executable registered with CTest. Tests that need no window
# system run on the offscreen platform. ON_X runs the test on the xcb platform
# on a virtual X display of its own with a window manager (Xvfb and openbox),
# where focus, activation and paint behave as they do for people.
# Backups and the programming log of test runs stay in the build tree.
set(MORVI_TEST_DATA_HOME "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-home")

function(morvi_add_test name)
  cmake_parse_arguments(ARG "ON_X" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} morvi_test_support Qt6::Test morvi_options)
  if(ARG_ON_X)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/run_on_x.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;${MORVI_TEST_DATA_HOME}" LABELS x11)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;${MORVI_TEST_DATA_HOME}")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()

# morvi_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable registered with CTest. Every test runs on the offscreen
# platform, so a test that opens windows needs no display.
function(morvi_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} morvi_test_support Qt6::Test morvi_options)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 120)
endfunction()

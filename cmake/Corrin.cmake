# Helpers shared by every module's CMakeLists.

# Tests run under Wine through tools/wine-run, in this build folder's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tools/wine-run;--build;${CMAKE_BINARY_DIR}"
    CACHE STRING "Runs cross-built programs" FORCE)

# Every 32-bit program, shipped or test, is large-address-aware: it gets
# 4 GiB of address space on 64-bit Windows instead of 2 GiB.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-Wl,--large-address-aware>")
endif()

# corrin_gui_program(target)      -- a Windows GUI program with wWinMain
# corrin_console_program(target)  -- a console program with wmain
function(corrin_gui_program target)
  target_link_options(${target} PRIVATE -municode -mwindows)
endfunction()
function(corrin_console_program target)
  target_link_options(${target} PRIVATE -municode)
endfunction()

# corrin_add_gtest(NAME name SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...] [FIXTURES ...])
# Builds one GoogleTest program into the test folder and registers it with CTest.
function(corrin_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CORRIN_TEST_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no WORKING_DIRECTORY "${CORRIN_TEST_DIR}")
  # The runner ends the program a little before CTest's bound, so its output shows where it stopped.
  math(EXPR _own_bound "${T_TIMEOUT} - 10")
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "CORRIN_TEST_TIMEOUT=${_own_bound}")
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_FIXTURES)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()

# corrin_zh_locale(test...) -- runs the tests as on a café PC's Chinese
# Windows: code page 936 and the host locale Wine needs for Chinese file
# names (made by the zh_locale fixture, tests/CMakeLists.txt).
function(corrin_zh_locale)
  foreach(t IN LISTS ARGN)
    set_property(TEST ${t} APPEND PROPERTY ENVIRONMENT
      "LANG=zh_CN.UTF-8" "LC_ALL=zh_CN.UTF-8" "LOCPATH=${CMAKE_BINARY_DIR}/locale")
    set_property(TEST ${t} APPEND PROPERTY FIXTURES_REQUIRED zh_locale)
  endforeach()
endfunction()

# Test binaries are Windows programs; ctest runs each through scripts/wine-run
# in the project's Wine prefix. One binary per group of behaviour.
set(WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run)

# add_wine_gtest(NAME SOURCES src... [LIBS lib...] [ARGS arg...] [LABELS l...]
#                [LOCKS resource...] [TIMEOUT s])
# LOCKS cdrom for every test that changes or reads the virtual CD-ROM drive.
function(add_wine_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ARGS;LABELS;LOCKS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  add_wine_test(${name} COMMAND $<TARGET_FILE:${name}> ${T_ARGS} LABELS ${T_LABELS} LOCKS ${T_LOCKS} TIMEOUT ${T_TIMEOUT})
endfunction()

# add_wine_test(NAME COMMAND program args... [LABELS l...] [TIMEOUT s]): any
# Windows program (or script run by one) as a test, in the program folder.
function(add_wine_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LABELS;LOCKS" ${ARGN})
  add_test(NAME ${name} COMMAND ${WINE_RUN} ${T_COMMAND} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    ENVIRONMENT "BUILD_DIR=${CADREL_BUILD_ROOT};TEST_ARCH=${MINGW_ARCH}")
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

# add_host_test(NAME COMMAND program args...): a test that runs on the Linux
# side (shell scripts that drive the Windows programs, ffprobe checks).
function(add_host_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LABELS;LOCKS" ${ARGN})
  add_test(NAME ${name} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    ENVIRONMENT "BUILD_DIR=${CADREL_BUILD_ROOT};TEST_ARCH=${MINGW_ARCH}")
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

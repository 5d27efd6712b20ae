# Registers one CTest test per test suite of a gtest executable (run as
# `cmake -P` after the executable is built).  Each test process pays for
# the sanitizers' and Qt's start-up, so quick cases share a process with
# the rest of their suite; an executable of long cases registers each case
# on its own instead (gtest_discover_tests).
#
#   EXE      the test executable
#   OUT      the CTest script to write
#   WORKDIR  the tests' working directory
#   LABELS   their labels
#   FIXTURE  a fixture they require, or empty
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          ${EXE} --gtest_list_tests
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status}):\n${listing}")
endif()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
foreach(line IN LISTS lines)
  # A suite is a line that does not start with a space: "Suite.", maybe
  # followed by "  # TypeParam = ...".
  if(line MATCHES "^([^ #][^ ]*)\\.")
    set(suite "${CMAKE_MATCH_1}")
    set(name "${suite}.*")
    string(APPEND script
      "add_test([=[${name}]=] [=[${EXE}]=] [=[--gtest_filter=${suite}.*]=])\n"
      "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [=[${WORKDIR}]=]"
      " ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS [=[${LABELS}]=]")
    if(FIXTURE)
      string(APPEND script " FIXTURES_REQUIRED [=[${FIXTURE}]=]")
    endif()
    string(APPEND script ")\n")
  endif()
endforeach()
if(script STREQUAL "")
  message(FATAL_ERROR "${EXE} lists no test suites")
endif()
file(WRITE "${OUT}" "${script}")

# Registers the CTest tests of a gtest executable (run as `cmake -P` after
# it is built).  Each test process pays for the sanitizers' and Qt's
# start-up, so quick cases share one process with the rest of their suite;
# the cases of a suite named in SPLIT run each in a process of its own, for
# suites of long cases that two cores should share out.
#
#   EXE      the test executable
#   OUT      the CTest script to write
#   WORKDIR  the tests' working directory
#   LABELS   their labels
#   FIXTURE  a fixture they require, or empty
#   SPLIT    suites whose cases are tests of their own, separated by commas
cmake_minimum_required(VERSION 3.20)

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          ${EXE} --gtest_list_tests
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status}):\n${listing}")
endif()

string(REPLACE "," ";" SPLIT "${SPLIT}")
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
set(suite "")
macro(add_one name filter)
  string(APPEND script
    "add_test([=[${name}]=] [=[${EXE}]=] [=[--gtest_filter=${filter}]=])\n"
    "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [=[${WORKDIR}]=]"
    " ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS [=[${LABELS}]=]")
  if(FIXTURE)
    string(APPEND script " FIXTURES_REQUIRED [=[${FIXTURE}]=]")
  endif()
  string(APPEND script ")\n")
endmacro()
foreach(line IN LISTS lines)
  # A suite is a line that does not start with a space: "Suite.", maybe
  # followed by "  # TypeParam = ..."; its cases follow, indented.
  if(line MATCHES "^([^ #][^ ]*)\\.")
    set(suite "${CMAKE_MATCH_1}")
    if(NOT suite IN_LIST SPLIT)
      add_one("${suite}.*" "${suite}.*")
    endif()
  elseif(line MATCHES "^  ([^ ]+)" AND suite IN_LIST SPLIT)
    add_one("${suite}.${CMAKE_MATCH_1}" "${suite}.${CMAKE_MATCH_1}")
  endif()
endforeach()
if(script STREQUAL "")
  message(FATAL_ERROR "${EXE} lists no test suites")
endif()
file(WRITE "${OUT}" "${script}")

# Every test carries one CTest label, so `ctest -L LABEL` (or
# `sh tools/test.sh -L LABEL`) runs one group:
#   unit      native unit tests, the concurrency test, the command-line host
#   golden    expected texts, and the generator checked against exiftool/djpeg
#   corpus    the crafted bad-file corpus (natively; under Wine it is `wine`)
#   wine      the real tarnik.spi under Wine, and its import and export tables
#   package   the release zip
#   asan, tsan, valgrind, fuzz   the check trees and the fuzz harnesses
# A directory that holds one kind of test labels all of them, those that
# GoogleTest discovers at test time included; CTest finds a test's directory
# by its working directory, though, so a test given a WORKING_DIRECTORY
# outside it sets its label itself. The top directory's tests are labelled by
# the first part of their name.
foreach(dir_and_label tests:unit tests/concurrency:unit tools/host:unit tests/golden:golden
                      tests/samples:golden tests/corpus:corpus fuzz:fuzz)
  string(REPLACE ":" ";" parts ${dir_and_label})
  list(GET parts 0 dir)
  list(GET parts 1 label)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR}/${dir} PROPERTY LABELS ${label})
endforeach()

get_property(top_tests DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY TESTS)
foreach(test ${top_tests})
  string(REGEX MATCH "^[a-z]+" label ${test})
  if(NOT label MATCHES "^(wine|package|asan|tsan|valgrind|fuzz)$")
    message(FATAL_ERROR "test ${test}: its name starts with no label (cmake/labels.cmake)")
  endif()
  set_tests_properties(${test} PROPERTIES LABELS ${label})
endforeach()

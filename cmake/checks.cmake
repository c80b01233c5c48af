# The same sources built again for checking, each in a tree of its own under
# the native build, with their tests registered here:
#  - asan: GCC with AddressSanitizer and UBSan, running the unit tests;
#  - tsan: GCC with ThreadSanitizer, running the concurrency test;
#  - fuzz: clang with libFuzzer, a short smoke pass of every harness.
include(ExternalProject)

set(CHECK_BUILD_ARGS -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  -DTARNIK_WINDOWS=OFF -DTARNIK_CHECKS=OFF)

ExternalProject_Add(asan
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/asan
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_SANITIZE=address
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target unit_tests
  BUILD_ALWAYS ON INSTALL_COMMAND "")

ExternalProject_Add(tsan
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/tsan
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_SANITIZE=thread
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target concurrency_tests
  BUILD_ALWAYS ON INSTALL_COMMAND "")

ExternalProject_Add(fuzz
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_FUZZ=ON
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
  BUILD_ALWAYS ON INSTALL_COMMAND "")

add_test(NAME asan.unit_tests COMMAND ${CMAKE_BINARY_DIR}/asan/tests/unit_tests)
set_tests_properties(asan.unit_tests PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")

add_test(NAME tsan.concurrency COMMAND ${CMAKE_BINARY_DIR}/tsan/tests/concurrency_tests)
set_tests_properties(tsan.concurrency PROPERTIES ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")

# The same sources built again for checking, each in a tree of its own under
# the native build, with their tests registered here:
#  - asan: GCC with AddressSanitizer and UBSan, running the unit tests and
#    the command-line host on an empty file;
#  - tsan: GCC with ThreadSanitizer, running the concurrency test;
#  - fuzzing: clang with libFuzzer, a short smoke pass of every harness.
include(ExternalProject)

set(CHECK_BUILD_ARGS -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  -DTARNIK_WINDOWS=OFF -DTARNIK_CHECKS=OFF)

ExternalProject_Add(asan
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/asan
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_SANITIZE=address
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target unit_tests tarnik_host
  BUILD_ALWAYS ON INSTALL_COMMAND "")

ExternalProject_Add(tsan
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/tsan
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_SANITIZE=thread
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target concurrency_tests
  BUILD_ALWAYS ON INSTALL_COMMAND "")

ExternalProject_Add(fuzzing
  SOURCE_DIR ${CMAKE_SOURCE_DIR} BINARY_DIR ${CMAKE_BINARY_DIR}/fuzzing
  DEPENDS libjpeg_turbo_source
  CMAKE_ARGS ${CHECK_BUILD_ARGS} -DTARNIK_FUZZ=ON
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
    -DLIBJPEG_TURBO_SOURCE=${LIBJPEG_TURBO_SHARED_SOURCE}
  BUILD_ALWAYS ON INSTALL_COMMAND "")

add_test(NAME asan.unit_tests COMMAND ${CMAKE_BINARY_DIR}/asan/tests/unit_tests)
set_tests_properties(asan.unit_tests PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")

# A 0-byte file has no data to copy from: the host refuses it (status 1)
# without handing a null pointer to the C library. The sanitizers exit with
# a status of their own here, since 1 is the host's answer.
add_test(NAME asan.host_empty_file
  COMMAND sh -c "$0 --memory /dev/null; memory=$?; $0 /dev/null; file=$?; [ $memory = 1 ] && [ $file = 1 ]"
    ${CMAKE_BINARY_DIR}/asan/tarnik_host)
set_tests_properties(asan.host_empty_file PROPERTIES
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:exitcode=86;UBSAN_OPTIONS=print_stacktrace=1:exitcode=86")

add_test(NAME tsan.concurrency COMMAND ${CMAKE_BINARY_DIR}/tsan/tests/concurrency/concurrency_tests)
set_tests_properties(tsan.concurrency PROPERTIES ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")

# A short libFuzzer pass of every harness from its seeds; new inputs go to a
# scratch corpus so the seeds stay as generated. An input that the decode
# target takes longer than FUZZ_DECODE_TIMEOUT seconds over is a finding:
# its slowest seeds, bombs stopped at the scan limit behind a 4096 x 4096
# header, take about 2.5 s of CPU in this instrumented build (a bomb that
# ran all its scans took minutes), and the timeout counts wall time, which
# a loaded machine stretches several times.
set(FUZZ_SMOKE_SECONDS 12)
set(FUZZ_DECODE_TIMEOUT 30)
foreach(harness picture_info_fuzzer picture_fuzzer is_supported_fuzzer settings_fuzzer file_memory_fuzzer)
  set(timeout "")
  if(harness STREQUAL "picture_fuzzer")
    set(timeout -timeout=${FUZZ_DECODE_TIMEOUT})
  endif()
  add_test(NAME fuzz.smoke.${harness}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
      sh -c "rm -rf corpus-${harness} && mkdir corpus-${harness} && \
             ${CMAKE_BINARY_DIR}/fuzzing/fuzz/${harness} -max_total_time=${FUZZ_SMOKE_SECONDS} \
             ${timeout} -dict=${CMAKE_SOURCE_DIR}/fuzz/tarnik.dict -rss_limit_mb=4096 \
             corpus-${harness} ${CMAKE_BINARY_DIR}/fuzz-seeds/${harness}"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()

# valgrind's memcheck over the native integration tests: the exports from
# files and memory images, the golden samples and the bad-file corpus.
find_program(VALGRIND valgrind REQUIRED)
foreach(suite unit_tests golden/golden_tests corpus/corpus_tests)
  get_filename_component(name ${suite} NAME)
  add_test(NAME valgrind.${name}
    COMMAND ${VALGRIND} -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite
      ${CMAKE_BINARY_DIR}/tests/${suite})
endforeach()

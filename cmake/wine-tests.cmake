# Tests of the real tarnik.spi under Wine, registered in the native build.
# Wine runs in the prefix of cmake/main-job.cmake, made once by the
# wine.prefix fixture.

add_test(NAME wine.dll_exports_and_imports
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/wine/check_dll.sh ${WINDOWS_BUILD}/tarnik.spi
    ${CMAKE_SOURCE_DIR}/tests/wine/dll_imports.txt)

add_test(NAME wine.prefix COMMAND ${WINE_SH} init)
add_test(NAME wine.prefix.stop COMMAND ${WINE_SH} stop)
set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 900)
set_tests_properties(wine.prefix.stop PROPERTIES FIXTURES_CLEANUP wine)

# The test program in groups, each in a work directory of its own.
foreach(group exports regions settings)
  add_test(NAME wine.${group}
    COMMAND ${WINE_SH} layout ${CMAKE_BINARY_DIR}/wine-work/${group}
      ${WINDOWS_BUILD}/tests/wine/wine_tests.exe ${WINDOWS_BUILD}/tarnik.spi ${SAMPLES} ${group})
  set_tests_properties(wine.${group} PROPERTIES FIXTURES_REQUIRED wine)
endforeach()

# What the host gets, each group with the files it reads as its samples:
# pictures against djpeg's decode of the same JPEG bytes (float IDCT for the
# best-quality path, fast for the fastest), the golden texts, the bad-file
# corpus, and the bodies' samples against their independent oracle
# (tests/samples/CMakeLists.txt).
set(REFERENCE_DIR ${CMAKE_BINARY_DIR}/wine-pictures)
add_custom_command(OUTPUT ${REFERENCE_DIR}/full-fast.bmp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${REFERENCE_DIR}
  COMMAND ${CMAKE_COMMAND} -E create_symlink ${SAMPLES}/camera.pef ${REFERENCE_DIR}/camera.pef
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/wine/djpeg_references.sh ${SAMPLES}/camera.pef ${REFERENCE_DIR}
  DEPENDS samples ${CMAKE_SOURCE_DIR}/tests/wine/djpeg_references.sh
  COMMENT "Decoding the camera sample's JPEGs with djpeg for reference")
add_custom_target(wine_references ALL DEPENDS ${REFERENCE_DIR}/full-fast.bmp)

foreach(group_and_files pictures:${REFERENCE_DIR} texts:${CMAKE_BINARY_DIR}/golden
                        corpus:${CMAKE_BINARY_DIR}/bad-files bodies:${CMAKE_BINARY_DIR}/oracle)
  string(REPLACE ":" ";" parts ${group_and_files})
  list(GET parts 0 group)
  list(GET parts 1 files)
  add_test(NAME wine.${group}
    COMMAND ${WINE_SH} layout ${CMAKE_BINARY_DIR}/wine-work/${group}
      ${WINDOWS_BUILD}/tests/wine/wine_tests.exe ${WINDOWS_BUILD}/tarnik.spi ${files} ${group})
  set_tests_properties(wine.${group} PROPERTIES FIXTURES_REQUIRED wine)
endforeach()

# The command-line host end to end, beside the DLL as in the main job: the
# native host's table of cases, the camera file's preview among them.
add_test(NAME wine.host_cases
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/host/check_host.sh ${CMAKE_BINARY_DIR}/wine-work/host ${SAMPLES}
    ${WINE_SH} exec ${CMAKE_BINARY_DIR}/wine-work/host ${WINDOWS_BUILD}/tarnik_host.exe)
set_tests_properties(wine.host_cases PROPERTIES FIXTURES_REQUIRED wine)

# The golden information texts, through the DLL and the host's conversion
# from code page 932.
add_test(NAME wine.golden_texts
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/golden.sh ${WINE_PREFIX}
    ${WINDOWS_BUILD}/tarnik_host.exe ${CMAKE_BINARY_DIR}/golden ${CMAKE_BINARY_DIR}/wine-work/golden)
set_tests_properties(wine.golden_texts PROPERTIES FIXTURES_REQUIRED wine)

# The benchmark under Wine (a program that prints ratios, not a test).
add_custom_target(bench_wine
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/wine-work/bench
  COMMAND ${WINE_SH} exec ${CMAKE_BINARY_DIR}/wine-work/bench ${WINDOWS_BUILD}/decode_bench.exe
    ${SAMPLES}/camera.pef
  DEPENDS windows samples
  USES_TERMINAL VERBATIM)

# Wine's i386 side runs emulated here, and its own processes have been seen
# to crash and leave a finished test program hanging when several Wine
# programs start at once. The Wine tests therefore run one at a time, each
# bounded well above its few seconds, and tools/test.sh runs a failed one
# once more when its program never reached its closing line.
get_property(wine_tests DIRECTORY PROPERTY TESTS)
list(FILTER wine_tests INCLUDE REGEX "^wine\\.")
list(REMOVE_ITEM wine_tests wine.dll_exports_and_imports wine.prefix wine.prefix.stop)
set_tests_properties(${wine_tests} PROPERTIES RESOURCE_LOCK wine TIMEOUT 180)
# The bodies decode some 450 megapixels, the 645Z's 51 at a time.
set_tests_properties(wine.bodies PROPERTIES TIMEOUT 900)

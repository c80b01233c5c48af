# The release zip, made by CPack (`cmake --build build --target package`,
# giving build/tarnik-VERSION-win32.zip): the stripped tarnik.spi, the
# commented tarnik.ini, the read-mes and tarnik's LICENSE as Windows text
# (the Japanese read-me in code page 932), and the notices that the
# libraries linked into the DLL require for binary redistribution, taken
# from the sources built here.
set(RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(RELEASE_TEXTS ${RELEASE_DIR}/readme-ja.txt ${RELEASE_DIR}/readme-en.txt ${RELEASE_DIR}/tarnik.ini
  ${RELEASE_DIR}/LICENSE)
add_custom_command(OUTPUT ${RELEASE_TEXTS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RELEASE_DIR}
  COMMAND sh -c "iconv -f UTF-8 -t CP932 $0 | sed 's/$/\\r/' >$1"
    ${CMAKE_SOURCE_DIR}/dist/readme-ja.txt ${RELEASE_DIR}/readme-ja.txt
  COMMAND sh -c "sed 's/$/\\r/' $0 >$1" ${CMAKE_SOURCE_DIR}/dist/readme-en.txt ${RELEASE_DIR}/readme-en.txt
  COMMAND sh -c "sed 's/$/\\r/' $0 >$1" ${CMAKE_SOURCE_DIR}/dist/tarnik.ini ${RELEASE_DIR}/tarnik.ini
  COMMAND sh -c "sed 's/$/\\r/' $0 >$1" ${CMAKE_SOURCE_DIR}/LICENSE ${RELEASE_DIR}/LICENSE
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/readme-ja.txt ${CMAKE_SOURCE_DIR}/dist/readme-en.txt
    ${CMAKE_SOURCE_DIR}/dist/tarnik.ini ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Writing the release's texts as Windows text"
  VERBATIM)
add_custom_target(release_texts ALL DEPENDS ${RELEASE_TEXTS})

install(FILES ${WINDOWS_BUILD}/release/tarnik.spi ${RELEASE_TEXTS} DESTINATION .)
set(JPEG_TURBO_SOURCE ${LIBJPEG_TURBO_SHARED_SOURCE})
install(FILES ${JPEG_TURBO_SOURCE}/LICENSE.md RENAME libjpeg-turbo-LICENSE.md DESTINATION licenses)
install(FILES ${JPEG_TURBO_SOURCE}/README.ijg RENAME libjpeg-turbo-README.ijg DESTINATION licenses)
install(FILES /usr/share/doc/mingw-w64-i686-dev/copyright
  RENAME mingw-w64-runtime-copyright.txt DESTINATION licenses)
install(FILES /usr/share/doc/gcc-mingw-w64-i686-win32/copyright
  RENAME gcc-runtime-libgcc-libstdc++-copyright.txt DESTINATION licenses)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tarnik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)

if(TARNIK_TESTS)
  # The zip as a user gets it: every file there, the Japanese read-me in code
  # page 932 with CRLF line ends, and the zipped DLL loaded under Wine with
  # the settings file the read-mes show.
  add_test(NAME package.zip
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/package/check_zip.sh ${CMAKE_BINARY_DIR}
      ${CMAKE_BINARY_DIR}/wine-work/package ${WINDOWS_BUILD}/tarnik_host.exe ${SAMPLES}/camera.pef)
  set_tests_properties(package.zip PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300)
endif()

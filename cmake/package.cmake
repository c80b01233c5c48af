# `package`: the release zip, with the DLL, a commented sample tarnik.ini
# and the README.
set(PACKAGE_DIR ${CMAKE_BINARY_DIR}/package/tarnik)
add_custom_target(package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_DIR} ${CMAKE_BINARY_DIR}/tarnik.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/windows/tarnik.spi
    ${CMAKE_SOURCE_DIR}/dist/tarnik.ini ${CMAKE_SOURCE_DIR}/README.md ${PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/package zip -q -r ${CMAKE_BINARY_DIR}/tarnik.zip tarnik
  DEPENDS windows
  COMMENT "Packing build/tarnik.zip")

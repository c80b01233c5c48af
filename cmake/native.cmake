# Native (Linux) build: the same core over the POSIX stand-in of the platform
# layer, as a shared library with the eight exports, plus the tools and the
# unit tests. Unless TARNIK_WINDOWS is off, it also cross-builds the real
# tarnik.spi and registers its tests under Wine. With TARNIK_TESTS off only
# the plug-in, the tools and the release are built (the main job).
option(TARNIK_WINDOWS "Cross-build tarnik.spi and test it under Wine" ON)
set(TARNIK_SANITIZE "" CACHE STRING "Sanitizer build: address (with UBSan), thread, or empty")
option(TARNIK_FUZZ "Build the fuzz harnesses as libFuzzer targets (clang)" OFF)
option(TARNIK_CHECKS "Also build the sanitizer and fuzz trees and run their tests" ON)

find_package(PkgConfig REQUIRED)
if(TARNIK_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # libjpeg-turbo instrumented too, so that ASan sees it write into the
  # pixel block and libFuzzer follows its branches; without SIMD, whose
  # assembly neither can see into.
  include(cmake/libjpeg_turbo.cmake)
  libjpeg_turbo_static(jpeg_turbo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWITH_SIMD=OFF
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON
    "-DCMAKE_C_FLAGS=-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer")
  set(TARNIK_JPEG jpeg_turbo)
else()
  pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
  set(TARNIK_JPEG PkgConfig::LIBJPEG)
endif()

if(TARNIK_TESTS)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
  enable_testing()
endif()

if(TARNIK_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(TARNIK_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread)
  add_link_options(-fsanitize=thread)
endif()

# The POSIX stand-in of the platform layer, and the libjpeg glue (C).
file(GLOB TARNIK_POSIX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*_posix.cpp)
file(GLOB TARNIK_JPEG_GLUE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/picture/*.c)

add_library(tarnik_objects OBJECT ${TARNIK_CORE_SOURCES} ${TARNIK_POSIX_SOURCES} ${TARNIK_JPEG_GLUE})
target_include_directories(tarnik_objects PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tarnik_objects PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${TARNIK_CORE_OPTIONS}>)
set_target_properties(tarnik_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(tarnik_objects PUBLIC ${TARNIK_JPEG} ${CMAKE_DL_LIBS})

# The core linked into the unit tests, and the plug-in as a host loads it
# natively: tarnik.so.
add_library(tarnik_core STATIC $<TARGET_OBJECTS:tarnik_objects>)
target_link_libraries(tarnik_core PUBLIC tarnik_objects)
add_library(tarnik SHARED $<TARGET_OBJECTS:tarnik_objects>)
target_link_libraries(tarnik PRIVATE ${TARNIK_JPEG} ${CMAKE_DL_LIBS})
set_target_properties(tarnik PROPERTIES PREFIX "" OUTPUT_NAME tarnik)

if(TARNIK_TESTS)
  add_subdirectory(fuzz)
endif()
if(TARNIK_FUZZ)
  return()
endif()
add_subdirectory(tools)
if(TARNIK_TESTS)
  add_subdirectory(tests)
  add_subdirectory(bench)
endif()

# libjpeg-turbo's source, fetched once here for the Windows and fuzzing
# trees, which each build a static library of their own from it.
if(TARNIK_WINDOWS OR (TARNIK_CHECKS AND TARNIK_TESTS))
  include(cmake/libjpeg_turbo.cmake)
  set(LIBJPEG_TURBO_SHARED_SOURCE ${CMAKE_BINARY_DIR}/libjpeg-turbo/source)
  libjpeg_turbo_fetch(${LIBJPEG_TURBO_SHARED_SOURCE})
endif()

if(TARNIK_WINDOWS)
  include(ExternalProject)
  ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows
    DEPENDS libjpeg_turbo_source
    CMAKE_ARGS -G Ninja
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
      -DCMAKE_BUILD_TYPE=Release -DTARNIK_TESTS=${TARNIK_TESTS}
      -DLIBJPEG_TURBO_SOURCE=${LIBJPEG_TURBO_SHARED_SOURCE}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  include(cmake/main-job.cmake)
  include(cmake/package.cmake)
  if(TARNIK_TESTS)
    include(cmake/wine-tests.cmake)
  endif()
endif()
if(TARNIK_CHECKS AND TARNIK_TESTS)
  include(cmake/checks.cmake)
endif()
if(TARNIK_TESTS)
  include(cmake/labels.cmake)
endif()

# Windows build: tarnik.spi, a PE32 DLL for i686, with libjpeg-turbo linked
# in statically; the command-line host and the Wine test program beside it.
include(${CMAKE_SOURCE_DIR}/cmake/libjpeg_turbo.cmake)

# libjpeg-turbo with its SIMD code, by the same cross toolchain.
libjpeg_turbo_static(jpeg_turbo -DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=ON -DREQUIRE_SIMD=ON)

# The libjpeg glue, the only code that sees jpeglib.h (and the build's
# jconfig.h).
file(GLOB TARNIK_JPEG_GLUE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/picture/*.c)
add_library(tarnik_jpeg_glue OBJECT ${TARNIK_JPEG_GLUE})
target_include_directories(tarnik_jpeg_glue PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(tarnik_jpeg_glue PRIVATE jpeg_turbo)

# Every export is __stdcall and __declspec(dllexport); --kill-at drops the
# "@N" that the toolchain would append to the exported names. Both runtimes
# are linked in, so the DLL imports nothing but Windows system DLLs.
file(GLOB TARNIK_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*_win32.cpp)
add_library(tarnik_objects OBJECT ${TARNIK_CORE_SOURCES} ${TARNIK_WIN32_SOURCES})
target_include_directories(tarnik_objects PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(tarnik_objects PRIVATE __USE_MINGW_ANSI_STDIO=1)
target_compile_options(tarnik_objects PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${TARNIK_CORE_OPTIONS}>)

add_library(tarnik SHARED $<TARGET_OBJECTS:tarnik_objects> $<TARGET_OBJECTS:tarnik_jpeg_glue>)
target_link_libraries(tarnik PRIVATE jpeg_turbo)
target_link_options(tarnik PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
set_target_properties(tarnik PROPERTIES PREFIX "" OUTPUT_NAME tarnik SUFFIX ".spi")

# The version resource, and the stripped copy in release/ that the release
# zip carries; tests keep reading symbols from the unstripped DLL.
enable_language(RC)
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE TARNIK_COPYRIGHT REGEX "^Copyright ")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_BINARY_DIR}/version.rc @ONLY)
target_sources(tarnik PRIVATE ${CMAKE_BINARY_DIR}/version.rc)
add_custom_command(TARGET tarnik POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release
  COMMAND ${CMAKE_STRIP} -o ${CMAKE_BINARY_DIR}/release/tarnik.spi $<TARGET_FILE:tarnik>)

add_subdirectory(${CMAKE_SOURCE_DIR}/tools/host ${CMAKE_BINARY_DIR}/tools/host)
if(NOT TARNIK_TESTS)
  return()
endif()

# The benchmark over the same objects and libjpeg-turbo, run under Wine by
# the native build's `bench_wine` target.
add_executable(decode_bench ${CMAKE_SOURCE_DIR}/bench/decode_bench.cpp
  ${CMAKE_SOURCE_DIR}/bench/bomb_bench.cpp ${CMAKE_SOURCE_DIR}/bench/body_bench.cpp ${CMAKE_SOURCE_DIR}/bench/dng_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/bombs.cpp
  ${CMAKE_SOURCE_DIR}/bench/heap_meter_none.cpp
  $<TARGET_OBJECTS:tarnik_objects> $<TARGET_OBJECTS:tarnik_jpeg_glue>)
target_include_directories(decode_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(decode_bench PRIVATE jpeg_turbo)
target_link_options(decode_bench PRIVATE -static -static-libgcc -static-libstdc++)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)

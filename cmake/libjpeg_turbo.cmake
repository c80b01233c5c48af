# libjpeg-turbo from Debian's source package, built as a static library for
# the builds that must not use the system's shared one: the Windows DLL
# (cross-compiled, with SIMD) and the fuzzing tree (instrumented like the
# plug-in, so that ASan sees libjpeg's writes and libFuzzer its branches).
#
#   libjpeg_turbo_fetch(DIR)
#     fetches and unpacks the source package into DIR, once per build
#     (target libjpeg_turbo_source); a parent build hands DIR down to its
#     subtrees as LIBJPEG_TURBO_SOURCE so that they share it.
#   libjpeg_turbo_static(NAME [cmake arguments...])
#     builds the static library from that source with the given arguments
#     and the tree's compilers, and defines the IMPORTED target NAME that
#     carries it with its include directories (jpeglib.h and the build's
#     jconfig.h).
include_guard(GLOBAL)
include(ExternalProject)

set(LIBJPEG_TURBO_SOURCE "" CACHE PATH
  "libjpeg-turbo's unpacked source, fetched by a parent build; empty: fetch it here")

function(libjpeg_turbo_fetch dir)
  set(fetch ${CMAKE_BINARY_DIR}/libjpeg-turbo-fetch)
  ExternalProject_Add(libjpeg_turbo_source
    PREFIX ${fetch}
    SOURCE_DIR ${dir}
    DOWNLOAD_COMMAND sh -c "rm -rf ${fetch}/unpack && mkdir -p ${fetch}/unpack && cd ${fetch}/unpack \
      && (apt-get source libjpeg-turbo >apt-get.log 2>&1 || (cat apt-get.log && false)) \
      && cp -a libjpeg-turbo-*/. ${dir}/"
    CONFIGURE_COMMAND "" BUILD_COMMAND "" INSTALL_COMMAND "")
endfunction()

function(libjpeg_turbo_static name)
  set(source ${LIBJPEG_TURBO_SOURCE})
  if(NOT source)
    set(source ${CMAKE_BINARY_DIR}/libjpeg-turbo/source)
    if(NOT TARGET libjpeg_turbo_source)
      libjpeg_turbo_fetch(${source})
    endif()
  endif()
  set(binary ${CMAKE_BINARY_DIR}/${name})
  set(library ${binary}/libjpeg.a)
  ExternalProject_Add(${name}_build
    PREFIX ${binary}-prefix
    SOURCE_DIR ${source}
    BINARY_DIR ${binary}
    DOWNLOAD_COMMAND ""
    CMAKE_ARGS -G Ninja -Wno-dev
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
      -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
      -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
      -DCMAKE_INSTALL_PREFIX=${binary}/unused
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
      ${ARGN}
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target jpeg-static
    BUILD_BYPRODUCTS ${library}
    INSTALL_COMMAND "")
  if(TARGET libjpeg_turbo_source)
    ExternalProject_Add_StepDependencies(${name}_build configure libjpeg_turbo_source)
  endif()

  # An imported target's include directories must exist when the build is
  # generated, before the source is fetched.
  file(MAKE_DIRECTORY ${source} ${binary})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION ${library}
    INTERFACE_INCLUDE_DIRECTORIES "${source};${binary}")
  add_dependencies(${name} ${name}_build)
endfunction()

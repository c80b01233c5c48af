# The folders' one direction of dependence, checked in the sources:
# io/ stands on nothing of the plug-in; exif/ on io/ and platform/;
# picture/ on those and exif/'s directory reader (the JPEG locator), never
# the reverse; plugin/ on all of them, never the reverse; platform/ on none of them. platform.h brings in no system header:
# only the C++ library's <cNAME> headers.
# Run as: cmake -DSOURCE_DIR=<tree> -P layering.cmake
function(forbid folder pattern)
  file(GLOB sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${pattern})")
    if(includes)
      message(SEND_ERROR "${source} includes ${includes}")
    endif()
  endforeach()
endfunction()

forbid(io "exif/|picture/|plugin/|platform/")
forbid(exif "picture/|plugin/")
forbid(picture "plugin/")
forbid(platform "io/|exif/|picture/|plugin/")

file(STRINGS ${SOURCE_DIR}/platform/platform.h includes REGEX "^[ \t]*#[ \t]*include")
list(FILTER includes EXCLUDE REGEX "^#include <c[a-z]+>$")
if(includes)
  message(SEND_ERROR "platform/platform.h includes ${includes}")
endif()

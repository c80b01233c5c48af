# The README's main job: a generated camera file opened through the real
# tarnik.spi by the Windows command-line host under Wine, in a throw-away
# prefix of the build tree that the Wine tests share.
set(WINDOWS_BUILD ${CMAKE_BINARY_DIR}/windows)
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(WINE_SH bash ${CMAKE_SOURCE_DIR}/tests/wine/wine.sh ${WINE_PREFIX})
set(SAMPLES ${CMAKE_BINARY_DIR}/samples)

set(MAIN_JOB_OUT ${CMAKE_BINARY_DIR}/out)
add_custom_target(main_job
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MAIN_JOB_OUT}
  COMMAND ${WINE_SH} exec ${MAIN_JOB_OUT} ${WINDOWS_BUILD}/tarnik_host.exe
    --bmp camera.bmp --text camera.txt ..\\samples\\camera.pef
  DEPENDS windows samples
  COMMENT "Opening samples/camera.pef through tarnik.spi under Wine"
  USES_TERMINAL VERBATIM)

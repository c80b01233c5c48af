#!/bin/sh
# Installs what is missing, builds only what the main job runs (tarnik.spi
# with libjpeg-turbo, the Windows command-line host, the sample generator),
# and opens a generated camera file through the real tarnik.spi under Wine
# as a host would: the picture goes to build/out/camera.bmp, the information
# text to build/out/camera.txt. tools/test.sh shares build/, so the options
# are given in full each time.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNIK_WINDOWS=ON \
  -DTARNIK_TESTS=OFF -DTARNIK_CHECKS=OFF >/dev/null
cmake --build build -j2 --target main_job

#!/bin/sh
# Installs what is missing, builds both targets, and opens a generated
# camera file through the real tarnik.spi under Wine as a host would:
# the picture goes to build/out/camera.bmp, the information text to
# build/out/camera.txt.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
cmake --build build --target main_job

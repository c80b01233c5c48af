#!/bin/sh
# Installs what is missing, builds both targets and runs every test: the
# native unit tests and the real tarnik.spi under Wine, through CTest. A
# failed test runs once more: emulated Wine can hang in its own processes.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2 --repeat until-pass:2 "$@"

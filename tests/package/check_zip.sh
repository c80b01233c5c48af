#!/bin/sh
# The release zip as a user unpacks it: made by CPack from the build tree,
# every file present, the DLL stripped and carrying its version resource,
# the Japanese read-me code page 932 text with CRLF line ends, and the
# zipped DLL loaded under Wine by the command-line host.
# usage: check_zip.sh BUILD_DIR WORK_DIR HOST_EXE SAMPLE.pef
set -u
build=$1 work=$2 host=$3 sample=$4
wine_sh=$(cd "$(dirname "$0")/../wine" && pwd)/wine.sh
passed=0
failed=0
verdict() {  # verdict OK|FAIL message
  if [ "$1" = OK ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}
check() {  # check MESSAGE COMMAND...
  message=$1
  shift
  if "$@"; then verdict OK; else verdict FAIL "$message"; fi
}

rm -rf "$work" && mkdir -p "$work/unpacked"
(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
zip=$(ls "$work"/tarnik-*.zip) || exit 1
(cd "$work/unpacked" && cmake -E tar xf "$zip") || exit 1
cd "$work/unpacked"

for file in tarnik.spi tarnik.ini readme-ja.txt readme-en.txt licenses/libjpeg-turbo-LICENSE.md \
            licenses/libjpeg-turbo-README.ijg licenses/mingw-w64-runtime-copyright.txt \
            licenses/gcc-runtime-libgcc-libstdc++-copyright.txt; do
  check "$file is missing or empty" test -s "$file"
done
check "the DLL keeps its symbols" sh -c '[ -z "$(i686-w64-mingw32-nm tarnik.spi 2>/dev/null)" ]'
check "the DLL has no version resource" sh -c 'i686-w64-mingw32-objdump -h tarnik.spi | grep -q "\.rsrc"'
check "readme-ja.txt is not code page 932" sh -c 'iconv -f CP932 -t UTF-8 readme-ja.txt >/dev/null'
check "readme-ja.txt has a line without CR" awk '!/\r$/ { bad = 1 } END { exit bad }' readme-ja.txt

output=$(bash "$wine_sh" "$build/wineprefix" layout "$work/wine" "$host" \
  "$work/unpacked/tarnik.spi" "$(dirname "$sample")" \
  --plugin '..\plugin\tarnik.spi' --preview "samples\\$(basename "$sample")" 2>&1)
case $output in
  *"GetPreview: 0 (success)"*) verdict OK ;;
  *) verdict FAIL "the zipped DLL does not open the sample under Wine: $output" ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

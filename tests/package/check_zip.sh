#!/bin/sh
# The release zip as a user unpacks it: made by CPack from the build tree,
# every file present, the DLL stripped and carrying its version resource
# with LICENSE's copyright line, the Japanese read-me code page 932 text
# with CRLF line ends, both read-mes showing the same settings file, and
# the zipped DLL loaded under Wine by the command-line host with that file,
# copied as shown, beside it: the preview comes back.
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

for file in tarnik.spi tarnik.ini readme-ja.txt readme-en.txt LICENSE licenses/libjpeg-turbo-LICENSE.md \
            licenses/libjpeg-turbo-README.ijg licenses/mingw-w64-runtime-copyright.txt \
            licenses/gcc-runtime-libgcc-libstdc++-copyright.txt; do
  check "$file is missing or empty" test -s "$file"
done
check "the DLL keeps its symbols" sh -c '[ -z "$(i686-w64-mingw32-nm tarnik.spi 2>/dev/null)" ]'
check "the DLL has no version resource" sh -c 'i686-w64-mingw32-objdump -h tarnik.spi | grep -q "\.rsrc"'
copyright=$(grep '^Copyright ' LICENSE | tr -d '\r')
check "the DLL's version resource lacks LICENSE's line \"$copyright\"" \
  sh -c 'strings -el tarnik.spi | grep -qxF "$0"' "$copyright"
check "readme-ja.txt is not code page 932" sh -c 'iconv -f CP932 -t UTF-8 readme-ja.txt >"$0"' "$work/readme-ja.utf8"
check "readme-ja.txt has a line without CR" awk '!/\r$/ { bad = 1 } END { exit bad }' readme-ja.txt

# The settings file a read-me shows: from its [SETTING] line up to the next
# blank one, indented and with line ends as there.
shown_ini() {  # shown_ini README OUTPUT
  awk '/^ *\[SETTING\]\r?$/ { shown = 1 } shown && /^\r?$/ { exit } shown' "$1" >"$2"
}
shown_ini readme-en.txt "$work/ini-en"
shown_ini "$work/readme-ja.utf8" "$work/ini-ja"
check "readme-en.txt shows no [SETTING] line" test -s "$work/ini-en"
check "readme-ja.txt shows other settings than readme-en.txt" cmp -s "$work/ini-en" "$work/ini-ja"

# The program in viewer/host, the zipped DLL in viewer/plugin with the
# read-me's tarnik.ini beside it.
viewer=$work/viewer
mkdir -p "$viewer/host" "$viewer/plugin"
cp "$host" "$viewer/host/"
cp tarnik.spi "$viewer/plugin/"
cp "$work/ini-en" "$viewer/plugin/tarnik.ini"
ln -s "$(dirname "$sample")" "$viewer/samples"
output=$(bash "$wine_sh" "$build/wineprefix" exec "$viewer" "$viewer/host/$(basename "$host")" \
  --plugin '..\plugin\tarnik.spi' "samples\\$(basename "$sample")" 2>&1)
case $output in
  *"GetPicture: 0 (success)"*"bitmap: 640 x 428"*) verdict OK ;;
  *) verdict FAIL "the zipped DLL with the read-me's tarnik.ini gives no preview under Wine: $output" ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

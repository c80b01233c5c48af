#!/bin/bash
# The command-line host as its user meets it, natively or under Wine. Each
# row runs it once in a scratch directory that holds the generated samples
# (`samples`) and an empty file, and names the exit status and a pattern
# (grep -E) that the whole output, standard output and error with each line
# end written as "~", must match. Where the system gives the reason, the
# pattern takes the native C library's words or the Windows one's.
# usage: check_host.sh WORK_DIR SAMPLE_DIR HOST_COMMAND...
#   HOST_COMMAND runs the host in WORK_DIR (wine.sh's exec goes there
#   itself), with the plug-in under test beside it as its default.
set -u
work=$1 samples=$2
shift 2
host=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
ln -s "$samples" samples
: >empty.pef
passed=0
failed=0
verdict() {  # verdict OK|FAIL message
  if [ "$1" = OK ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}
expect() {  # expect STATUS PATTERN HOST_ARGUMENTS...
  local status=$1 pattern=$2 output
  shift 2
  "${host[@]}" "$@" >output.log 2>&1
  local actual=$?
  output=$(tr -d '\r' <output.log | tr '\n' '~')
  if [ "$actual" = "$status" ] && printf '%s' "$output" | grep -Eq -- "$pattern"; then verdict OK; else
    verdict FAIL "$* gave status $actual (expected $status) and: $output"; fi
}

expect 0 'default: tarnik\.(so|spi) beside this program\)' --help
expect 0 'GetPreview: 0 \(success\)~bitmap: 640 x 428, 24 bits~pixel block: 921600 bytes, room for 480 rows of 1920 bytes; the bitmap is its first 428~$' \
  --offset 0 --preview --bmp preview.bmp samples/camera.pef
for offset in abc -5 +5 12x 2147483648; do
  expect 2 '^tarnik_host: --offset [^~]+: not a byte count from 0 to 2147483647~usage: ' \
    --offset "$offset" samples/camera.pef
done
expect 2 '^tarnik_host: cannot (read|open) samples: (Is a directory|Permission denied)~$' samples
expect 2 '^tarnik_host: cannot open missing.pef: No such file or directory~$' missing.pef
expect 2 '^tarnik_host: cannot load [^~]*missing.spi: [^~]*(No such file or directory|not found)[^~]*~$' \
  --plugin missing.spi samples/camera.pef
for output in --bmp --text; do
  expect 1 "tarnik_host: cannot write missing/out: No such file or directory~" \
    --preview "$output" missing/out samples/camera.pef
done
expect 1 'tarnik_host: cannot write /dev/full: No space left on device~' --preview --text /dev/full samples/camera.pef
expect 1 '^tarnik_host: empty.pef: not a file this plug-in opens \(IsSupported answered 0\)~$' empty.pef
# A whole bitmap: its two headers and the picture's 428 rows of 1920 bytes.
if [ "$(wc -c <preview.bmp)" = $((14 + 40 + 428 * 1920)) ]; then verdict OK; else
  verdict FAIL "preview.bmp is not the whole bitmap"; fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

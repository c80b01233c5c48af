#!/bin/bash
# The information texts of the golden samples through the real tarnik.spi
# under Wine: the command-line host's UTF-8 text for each NAME.pef must equal
# NAME.txt byte for byte; preview-only-at-4096.pef, read at offset 4096,
# must give preview-only.txt.
# usage: golden.sh WINE_PREFIX HOST_EXE GOLDEN_DIR WORK_DIR
set -u
prefix=$1 host=$2 golden=$3 work=$4
wine_sh=$(dirname "$0")/wine.sh
mkdir -p "$work"
ln -sfn "$golden" "$work/golden"
passed=0
failed=0
check() {  # check SAMPLE EXPECTED [HOST OPTIONS...]
  local sample=$1 expected=$2
  shift 2
  rm -f "$work/$sample.txt"
  bash "$wine_sh" "$prefix" exec "$work" "$host" --preview --text "$sample.txt" "$@" \
    "golden\\$sample.pef" >"$work/$sample.log" 2>&1
  if cmp -s "$work/$sample.txt" "$golden/$expected.txt"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $sample"
    diff "$work/$sample.txt" "$golden/$expected.txt"
    cat "$work/$sample.log"
  fi
}
for expected in "$golden"/*.txt; do
  name=$(basename "$expected" .txt)
  check "$name" "$name"
done
check preview-only-at-4096 preview-only --offset 4096
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 1 ]

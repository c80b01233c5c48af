#!/bin/sh
# Installs what is missing, builds everything with the tests and the check
# trees (ASan, TSan, fuzzing, valgrind), and runs the tests through CTest.
# Arguments go to ctest: `sh tools/test.sh -L unit` runs one label,
# `-R NAME` one test.
#
# A failed test is never run again, with one exception: emulated Wine can
# crash or hang in its own processes. A Wine or package test whose program never
# reached its closing line ("N passed, N failed, ...") is run once more, and
# the retry is listed in the summary after CTest's.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNIK_WINDOWS=ON \
  -DTARNIK_TESTS=ON -DTARNIK_CHECKS=ON >/dev/null
cmake --build build -j2

status=0
ctest --test-dir build --output-on-failure -j2 "$@" || status=$?

# A Wine test leaves out what the process cannot hold (an emulated 32-bit
# process may get less memory than Windows gives) and names it in a line
# "SKIPPED WHAT: needs N MiB, B MiB of it in one block, the process gets M MiB,
# L MiB of it in one block"; the summary lists them whatever the outcome.
# LastTestsFailed.log lists the failed tests as "NUMBER:NAME"; LastTest.log
# holds each test's output after its "I/N Testing: NAME" line. Any further
# ctest run rewrites both, so they are kept first.
testing=build/Testing/Temporary
skipped=$(grep -h '^ *SKIPPED ' $testing/LastTest.log 2>/dev/null | sed 's/^ *SKIPPED /  /' || true)
summary() {
  echo "Summary: $1; skipped for want of memory: $(printf '%s' "$skipped" | grep -c . || true)"
  [ -z "$skipped" ] || echo "$skipped"
}
if [ "$status" -eq 0 ]; then summary "all passed; Wine tests retried: none"; exit 0; fi

failures=$(cut -d: -f2- $testing/LastTestsFailed.log 2>/dev/null || true)
[ -n "$failures" ] || exit "$status"
cp $testing/LastTest.log build/failed-run.log
exactly() { echo "^$(echo "$1" | sed 's/[.]/\\./g')\$"; }
retry=""
for name in $failures; do
  ctest --test-dir build -N -L '^(wine|package)$' -R "$(exactly "$name")" | grep -q 'Test *#' || continue
  awk -v name="$name" '/^[0-9]+\/[0-9]+ Testing: / { inside = ($3 == name) } inside' build/failed-run.log |
    grep -Eq '^[0-9]+ passed, [0-9]+ failed' || retry="$retry $name"
done

failing=$(echo "$failures" | wc -w)
# A Wine that crashed or hung may have taken the prefix's server and
# services with it: the retry starts them afresh.
[ -z "$retry" ] || bash tests/wine/wine.sh "$PWD/build/wineprefix" stop
for name in $retry; do
  echo "RETRY $name: its program never finished (Wine crashed or hung); running it once more"
  if ctest --test-dir build --output-on-failure -R "$(exactly "$name")"; then
    echo "RETRY $name: passed on the second run"
    failing=$((failing - 1))
  else
    echo "RETRY $name: failed again"
  fi
done
summary "$(echo "$failures" | wc -w) failed; Wine tests retried:${retry:- none}; still failing: $failing"
[ "$failing" -eq 0 ]

#!/bin/sh
# Refreshes apt's package lists and installs the packages named, riding out
# a Debian mirror caught mid-sync. Called by tools/setup.sh; run as root.
# usage: apt_install.sh PACKAGE...
#
# A mirror that is syncing serves an index whose size disagrees with its
# Release file ("File has unexpected size ... Mirror sync in progress?"),
# and may stay so for half an hour. So:
#  1. a failed `apt-get update` is tried again, UpdateTries times in all;
#  2. when an index still fails, the install runs with the lists apt has;
#  3. when that install cannot be resolved (a foreign architecture's index
#     missing from one suite leaves i386 twins of that suite's libraries
#     unmatched), the suites whose indexes failed are left out: refresh and
#     install once more through a source list of our own, in a directory of
#     our own, given to apt for those two commands alone. The machine's own
#     source entries and package lists stay as they are.
# Only when all of that fails does it stop, with apt's message and a line
# naming what was tried.
set -eu

UpdateTries=${TARNIK_APT_TRIES:-3}
PauseSeconds=${TARNIK_APT_PAUSE:-20}
AptEtc=${TARNIK_APT_ETC:-/etc/apt}
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

say() { echo "setup: $*" >&2; }

# The first error apt printed, for one line of ours.
first_error() { grep -m1 '^E: ' "$1" || head -n1 "$1"; }

# The suites whose index apt failed to fetch (".../dists/SUITE/...").
failed_suites() {
  sed -n 's|.*Failed to fetch [^ ]*/dists/\([^/ ]*\)/.*|\1|p' "$1" | sort -u | tr '\n' ' '
}

refresh() {
  try=1
  while :; do
    apt-get "$@" update -qq >"$work/update.log" 2>&1 && return 0
    say "apt-get update failed (try $try of $UpdateTries): $(first_error "$work/update.log")"
    [ "$try" -lt "$UpdateTries" ] || return 1
    try=$((try + 1))
    sleep "$PauseSeconds"
  done
}

install() {
  apt-get "$@" install -y -qq --no-install-recommends $packages >"$work/install.log" 2>&1
}

# A copy of the machine's source entries without the suites named: one-line
# entries ("deb URI SUITE COMPONENTS...") whose suite is one of them are
# dropped; deb822 stanzas lose those suites from their Suites field, and a
# stanza left with none is dropped.
write_sources_without() {
  mkdir -p "$work/etc/sources.list.d" "$work/lists/partial"
  : >"$work/etc/sources.list"
  for list in "$AptEtc/sources.list" "$AptEtc"/sources.list.d/*.list; do
    [ -f "$list" ] || continue
    # The options in brackets may hold several words; the suite is the
    # third word without them.
    awk -v drop=" $1" '
      { entry = $0; sub(/\[[^]]*\]/, "", entry); split(entry, f, " "); suite = f[3] }
      /^[ \t]*deb/ && index(drop " ", " " suite " ") { next }
      { print }' "$list" >>"$work/etc/sources.list"
  done
  for stanzas in "$AptEtc"/sources.list.d/*.sources; do
    [ -f "$stanzas" ] || continue
    awk -v drop=" $1" 'BEGIN { RS = ""; ORS = "\n\n" }
      {
        n = split($0, lines, "\n"); out = ""; empty = 0
        for (i = 1; i <= n; i++) {
          line = lines[i]
          if (line ~ /^Suites:/) {
            kept = ""; m = split(substr(line, 8), s, " ")
            for (j = 1; j <= m; j++) if (!index(drop " ", " " s[j] " ")) kept = kept " " s[j]
            if (kept == "") empty = 1
            line = "Suites:" kept
          }
          out = out line "\n"
        }
        if (!empty) printf "%s\n", out
      }' "$stanzas" >"$work/etc/sources.list.d/$(basename "$stanzas")"
  done
}

packages="$*"
if refresh; then
  install && exit 0
  say "apt-get install failed: $(first_error "$work/install.log")"
  cat "$work/install.log" >&2
  exit 1
fi
cp "$work/update.log" "$work/failed-update.log"
suites=$(failed_suites "$work/failed-update.log")
say "going on with the package lists apt has"
if install; then exit 0; fi

tried="apt-get update $UpdateTries times, the install with the lists apt had"
if [ -n "$suites" ]; then
  say "leaving out ${suites% } for this install: its index failed to download ($(first_error "$work/failed-update.log")), and without that index the install could not be resolved"
  write_sources_without "$suites"
  set -- -o "Dir::Etc::sourcelist=$work/etc/sources.list" \
    -o "Dir::Etc::sourceparts=$work/etc/sources.list.d" -o "Dir::State::Lists=$work/lists" \
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
  # An index failing here too does not stop the install either: the lists
  # apt did fetch may be enough, and when they are not, apt's complaint
  # about the packages is the message to show.
  refresh "$@" || say "going on with the package lists apt fetched without ${suites% }"
  if install "$@"; then exit 0; fi
  tried="$tried, and the install without ${suites% }"
fi
cat "$work/install.log" >&2
say "could not install the packages: tried $tried"
exit 1

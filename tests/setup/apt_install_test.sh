#!/bin/sh
# tools/apt_install.sh against a stand-in apt-get that plays back a mirror
# caught mid-sync, with no network and without touching the machine's apt.
# Each case sets how `apt-get update` and `apt-get install` answer:
#   ok      they succeed
#   once    the first call fails, later ones succeed
#   suite   they fail while the source entries in use hold bookworm-security
#           (its i386 index is the one the mirror serves half-synced)
#   always  they fail
# and states what the script must run (the stand-in's calls in order, "+own"
# when apt was given a source list, source parts and package lists of the
# script's own), its exit status, and lines it must print.
# usage: apt_install_test.sh [PATH_TO_apt_install.sh]
set -u
script=$(cd "$(dirname "$0")/../.." && pwd)/tools/apt_install.sh
script=${1:-$script}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

mkdir -p "$tmp/bin"
cat >"$tmp/bin/apt-get" <<'EOF'
#!/bin/sh
sources= parts= lists= command=
for arg; do
  case $arg in
    Dir::Etc::sourcelist=*) sources=${arg#*=} ;;
    Dir::Etc::sourceparts=*) parts=${arg#*=} ;;
    Dir::State::Lists=*) lists=${arg#*=} ;;
    update | install) command=${command:-$arg} ;;
  esac
done
echo "$*" >>"$STUB/args"
if [ -n "$sources$parts$lists" ]; then
  [ -f "$sources" ] && [ -d "$parts" ] && [ -d "$lists/partial" ] && command="$command+own"
  rm -rf "$STUB/seen" && mkdir "$STUB/seen" && cat "$sources" "$parts"/* >"$STUB/seen/entries" 2>/dev/null
else
  sources=$TARNIK_APT_ETC/sources.list parts=$TARNIK_APT_ETC/sources.list.d
fi
printf '%s ' "$command" >>"$STUB/calls"
case $command in update*) mode=$STUB_UPDATE ;; *) mode=$STUB_INSTALL ;; esac
case $mode in
  ok) exit 0 ;;
  once) [ "$(grep -o update "$STUB/calls" | wc -l)" -gt 1 ] && exit 0 ;;
  suite) cat "$sources" "$parts"/* 2>/dev/null | grep -v '^#' | grep -q bookworm-security || exit 0 ;;
esac
case $command in
  update*)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." ;;
  *)
    echo " wine32:i386 : Depends: zlib1g:i386 (>= 1:1.2.13.dfsg-1) but it is not going to be installed"
    echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." ;;
esac
exit 100
EOF
chmod +x "$tmp/bin/apt-get"

# The machine's own entries: one-line ones (with options in brackets) and
# deb822 stanzas, bookworm-security among the suites of each kind.
mkdir -p "$tmp/etc/sources.list.d"
cat >"$tmp/etc/sources.list" <<'EOF'
# the machine's own entries
deb http://deb.debian.org/debian bookworm main
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
deb-src http://deb.debian.org/debian bookworm-updates main
EOF
echo 'deb http://deb.debian.org/debian-security bookworm-security main contrib' >"$tmp/etc/sources.list.d/security.list"
cat >"$tmp/etc/sources.list.d/debian.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main

Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-security bookworm-backports
Components: main
EOF
machine=$(cd "$tmp/etc" && find . -type f -exec md5sum {} + | sort)

# What the entries given to apt must hold once bookworm-security is left out.
kept='deb http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian bookworm-updates main
Suites: bookworm bookworm-updates
Suites: bookworm-backports'

passed=0 failed=0
fail() {
  echo "FAILED $name: $*"
  failed=$((failed + 1))
  ok=false
}

# name | update | install | exit | calls | lines printed, ";" between them
while IFS='|' read -r name update install status calls lines; do
  [ -n "$name" ] || continue
  rm -rf "$tmp/stub" "$tmp/scratch" && mkdir "$tmp/stub" "$tmp/scratch"
  out=$(STUB=$tmp/stub STUB_UPDATE=$update STUB_INSTALL=$install TARNIK_APT_ETC=$tmp/etc \
    TARNIK_APT_PAUSE=0 TMPDIR=$tmp/scratch PATH=$tmp/bin:$PATH sh "$script" cmake wine32:i386 2>&1)
  got=$?
  ok=true
  [ "$got" = "$status" ] || fail "exit status $got, expected $status"
  [ "$(cat "$tmp/stub/calls")" = "$calls " ] || fail "ran: $(cat "$tmp/stub/calls"), expected: $calls"
  echo "$lines" | tr ';' '\n' | while read -r line; do
    echo "$out" | grep -qF "$line" || echo "$line"
  done >"$tmp/missing"
  [ -s "$tmp/missing" ] && fail "did not print: $(cat "$tmp/missing")"
  grep install "$tmp/stub/args" | grep -qv ' cmake wine32:i386$' && fail "an install without the packages named"
  [ "$(cd "$tmp/etc" && find . -type f -exec md5sum {} + | sort)" = "$machine" ] || fail "the machine's entries changed"
  [ -z "$(ls "$tmp/scratch")" ] || fail "left behind: $(ls "$tmp/scratch")"
  if [ -f "$tmp/stub/seen/entries" ]; then
    grep -v '^#' "$tmp/stub/seen/entries" | grep -q bookworm-security && fail "bookworm-security not left out"
    grep -qx 'Suites: *' "$tmp/stub/seen/entries" && fail "a stanza left with no suite"
    echo "$kept" | while read -r line; do
      grep -qxF "$line" "$tmp/stub/seen/entries" || echo "$line"
    done >"$tmp/missing"
    [ -s "$tmp/missing" ] && fail "entries lost: $(cat "$tmp/missing")"
  fi
  if $ok; then passed=$((passed + 1)); else echo "$out" | sed 's/^/  /'; fi
done <<'EOF'
update fails once|once|ok|0|update update install|apt-get update failed (try 1 of 3): E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/
install fails after a good update|ok|always|1|update install|apt-get install failed: E: Error, pkgProblemResolver
index keeps failing, install resolves|suite|ok|0|update update update install|try 3 of 3;going on with the package lists apt has
index keeps failing, install resolves without it|suite|suite|0|update update update install update+own install+own|leaving out bookworm-security for this install: its index failed to download (E: Failed to fetch
everything fails|always|always|1|update update update install update+own update+own update+own install+own|could not install the packages: tried apt-get update 3 times, the install with the lists apt had, and the install without bookworm-security;E: Error, pkgProblemResolver
EOF

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

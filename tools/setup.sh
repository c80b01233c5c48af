#!/bin/sh
# Installs every Debian package that building and testing tarnik needs.
# Idempotent: quiet when everything is already there. Run as root.
set -eu

PACKAGES="cmake ninja-build g++ ccache pkg-config
  g++-mingw-w64-i686 binutils-mingw-w64-i686 nasm dpkg-dev
  wine wine32:i386
  libgtest-dev libjpeg62-turbo-dev libjpeg-turbo-progs libimage-exiftool-perl
  clang-14 libclang-rt-14-dev valgrind zip"

missing() {
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

# The cross build compiles libjpeg-turbo from Debian's source package, so apt
# needs source entries beside the binary ones. They are derived from the
# machine's own Debian entries rather than naming a mirror here.
add_source_entries() {
  [ -f "$SRC_LIST" ] || [ -f "$SRC_STANZAS" ] && return 0
  if [ -f /etc/apt/sources.list ]; then
    awk '$1=="deb" && $0 !~ /security/ {$1="deb-src"; print}' /etc/apt/sources.list > "$SRC_LIST"
  fi
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$SRC_STANZAS" ] || continue
    # deb822 stanzas of the Debian archive (not its security suite) again,
    # as source stanzas with the same key.
    awk 'BEGIN{RS="";ORS="\n\n"} /debian-archive-keyring/ && !/security/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
  done > "$SRC_STANZAS.tmp"
  if [ -s "$SRC_STANZAS.tmp" ]; then mv "$SRC_STANZAS.tmp" "$SRC_STANZAS"; else rm -f "$SRC_STANZAS.tmp"; fi
}

SRC_LIST=/etc/apt/sources.list.d/tarnik-deb-src.list
SRC_STANZAS=/etc/apt/sources.list.d/tarnik-deb-src.sources
need=$(missing)
if [ -n "$need" ] || { [ ! -f "$SRC_LIST" ] && [ ! -f "$SRC_STANZAS" ]; }; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  add_source_entries
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  [ -z "$need" ] || apt-get install -y -qq --no-install-recommends $need >/dev/null
fi

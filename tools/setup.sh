#!/bin/sh
# Installs the Debian packages that building tarnik needs: the main job's
# (the DLL, the command-line host, the sample generator, libjpeg-turbo, and
# Wine to run them). With --tests also those of the tests and the check
# trees. Idempotent: quiet when everything is already there. Run as root.
# usage: setup.sh [--tests]
set -eu

PACKAGES="cmake ninja-build g++ ccache pkg-config
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 nasm dpkg-dev
  wine wine32:i386 wine32-preloader:i386 qemu-user-static libjpeg62-turbo-dev"
TEST_PACKAGES="libgtest-dev libjpeg-turbo-progs libimage-exiftool-perl
  clang-14 libclang-rt-14-dev valgrind"
if [ "${1:-}" = --tests ]; then PACKAGES="$PACKAGES $TEST_PACKAGES"; fi

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
  # shellcheck disable=SC2086
  sh "$(dirname "$0")/apt_install.sh" $need
fi

# Wine's 32-bit loader is an i386 Linux program. A kernel built without IA-32
# emulation runs none, so there qemu's user-mode emulator runs them through
# binfmt_misc (tests/wine/wine.sh then gives Wine's preloader an address range).
# The registration does not outlive a reboot, so it is checked every time.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -f $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
  # The i386 ELF header: class 32-bit, little-endian, type executable or shared object.
  [ -f $binfmt/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > $binfmt/register
  /usr/lib/wine/wine --version >/dev/null
fi

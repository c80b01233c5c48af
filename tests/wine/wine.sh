#!/bin/bash
# Runs Windows programs under Wine in a throw-away prefix of the build tree.
#   wine.sh PREFIX init                    make the prefix once, start its server
#   wine.sh PREFIX stop                    stop the prefix's server
#   wine.sh PREFIX exec DIR EXE [ARGS...]  run EXE with DIR as current directory
#   wine.sh PREFIX layout DIR EXE DLL SAMPLES [ARGS...]
#       the test layout: EXE copied to DIR/host, DLL to DIR/plugin, SAMPLES
#       linked as DIR/samples; then run DIR/host/EXE in DIR
set -eu
# No display, no menu entries, and no debugger popping up for a crash.
export WINEPREFIX="$1" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winex11.drv=;winemenubuilder.exe=d;winedbg.exe=d"
command=$2
shift 2

# Where the kernel hands i386 programs to qemu's user-mode emulator
# (binfmt_misc, as tools/setup.sh registers it), Wine's preloader cannot lay
# out the address space of a 32-bit Windows process: qemu maps the
# preloader's whole image span (0x08048000-0x7e405000) and puts the guest's
# stack just below it, inside the 0x00110000-0x68000000 range the preloader
# reserves for Windows' allocations, so the preloader gives that range up and
# the process gets 120 MiB in all. The preloader takes one extra range from
# WINEPRELOADRESERVE, but none that ends inside that range; 0x68000000 up to
# the Wine loader's image at 0x7d000000 (with a margin) gives the process
# 424 MiB, 303 MiB of it in one block (qemu 7.2, Wine 8.0). Without the
# preloader the process would get the 1.9 GiB Windows gives, but Wine then
# reserves its areas through qemu's page-by-page search for free space, and
# every program takes about 45 s to start.
# The emulator is asked rather than binfmt_misc read: a chroot or container
# sees no /proc/sys/fs/binfmt_misc while its kernel still hands i386
# programs to qemu. Given QEMU_VERSION, qemu prints its version and runs
# nothing; an i386 program run by the kernel itself ignores it.
emulated() {
  QEMU_VERSION=1 /usr/lib/wine/wine --version 2>/dev/null | grep -q '^qemu-i386 '
}
if emulated; then export WINEPRELOADRESERVE=68000000-7c000000; fi

# Closes every descriptor above standard error in this (sub)shell: a build
# tool may hand down pipes it waits on besides our output (ninja's output
# pipe was seen held open under a higher number), and Wine's server and
# services outlive us.
close_inherited() {
  for fd in $(ls /proc/$BASHPID/fd); do
    [ "$fd" -gt 2 ] && eval "exec $fd>&-"
  done
}

# Runs "$@" detached from every descriptor we were given.
detached() {
  (
    close_inherited
    exec "$@"
  ) </dev/null >>"$WINEPREFIX.log" 2>&1
}

# A fresh prefix takes half a minute or so (longer where 32-bit code runs
# emulated); the stamp makes later runs skip it. Helper processes of a boot
# may hang under emulation, so every boot is bounded, and the first one's
# server killed. When no server runs, a persistent one is started with Wine's
# services, so each program starts quickly and no test waits for lingering
# processes.
InitSeconds=300
ServicesSeconds=60
init() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.initialised" ]; then
      rm -rf "$WINEPREFIX" "$WINEPREFIX.log"
      detached timeout $InitSeconds wineboot -i || true
      wineserver -k 2>/dev/null || true
      [ -f "$WINEPREFIX/system.reg" ] || { cat "$WINEPREFIX.log"; exit 1; }
      touch "$WINEPREFIX/.initialised"
    fi
    if detached wineserver -p; then
      detached timeout $ServicesSeconds wineboot || true
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Runs a Windows program with its output passed on through a file and no
# other descriptor of ours. A program that finds the prefix's boot unfinished
# (under emulation the bounded boot may not get there) starts wineboot and
# Wine's services itself, and they inherit its descriptors: were one of them
# a build tool's pipe, the tool would wait on it for good.
run() {
  local out status=0
  out=$(mktemp)
  (
    close_inherited
    exec wine "$@"
  ) >"$out" 2>&1 </dev/null || status=$?
  cat "$out"
  rm -f "$out"
  return $status
}

case $command in
  init) init ;;
  stop) wineserver -k 2>/dev/null || true ;;
  exec)
    init
    cd "$1"
    shift
    run "$@" ;;
  layout)
    init
    dir=$1 exe=$2 dll=$3 samples=$4
    shift 4
    mkdir -p "$dir/host" "$dir/plugin"
    rm -f "$dir/host/tarnik.ini" "$dir/plugin/tarnik.ini"
    cp "$exe" "$dir/host/"
    cp "$dll" "$dir/plugin/"
    ln -sfn "$samples" "$dir/samples"
    cd "$dir"
    run "host/$(basename "$exe")" "$@" ;;
  *) echo "usage: wine.sh PREFIX init|stop|exec|layout ..." >&2; exit 2 ;;
esac

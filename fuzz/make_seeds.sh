#!/bin/sh
# Seed corpora for the fuzz harnesses, cut from generated samples:
#   make_seeds.sh MAKE_SAMPLE OUTPUT_DIR
# picture_info: the header block of the file (TIFF, EXIF, maker note);
# picture: a selector byte then the preview JPEG; is_supported: the first
# 64 KiB; settings: a few settings files.
set -eu
make_sample=$1
out=$2
rm -rf "$out"
mkdir -p "$out/picture_info_fuzzer" "$out/picture_fuzzer" "$out/is_supported_fuzzer" \
         "$out/settings_fuzzer"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

n=0
for variant in "" "--no-exif" "--no-maker-note" "--values none --iso 100" \
               "--iso 40000 --bias -7/10 --lens 2,255 --focus 3 --flash 5"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  "$make_sample" --no-full --preview 640x480,q20 $variant "$work/s$n.pef"
  head -c 1024 "$work/s$n.pef" > "$out/picture_info_fuzzer/header$n"
  head -c 65536 "$work/s$n.pef" > "$out/is_supported_fuzzer/start$n"
done

n=0
for shape in 640x480,q20 641x481,q10,grey 640x480,q10,progressive 800x600,q10; do
  n=$((n + 1))
  "$make_sample" --no-full --preview "$shape" "$work/p$n.pef"
  for selector in '\000' '\002'; do
    { printf "$selector"; tail -c +8641 "$work/p$n.pef"; } > "$out/picture_fuzzer/jpeg$n-$(printf %s "$selector" | tr -d '\\')"
  done
done

printf '[SETTING]\nFULLSIZE=0\n' > "$out/settings_fuzzer/zero"
printf '[setting]\n fullsize = "$1F" \n' > "$out/settings_fuzzer/hex"
printf ';comment\n[OTHER]\nFULLSIZE=0\n[SETTING]\nFULLSIZE=-2147483648\n' > "$out/settings_fuzzer/sections"

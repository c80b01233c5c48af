#!/bin/sh
# Seed corpora for the fuzz harnesses, cut from generated samples:
#   make_seeds.sh MAKE_SAMPLE BAD_FILE_DIR OUTPUT_DIR
# picture_info: the header block of the file (TIFF, EXIF, maker note);
# picture: a selector byte then the preview JPEG, also from the bad-file
# corpus's decompression bombs and from cjpeg's other codings and layouts;
# is_supported: the first 64 KiB; settings: a few settings files. The
# bad-file corpus's structure and DNG files seed all three whole: the
# directory walk to the located JPEGs, and the SubIFDs to a DNG's previews.
set -eu
make_sample=$1
bad_files=$2
out=$3
rm -rf "$out"
mkdir -p "$out/picture_info_fuzzer" "$out/picture_fuzzer" "$out/is_supported_fuzzer" \
         "$out/settings_fuzzer" "$out/file_memory_fuzzer"
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

# A picture seed for each selector: the preview and the preview's place in
# the full-size region.
picture_seeds() { # NAME JPEG
  for selector in '\000' '\002'; do
    { printf "$selector"; cat "$2"; } > "$out/picture_fuzzer/$1-$(printf %s "$selector" | tr -d '\\')"
  done
}

for bomb in "$bad_files"/bomb-*.pef; do
  tail -c +8641 "$bomb" > "$work/bomb.jpg"
  picture_seeds "$(basename "$bomb" .pef)" "$work/bomb.jpg"
done

for file in "$bad_files"/structure-*.pef "$bad_files"/dng-*.pef; do
  name=$(basename "$file" .pef)
  cp "$file" "$out/picture_info_fuzzer/$name"
  head -c 65536 "$file" > "$out/is_supported_fuzzer/$name"
  for selector in '\004' '\005' '\006'; do
    { printf "$selector"; cat "$file"; } > "$out/picture_fuzzer/$name-$(printf %s "$selector" | tr -d '\\')"
  done
  for selector in '\000' '\001'; do
    { printf "$selector"; cat "$file"; } > "$out/file_memory_fuzzer/$name-$(printf %s "$selector" | tr -d '\\')"
  done
done

# A portrait file whole, turned upright (bit 3) in GetPicture and GetPreview.
"$make_sample" --no-full --orientation 6 "$work/portrait.pef"
for selector in '\014' '\016'; do
  { printf "$selector"; cat "$work/portrait.pef"; } > "$out/picture_fuzzer/portrait-$(printf %s "$selector" | tr -d '\\')"
done

# cjpeg's codings and samplings from the preview's pixels, and two frame
# sizes the camera never writes. Frames without a baseline header get a
# comment holding a 640 x 480 one in front, which the probe takes.
for size in 640x480 641x481 700x480; do
  "$make_sample" --no-full --preview "$size,q50" "$work/c.pef"
  tail -c +8641 "$work/c.pef" | djpeg -pnm > "$work/c$size.ppm"
done
decoy='\377\376\000\023\377\300\000\021\010\001\340\002\200\003\001\042\000\002\021\001\003\021\001'
cjpeg_seed() { # NAME SIZE cjpeg-options...
  name=$1 size=$2
  shift 2
  cjpeg -quality 30 "$@" "$work/c$size.ppm" > "$work/plain.jpg"
  { head -c 2 "$work/plain.jpg"; printf "$decoy"; tail -c +3 "$work/plain.jpg"; } > "$work/cjpeg.jpg"
  picture_seeds "cjpeg-$name" "$work/cjpeg.jpg"
}
cjpeg_seed arithmetic 640x480 -arithmetic
cjpeg_seed progressive 640x480 -progressive
cjpeg_seed restart 640x480 -restart 2
cjpeg_seed greyscale 640x480 -grayscale
cjpeg_seed sample-1x2 640x480 -sample 1x2
cjpeg_seed sample-4x1 640x480 -sample 4x1
cjpeg_seed sample-1x4 640x480 -sample 1x4
cjpeg_seed sample-3x2 640x480 -sample 3x2
cjpeg_seed frame-641x481 641x481
cjpeg_seed frame-700x480 700x480

printf '[SETTING]\nFULLSIZE=0\n' > "$out/settings_fuzzer/zero"
printf '[setting]\n fullsize = "$1F" \n' > "$out/settings_fuzzer/hex"
printf ';comment\n[OTHER]\nFULLSIZE=0\n[SETTING]\nFULLSIZE=-2147483648\n' > "$out/settings_fuzzer/sections"

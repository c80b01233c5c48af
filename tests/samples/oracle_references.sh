#!/bin/bash
# The independent oracle of the bodies' samples, for the plug-in's tests
# natively and under Wine (tests/support/oracle_reference.h reads it):
# exiftool extracts each sample's JPEGs (-JpgFromRaw, -PreviewImage), djpeg
# decodes them into 24-bit BMPs, float IDCT for the best-quality path and
# fast for the fastest, and exiftool's PreviewImageBorders say what of the
# preview is picture (none when the tag is absent, or stored in a form other
# than its int8u[4]: exiftool reads SHORT[4] as "26 26 0 0" all the same).
# A DNG (BODY.dng) shows its widest JPEG preview, and as its preview the
# narrowest at least 640 wide; where that is the widest, djpeg decodes it at
# the smallest scale n/8 (n = 1, 2, 4) still 640 wide. A sample whose maker
# note exiftool reads has the camera's text, any other the EXIF lines only.
#   oracle_references.sh SAMPLE_DIR OUT_DIR BODY...
# Writes to OUT_DIR, per body: BODY.raw (a link to the sample),
# BODY-{full,preview}-{float,fast}.bmp, and a line "BODY TOP BOTTOM LEFT
# RIGHT TEXT" of oracle.txt, written last; TEXT is camera-values.txt or
# exif-values.txt.
set -euo pipefail
shopt -s inherit_errexit

samples=$1
out=$2
shift 2
fail() { echo "FAIL: $*" >&2; exit 1; }

# The DNG's two JPEGs into full.jpg and preview.jpg; prints the preview's
# scale in eighths.
dng_jpegs() {
  exiftool -b -JpgFromRaw "$1" >"$out/full.jpg"
  exiftool -b -PreviewImage "$1" >"$out/preview.jpg"
  [ -s "$out/full.jpg" ] || cp "$out/preview.jpg" "$out/full.jpg"
  local width n
  width=$(exiftool -s3 -ImageWidth "$out/preview.jpg")
  if [ "$width" -ge 640 ] && ! cmp -s "$out/full.jpg" "$out/preview.jpg"; then echo 8; return; fi
  cp "$out/full.jpg" "$out/preview.jpg"
  width=$(exiftool -s3 -ImageWidth "$out/full.jpg")
  for n in 1 2 4 8; do
    if [ $(((width * n + 7) / 8)) -ge 640 ] || [ $n = 8 ]; then echo $n; return; fi
  done
}

manifest=$(mktemp -p "$out")
for body; do
  pef=$samples/$body.pef
  scale=8
  if [ -e "$samples/$body.dng" ]; then
    pef=$samples/$body.dng
    scale=$(dng_jpegs "$pef")
  else
    exiftool -b -JpgFromRaw "$pef" >"$out/full.jpg"
    exiftool -b -PreviewImage "$pef" >"$out/preview.jpg"
  fi
  ln -sf "$pef" "$out/$body.raw"
  for part in full preview; do
    [ -s "$out/$part.jpg" ] || fail "$body: exiftool extracts no $part JPEG"
    n=8
    [ $part = full ] || n=$scale
    djpeg -bmp -scale "$n/8" -dct float -outfile "$out/$body-$part-float.bmp" "$out/$part.jpg"
    djpeg -bmp -scale "$n/8" -dct fast -outfile "$out/$body-$part-fast.bmp" "$out/$part.jpg"
  done
  text=exif-values.txt
  [ -z "$(exiftool -s3 -Pentax:PentaxVersion "$pef")" ] || text=camera-values.txt
  if [ "$pef" != "${pef%.dng}" ]; then
    echo "$body 0 0 0 0 $text" >>"$manifest"
    continue
  fi
  # The size the maker note gives is the size of the JPEG it points to.
  read -r noted borders < <(exiftool -s3 -f -PreviewImageSize -PreviewImageBorders "$pef" | paste -sd ' ')
  decoded=$(exiftool -s3 -ImageSize "$out/preview.jpg")
  [ "$noted" = "$decoded" ] || fail "$body: PreviewImageSize $noted, the preview JPEG $decoded"
  # Pentax.pm's own form of the tag: BYTE or UNDEFINED, count 4.
  form=$(exiftool -v2 "$pef" | grep -A1 ' PreviewImageBorders = ' | grep -oE '(int8u|undef)\[4\]' || true)
  [ "$borders" != "-" ] && [ -n "$form" ] || borders="0 0 0 0"
  echo "$body $borders $text" >>"$manifest"
done
rm -f "$out/full.jpg" "$out/preview.jpg"
mv "$manifest" "$out/oracle.txt"

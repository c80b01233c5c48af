#!/bin/bash
# The independent oracle of the bodies' samples, for the plug-in's tests
# natively and under Wine (tests/support/oracle_reference.h reads it):
# exiftool extracts each sample's JPEGs (-JpgFromRaw, -PreviewImage), djpeg
# decodes them into 24-bit BMPs, float IDCT for the best-quality path and
# fast for the fastest, and exiftool's PreviewImageBorders say what of the
# preview is picture (none when the tag is absent, or stored in a form other
# than its int8u[4]: exiftool reads SHORT[4] as "26 26 0 0" all the same).
#   oracle_references.sh SAMPLE_DIR OUT_DIR BODY...
# Writes to OUT_DIR, per body: BODY.pef (a link to the sample),
# BODY-{full,preview}-{float,fast}.bmp, and a line "BODY TOP BOTTOM LEFT
# RIGHT" of oracle.txt, written last.
set -euo pipefail
shopt -s inherit_errexit

samples=$1
out=$2
shift 2
fail() { echo "FAIL: $*" >&2; exit 1; }

manifest=$(mktemp -p "$out")
for body; do
  pef=$samples/$body.pef
  ln -sf "$pef" "$out/$body.pef"
  exiftool -b -JpgFromRaw "$pef" >"$out/full.jpg"
  exiftool -b -PreviewImage "$pef" >"$out/preview.jpg"
  for part in full preview; do
    [ -s "$out/$part.jpg" ] || fail "$body: exiftool extracts no $part JPEG"
    djpeg -bmp -dct float -outfile "$out/$body-$part-float.bmp" "$out/$part.jpg"
    djpeg -bmp -dct fast -outfile "$out/$body-$part-fast.bmp" "$out/$part.jpg"
  done
  # The size the maker note gives is the size of the JPEG it points to.
  read -r noted borders < <(exiftool -s3 -f -PreviewImageSize -PreviewImageBorders "$pef" | paste -sd ' ')
  decoded=$(exiftool -s3 -ImageSize "$out/preview.jpg")
  [ "$noted" = "$decoded" ] || fail "$body: PreviewImageSize $noted, the preview JPEG $decoded"
  # Pentax.pm's own form of the tag: BYTE or UNDEFINED, count 4.
  form=$(exiftool -v2 "$pef" | grep -A1 ' PreviewImageBorders = ' | grep -oE '(int8u|undef)\[4\]' || true)
  [ "$borders" != "-" ] && [ -n "$form" ] || borders="0 0 0 0"
  echo "$body $borders" >>"$manifest"
done
rm -f "$out/full.jpg" "$out/preview.jpg"
mv "$manifest" "$out/oracle.txt"

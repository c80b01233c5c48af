#!/bin/sh
# libjpeg's own djpeg decodes of a camera file's two JPEGs, as 24-bit BMPs
# (bottom-up blue-green-red rows, the pixel block's layout):
#   djpeg_references.sh CAMERA_FILE OUTPUT_DIR
# preview-{float,fast}.bmp from the preview region (bytes 8640 to 65535),
# full-{float,fast}.bmp from byte 12371550 to the end.
set -eu
camera=$1
out=$2
tail -c +8641 "$camera" | head -c 56896 > "$out/preview.jpg"
tail -c +12371551 "$camera" > "$out/full.jpg"
for part in preview full; do
  djpeg -bmp -dct float -outfile "$out/$part-float.bmp" "$out/$part.jpg"
  djpeg -bmp -dct fast -outfile "$out/$part-fast.bmp" "$out/$part.jpg"
done

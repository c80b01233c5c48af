#!/bin/bash
# Checks the sample generator against independent readers: exiftool reads
# the EXIF and maker-note values back and finds nothing wrong with the TIFF
# structure, djpeg decodes both JPEGs at the camera's offsets, the files'
# layout variants and determinism hold, and exiftool reads the bodies'
# layouts as they are meant.
# usage: check_samples.sh MAKE_SAMPLE SAMPLE_DIR exif|jpeg|layout|determinism|bodies
set -euo pipefail
shopt -s inherit_errexit

make_sample=$1
samples=$2
mode=$3
camera=$samples/camera.pef
preview_only=$samples/preview-only.pef
preview_offset=8640
full_offset=12371550

fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"; }
size_of() { stat -c %s "$1"; }

# One line per file: the values a reader sees, in a fixed order, tab-separated;
# "-" for a missing one.
read_values() {
  exiftool -T -n -f -ISO -FocalLength -FocalLengthIn35mmFormat -ExposureTime -FNumber \
    -ExposureCompensation -ExposureProgram -MeteringMode -WhiteBalance -Flash \
    -Pentax:FocusMode -LensType -Orientation "$@" | tr '\t' ' '
}

check_exif() {
  local custom="--values none --iso 40000 --focal 18/1 --exposure 1/4000 --fnumber 28/10 --bias 2/3"
  custom+=" --program 1 --metering 255 --white-balance 1 --flash 25 --focus 3 --lens 2,255"
  # make_sample flags | values exiftool reads
  local cases=(
    "|200 50 75 0.008 5.6 -0.3333333333 3 5 0 16 16 5 4 1"
    "$custom|40000 18 - 0.00025 2.8 0.6666666667 1 255 1 25 3 2 255 1"
    "--bias -7/10 --unset iso --unset lens|- 50 75 0.008 5.6 -0.7 3 5 0 16 16 - 1"
    "--no-maker-note|200 50 75 0.008 5.6 -0.3333333333 3 5 0 16 - - 1"
    "--no-exif|- - - - - - - - - - - - 1"
    "--orientation 8|200 50 75 0.008 5.6 -0.3333333333 3 5 0 16 16 5 4 8"
    "--unset orientation|200 50 75 0.008 5.6 -0.3333333333 3 5 0 16 16 5 4 -"
  )
  local i flags want files=() wants=()
  for i in "${!cases[@]}"; do
    IFS='|' read -r flags want <<<"${cases[$i]}"
    # shellcheck disable=SC2086
    "$make_sample" --no-full $flags case$i.pef
    files+=(case$i.pef)
    wants+=("$want")
  done
  local got
  mapfile -t got < <(read_values "${files[@]}")
  for i in "${!cases[@]}"; do expect "${got[$i]}" "${wants[$i]}" "values of case ${cases[$i]%%|*}"; done
  # No warning or error about the TIFF structure, in any file.
  expect "$(exiftool -T -validate -warning -error "${files[@]}" "$camera" | sort -u)" "OK	-	-" "structure"
  expect "$(exiftool -T -Make -Model -LensType -FocusMode "$camera")" \
    "PENTAX Corporation	PENTAX *ist D	smc PENTAX-FA 50mm F1.4	AF-S (Focus-priority)" "camera.pef: names"
}

# Decodes the JPEG at byte $2 of file $1, reading no further than byte $3
# (when given), and prints its frame marker, luma sampling and PNM header.
decode_at() {
  local jpeg
  jpeg=$(mktemp -p .)
  dd if="$1" of="$jpeg" bs=1M iflag=skip_bytes,count_bytes skip="$2" count="${3:-$(size_of "$1")}" status=none
  djpeg "$jpeg" >image.pnm 2>djpeg.err || fail "djpeg failed at $2 of $1"
  [ ! -s djpeg.err ] || fail "djpeg warned at $2 of $1: $(cat djpeg.err)"
  local info frame
  info=$(djpeg -v -scale 1/8 "$jpeg" 2>&1 >/dev/null)
  frame=$(grep -E 'Start Of Frame|Component 1:' <<<"$info" | head -2 |
    sed -E 's/Start Of Frame (0x..):.*/\1/; s/ *Component 1: ([0-9]hx[0-9]v).*/\1/' | tr '\n' ' ')
  rm -f "$jpeg"
  echo "$frame$(head -c 2 image.pnm) $(sed -n 2p image.pnm)"
}

check_jpeg() {
  # The preview must decode from the bytes before 65536 alone.
  expect "$(decode_at "$camera" $preview_offset $((65536 - preview_offset)))" "0xc0 2hx2v P6 640 480" "camera preview"
  expect "$(decode_at "$camera" $full_offset)" "0xc0 2hx2v P6 3008 2008" "camera full-size"
  "$make_sample" --no-full --preview 641x481,grey,progressive,q95 variant.pef
  expect "$(decode_at variant.pef $preview_offset)" "0xc2 1hx1v P5 641 481" "grey progressive preview"
  "$make_sample" --full 640x479,q90 small-full.pef
  expect "$(decode_at small-full.pef $full_offset)" "0xc0 2hx2v P6 640 479" "small full-size"
  local jpeg_bytes
  jpeg_bytes=$(($(size_of "$camera") - full_offset))
  [ "$jpeg_bytes" -gt 2500000 ] && [ "$jpeg_bytes" -lt 3500000 ] || fail "full-size JPEG of $jpeg_bytes bytes"
}

check_layout() {
  expect "$(head -c 8 "$preview_only" | od -An -tx1 | tr -d ' \n')" "4d4d002a00000008" "TIFF header"
  expect "$(size_of "$preview_only")" 65536 "preview-only size"
  head -c $preview_offset "$camera" | grep -qaP 'AOC\x00MM' || fail "no maker-note header before the preview"

  "$make_sample" --no-full --prefix 4096 embedded.pef
  expect "$(size_of embedded.pef)" $((4096 + 65536)) "embedded size"
  tail -c +4097 embedded.pef | cmp - "$preview_only" || fail "embedded sample differs"
  head -c 4096 embedded.pef | grep -q MM && fail "prefix holds MM"

  local length
  for length in 8656 8657; do
    "$make_sample" --no-full --length $length cut.pef
    expect "$(size_of cut.pef)" $length "cut to $length"
    cmp -n $length cut.pef "$preview_only" || fail "cut to $length is no prefix"
  done
  "$make_sample" --no-full --length 1000000 padded.pef
  cmp -n 65536 padded.pef "$preview_only" || fail "padded sample differs"
  tail -c +65537 padded.pef | cmp - <(head -c $((1000000 - 65536)) /dev/zero) || fail "padding is not zeros"
  "$make_sample" --length 12371567 cut.pef
  expect "$(size_of cut.pef)" 12371567 "cut to 12371567"
  cmp -n 12371567 cut.pef "$camera" || fail "cut full sample is no prefix"
}

check_determinism() {
  "$make_sample" again.pef
  cmp again.pef "$camera" || fail "camera.pef differs between runs"
  "$make_sample" --no-full --preview 641x481,grey,progressive once.pef
  "$make_sample" --no-full --preview 641x481,grey,progressive twice.pef
  cmp once.pef twice.pef || fail "variant differs between runs"
}

# exiftool's reading of each body's file: the camera's names, how the maker
# note begins (hex), the preview's size, borders and start, the JpgFromRaw
# start ("moved": anywhere but the *istD's byte), and the sizes of the
# extracted full-size JPEG and thumbnail; the focus mode and lens the note
# gives; then what each layout case is about.
check_bodies() {
  local aoc=414f43004d4d pentax_mm=50454e54415820004d4d pentax_ii=50454e54415820004949
  # "MM" over a count of 7 little-endian entries.
  local mm_over_ii=${pentax_mm}0700
  local cases=(
    "istd-directories|PENTAX Corporation|PENTAX *ist D|$aoc|640x480|26 26 0 0|8640|$full_offset|3008x2008"
    "istd-moved|PENTAX Corporation|PENTAX *ist D|$aoc|640x480|26 26 0 0|69632|moved|3008x2008"
    "k10d|PENTAX Corporation|PENTAX K10D|$aoc|640x480|26 26 0 0|12288|moved|3872x2592"
    "k5|PENTAX Corporation|PENTAX K-5|$pentax_mm|640x480|28 28 0 0|12288|moved|4928x3264"
    "k3|PENTAX RICOH IMAGING|PENTAX K-3|$pentax_ii|1024x768|43 44 0 0|73728|moved|6016x4000"
    "k1|RICOH IMAGING COMPANY, LTD.|PENTAX K-1|$pentax_mm|1280x960|53 53 0 0|73728|moved|7360x4912"
    "645z|RICOH IMAGING COMPANY, LTD.|PENTAX 645Z|$aoc|1280x960|-|12288|moved|8256x6192"
    "k3-far|PENTAX RICOH IMAGING|PENTAX K-3|$pentax_ii|1024x768|43 44 0 0|81920|moved|6016x4000"
    "k5-preview-8640|PENTAX Corporation|PENTAX K-5|$pentax_mm|640x480|28 28 0 0|$preview_offset|moved|4928x3264"
    "k5-thumbnail-8640|PENTAX Corporation|PENTAX K-5|$pentax_mm|640x480|28 28 0 0|16384|moved|4928x3264"
    "k10d-full-8640|PENTAX Corporation|PENTAX K10D|$aoc|640x480|26 26 0 0|2097152|$preview_offset|3872x2592"
    "k10d-app1-preview|PENTAX Corporation|PENTAX K10D|$aoc|640x480|26 26 0 0|12288|moved|3872x2592"
    "k10d-app5-frame|PENTAX Corporation|PENTAX K10D|$aoc|640x480|26 26 0 0|12288|moved|3872x2592"
    "k10d-short-borders|PENTAX Corporation|PENTAX K10D|$aoc|640x480|26 26 0 0|12288|moved|3872x2592"
    "k30-mm-mark|PENTAX RICOH IMAGING|PENTAX K-30|$mm_over_ii|640x480|28 28 0 0|12288|moved|4928x3264"
  )
  local line body make model note size borders start full_at full pef got files=()
  for line in "${cases[@]}"; do
    IFS='|' read -r body make model note size borders start full_at full <<<"$line"
    pef=$samples/$body.pef
    files+=("$pef")
    got=$(exiftool -T -f -Make -Model -PreviewImageSize -PreviewImageBorders -PreviewImageStart -FocusMode \
      -LensType "$pef")
    expect "$got" "$make	$model	$size	$borders	$start	AF-S (Focus-priority)	smc PENTAX-FA 50mm F1.4" \
      "$body: names, preview and note"
    got=$(exiftool -b -MakerNotes "$pef" | od -An -tx1 -N12 | tr -d ' \n')
    [[ $got == "$note"* ]] || fail "$body: maker note begins $got, expected $note"
    got=$(exiftool -s3 -JpgFromRawStart "$pef")
    if [ "$full_at" = moved ]; then [ "$got" != "$full_offset" ] || fail "$body: JpgFromRaw did not move"
    else expect "$got" "$full_at" "$body: JpgFromRaw start"; fi
    expect "$(exiftool -b -JpgFromRaw "$pef" | exiftool -s3 -ImageSize -)" "$full" "$body: JpgFromRaw size"
    expect "$(exiftool -b -ThumbnailImage "$pef" | exiftool -s3 -ImageSize -)" 160x120 "$body: thumbnail size"
  done
  # The note and IFD1 and IFD2 lie beyond the first 64 KiB: the first byte
  # exiftool dumps of each (the note's mark, the directories' first values).
  local at
  for at in $(exiftool -v3 "$samples/k3-far.pef" | grep -A3 -E 'MakerNotePentax|IFD[12] directory' |
    grep -oE '^[ |]+[0-9a-f]+:' | tr -d ' |:'); do
    [ $((16#$at)) -ge 65536 ] || fail "k3-far: a directory at 0x$at"
  done
  expect "$(exiftool -s3 -ThumbnailOffset "$samples/k5-thumbnail-8640.pef")" $preview_offset "k5-thumbnail-8640"
  expect "$(exiftool -b -JpgFromRaw "$samples/k10d-app1-preview.pef" | exiftool -b -ThumbnailImage - |
    exiftool -s3 -ImageSize -)" 640x480 "k10d-app1-preview: the JPEG in the full-size JPEG's APP1"
  # SOI, then APP5 (FF E5, 21 bytes) holding a frame header of 6136 x 8256.
  expect "$(exiftool -b -PreviewImage "$samples/k10d-app5-frame.pef" | od -An -tx1 -N15 | tr -d ' \n')" \
    ffd8ffe50015ffc000110817f82040 "k10d-app5-frame: the preview's first segment"
  exiftool -v2 "$samples/k10d-short-borders.pef" | grep -A1 ' PreviewImageBorders = ' | grep -q 'int16u\[4\]' ||
    fail "k10d-short-borders: the borders are not SHORT[4]"
  # The value flags apply to a body too; the layout flags do not.
  "$make_sample" --body k3 --iso 800 iso.pef
  expect "$(exiftool -s3 -ISO iso.pef)" 800 "k3: --iso"
  expect "$(exiftool -T -validate -warning -error "${files[@]}" | sort -u)" "OK	-	-" "bodies' structure"
  ! "$make_sample" --body k5 --no-full refused.pef 2>/dev/null || fail "--body took a layout flag"
  check_dngs
}

# The in-camera DNG layouts: a little-endian TIFF, the JPEG previews in the
# SubIFDs (PreviewImage; JpgFromRaw in a third SubIFD), a PENTAX body's
# note in DNGPrivateData read with the camera's values, another maker's
# file with the EXIF values only.
check_dngs() {
  local pentax="AF-S (Focus-priority)	smc PENTAX-FA 50mm F1.4" ricoh="RICOH IMAGING COMPANY, LTD."
  local camera="200 50 75 0.008 5.6 -0.3333333333 3 5 0 16"
  local cases=(
    "k10d-dng|PENTAX Corporation|PENTAX K10D|3872x2592|-|$pentax|$camera 16 5 4 1"
    "k5-dng|PENTAX Corporation|PENTAX K-5|4928x3264|-|$pentax|$camera 16 5 4 1"
    "k3iii-dng|$ricoh|PENTAX K-3 Mark III|1024x683|6192x4128|$pentax|$camera 16 5 4 1"
    "k1-dng|$ricoh|PENTAX K-1|7360x4912|-|$pentax|$camera 16 5 4 1"
    "645z-dng|$ricoh|PENTAX 645Z|8256x6192|-|$pentax|$camera 16 5 4 1"
    "other-dng|Leica Camera AG|LEICA M (Typ 240)|1280x854|-|-	-|$camera - - 1"
  )
  local line body make model preview full note values dng files=()
  for line in "${cases[@]}"; do
    IFS='|' read -r body make model preview full note values <<<"$line"
    dng=$samples/$body.dng
    files+=("$dng")
    expect "$(exiftool -T -f -Make -Model -DNGVersion -ExifByteOrder -FocusMode -LensType "$dng")" \
      "$make	$model	1.4.0.0	Little-endian (Intel, II)	$note" "$body: names and note"
    expect "$(read_values "$dng")" "$values" "$body: values"
    expect "$(exiftool -b -PreviewImage "$dng" | exiftool -s3 -ImageSize -)" "$preview" "$body: PreviewImage"
    if [ "$full" = - ]; then expect "$(exiftool -b -JpgFromRaw "$dng" | wc -c)" 0 "$body: JpgFromRaw"
    else expect "$(exiftool -b -JpgFromRaw "$dng" | exiftool -s3 -ImageSize -)" "$full" "$body: JpgFromRaw"; fi
  done
  expect "$(exiftool -T -validate -warning -error "${files[@]}" | sort -u)" "OK	-	-" "DNGs' structure"
}

"check_$mode"
echo "PASS: $mode"

#!/bin/sh
# Reads the built DLL as the host's loader sees it: the eight exports under
# their undecorated names and no others; each export's code up to its first
# `ret N` removing exactly its arguments (stdcall); every import on the
# reviewed list of functions the oldest supported Windows has; libjpeg-turbo's
# SIMD code for both inverse DCTs linked in.
# usage: check_dll.sh tarnik.spi ALLOWED_IMPORTS
set -u
dll=$1
allowed=$2
objdump=i686-w64-mingw32-objdump
passed=0
failed=0
verdict() {  # verdict OK|FAIL message
  if [ "$1" = OK ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}

headers=$($objdump -p "$dll") || { echo "cannot read $dll"; exit 1; }
base=$(echo "$headers" | awk '$1 == "ImageBase" { print $2 }')
# "[ i] +base[ n] RVA Export RVA" and "[ i] Name" joined on the index i.
exports=$(echo "$headers" | awk '
  /^Export Address Table --/ { table = "rva"; next }
  /^\[Ordinal\/Name Pointer\] Table/ { table = "name"; next }
  /^$/ { table = "" }
  table == "rva" && /Export RVA/ { gsub(/[][]/, " "); rva[$1] = $4 }
  table == "name" { gsub(/[][]/, " "); name[$1] = $2 }
  END { for (i in name) print name[i], rva[i] }' | sort)

# Export, then the bytes of arguments its `ret` removes.
expected="GetArchiveInfo 16
GetFile 24
GetFileInfo 20
GetPicture 28
GetPictureInfo 16
GetPluginInfo 12
GetPreview 28
IsSupported 8"

names=$(echo "$exports" | awk '{ print $1 }')
if [ "$names" = "$(echo "$expected" | awk '{ print $1 }')" ]; then verdict OK; else
  verdict FAIL "exported names are: $(echo $names)"; fi

rets=$(echo "$expected" | while read -r name bytes; do
  rva=$(echo "$exports" | awk -v n="$name" '$1 == n { print $2 }')
  [ -n "$rva" ] || { echo "FAIL $name is not exported"; continue; }
  start=$(printf '0x%x' $((0x$base + 0x$rva)))
  ret=$($objdump -d --start-address="$start" --stop-address=$((start + 4096)) "$dll" |
        awk '$0 ~ /\tret/ { print $NF; exit }')
  if [ "$ret" = "$(printf '$0x%x' "$bytes")" ]; then echo "OK $name: ret $ret"; else
    echo "FAIL $name: first ret is '${ret:-none}', expected ret \$$bytes"; fi
done)
while read -r result message; do
  [ "$result" = OK ] && echo "$message"
  verdict "$result" "$message"
done <<END
$rets
END

# "DLL Name: X" starts X's imports, each "\tVMA\tHINT NAME" under it.
imports=$(echo "$headers" | awk '/DLL Name:/ { dll = toupper($3); next }
  dll && /^\t[0-9a-f]+\t/ { print dll, $NF }' | sort)
[ -n "$imports" ] || verdict FAIL "no imports read"
unlisted=$(echo "$imports" | awk 'NR == FNR { listed[$0]; next } !($0 in listed)' "$allowed" -)
if [ -z "$unlisted" ]; then verdict OK; else
  verdict FAIL "imports not on the reviewed list: $(echo $unlisted)"; fi
symbols=$(i686-w64-mingw32-nm "$dll")
for simd in _jsimd_idct_float_sse2 _jsimd_idct_ifast_sse2 _jsimd_ycc_rgb_convert_avx2; do
  if echo "$symbols" | grep -q " T $simd\$"; then verdict OK; else verdict FAIL "no $simd"; fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

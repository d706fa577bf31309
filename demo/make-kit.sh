#!/usr/bin/env bash
# Makes the demo kit: usage: demo/make-kit.sh KITTOOL OUTDIR
# The sources are generated (text, tables with the 194-byte data-file
# header, and already-compressed bytes that the kit stores plain), then the
# kit tool writes CATALOG.DAT and small volume files into OUTDIR.
set -euo pipefail
kittool=$(realpath "$1")
out=$2
here=$(cd "$(dirname "$0")" && pwd)
src="$out.src"
rm -rf "$src" "$out"
mkdir -p "$src/base/data" "$src/volk" "$src/samples"

cp "$here/src/README.TXT" "$src/base/README.TXT"
cp "$here/src/VELK.CFG" "$src/base/VELK.CFG"

# A data file: a 194-byte header (193 characters and a line feed), then records.
table() {
  local name=$1 records=$2 seed=$3
  printf '%-193s\n' "VELK DATA FILE $name  records=$records  format=1  (header: 194 bytes, skipped by tallyfile)"
  awk -v n="$records" -v s="$seed" 'BEGIN {
    x = s
    for (i = 1; i <= n; i++) {
      x = (x * 1103515245 + 12345) % 2147483648
      printf "%06d %10d %8.3f %s\n", i, x % 100000, (x % 1000000) / 977.0, (x % 3 ? "VELK" : "VOLK")
    }
  }'
}
table TABLE1 4000 1 > "$src/base/data/TABLE1.DAT"
table TABLE2 2500 2 > "$src/volk/TABLE2.DAT"
table SAMPLE 300 3 > "$src/samples/SAMPLE.DAT"
# Bytes that do not compress: the kit stores them plain.
seq 1 30000 | gzip -9 -n > "$src/volk/ARCHIVE.GZ"
: > "$src/volk/EMPTY.LOG"

cat > "$src/kit.txt" <<'DESC'
type VELK & VOLK
licensee Demonstration licence - not for resale
kit VELK & VOLK 2.1 demonstration kit
prefix DEMO

package velk /velk yes
tree base

package volk /volk yes
tree volk

package samples /velk/samples no
tree samples
DESC

"$kittool" build -o "$out" --volume-size 50000 "$src/kit.txt"
rm -rf "$src"

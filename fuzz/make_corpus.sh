#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.
# The seeds are small kits, catalogs, streams and names that reach each
# target's main paths; the fuzzer finds the rest. Run it again after
# changing a seed; the files it writes are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf corpus
mkdir -p corpus/fuzz_catalog corpus/fuzz_lzw corpus/fuzz_fnexp corpus/fuzz_install

pad() { printf '%-*s\n' "$1" "$2"; }
header() {  # the five header lines, volume prefix VOL
  pad 20 "TEST KIT"; pad 40 "Test Licensee Ltd"; echo 1; pad 40 "Test kit 1.0"; pad 20 "VOL"
}
seed() { cat > "corpus/$1/$2"; }

# --- catalogs -------------------------------------------------------------
{ header; printf '2\nbase /base 1 100\nextra /base/extra 0 20\n'
  printf '0 0 5 5 1 0 0 a.txt\n0 1 4 6 1 5 0 sub/b.txt\n1 0 3 3 2 0 0 c\\d.txt\n'; } | seed fuzz_catalog sound
{ header; printf '1\nbase /base 1 5\n0 0 5 5 1 0 0 a.txt\n'; } | sed 's/$/\r/' | { cat; printf '\x1a trailing'; } |
  seed fuzz_catalog crlf_ctrlz
{ header; echo 15; for i in $(seq 0 14); do echo "p$i /p$i 1 $i"; done; echo '14 0 1 1 1 0 0 x'; } |
  seed fuzz_catalog fifteen_packages
{ header; printf '1\nbase /base 1 5\n0 0 5 5 1 0 0 ../x\n0 0 2147483648 5 1 0 0 a\n'; } | seed fuzz_catalog climbing_and_wide
{ pad 20 "SHORT"; printf 'x\n-7\n  kit\nVOL\n'; } | seed fuzz_catalog short_header
printf '' | seed fuzz_catalog empty

# --- LZW streams: control byte, two limit bytes, chunk seed, earlier length
# then the earlier stream and the stream under test ---------------------------
printf '\x00\x00\x00\x01\x00\x04\x10\x42\x10\x0f\xff' | seed fuzz_lzw abab
printf '\x00\x00\x00\x07\x00\x04\x11\x00\xff\xf0' | seed fuzz_lzw aaa_next_code
printf '\x02\x03\x00\x05\x00\x04\x10\x42\x10\x0f\xff' | seed fuzz_lzw limit_three
# An earlier stream defines 256 and 257; the next one reads them stale.
printf '\x00\x00\x00\x02\x06\x04\x10\x42\x10\x0f\xff\x04\x11\x01\x10\x2f\xff' | seed fuzz_lzw stale_entries
printf '\x00\x00\x00\x03\x00\x05\x41\x00\x10\x11\x02\x10\x31\x04\x10\x51\x06\xff\xf0' | seed fuzz_lzw growing_run
printf '\x01\xff\xff\x09\x00\xde\xad\xbe\xef\x00\x11\x22\x33\x44' | seed fuzz_lzw garbage

# --- fnexp: argument, VELK, another name and its value, NUL-separated ---------
printf 'data.dat' | seed fuzz_fnexp plain
printf '  da\tta.dat\r\n' | seed fuzz_fnexp white
printf '$VELK/data.dat' | seed fuzz_fnexp velk_unset
printf '$VELK/data.dat\0/opt/kit' | seed fuzz_fnexp velk_set
printf '$KIT_DIR/a.dat\0\0KIT\0/k' | seed fuzz_fnexp other_variable
printf '$ABCDEFGHIJKLMNOPQRSTUVWXY/x\0\0ABCDEFGHIJKLMNOPQRST\0/v' | seed fuzz_fnexp long_name
printf '$VELK/%0120d' 0 | seed fuzz_fnexp near_the_limit

# --- whole kits: catalog, volume 1, volume 2, answers, each ended by "@@" -------
sep=$'\n@@\n'
{ header; printf '1\nbase /base 1 16\n0 0 5 5 1 0 0 a.txt\n0 0 7 7 1 5 0 sub/b.txt\n0 1 4 6 2 0 0 c.txt\n'
  printf '%s' "$sep"; printf 'helloworld!!'; printf '%s' "$sep"; printf '\x04\x10\x42\x10\x0f\xff'
  printf '%s' "$sep"; printf 'e\n\n\n\n\n'; } | seed fuzz_install stored_and_compressed
{ header; printf '1\nbase /base 1 9\n0 0 9 9 1 3 0 across\n'
  printf '%s' "$sep"; printf 'xyzabcdef'; printf '%s' "$sep"; printf 'ghi'; printf '%s' "$sep"; printf 'e\n\n\n\n'; } |
  seed fuzz_install across_volumes
{ header; printf '1\nbase /base 1 9\n0 0 3 3 1 0 0 ok\n0 0 3 3 3 0 0 later\n'
  printf '%s' "$sep"; printf 'abc'; printf '%s' "$sep"; printf '%s' "$sep"; printf 'e\n\n\nxx'; } |
  seed fuzz_install missing_volume
{ header; printf '2\nbase /base 1 9\nalt base2 1 3\n0 0 3 3 1 0 0 a\\..\\..\\x\n1 1 10 6 1 0 0 y\n'
  printf '%s' "$sep"; printf '\x04\x11\x00\xff\xf0'; printf '%s' "$sep"; printf '%s' "$sep"; printf 'e\ny\n\ny\n\nyn\n'; } |
  seed fuzz_install climbing_name

#!/usr/bin/env bash
# The programs against the standard tools that move the same bytes: builds
# large kits with kittool, installs them, runs dd, cp, gzip -d, compress and
# cksum on the same data, and prints every figure beside its yardstick, with
# the ratio and the target. Medians of several runs, page cache warm.
#
# usage: bench/run.sh [--quick]
#   --quick    small sizes and 3 runs, to see that it all works (~1 minute)
# Environment:
#   BUILD      build folder (default: build-bench in the repository, made
#              RelWithDebInfo like the README's build)
#   RUNS       runs per figure (default 5; 3 with --quick)
#   STORED_MB, TEXT_MB, TALLY_MB   data sizes (default 512, 256, 1024)
#   TMPDIR     where the data goes (needs about 4 times STORED_MB free)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
quick=0
if [ "${1:-}" = --quick ]; then quick=1; shift; fi
[ $# -eq 0 ] || { echo "usage: bench/run.sh [--quick]" >&2; exit 2; }

if [ "$quick" = 1 ]; then
    runs=${RUNS:-3}; stored_mb=${STORED_MB:-64}; text_mb=${TEXT_MB:-32}; tally_mb=${TALLY_MB:-128}
else
    runs=${RUNS:-5}; stored_mb=${STORED_MB:-512}; text_mb=${TEXT_MB:-256}; tally_mb=${TALLY_MB:-1024}
fi
build=${BUILD:-$root/build-bench}

KIT_NEED_BENCH=1 "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
fi
cmake --build "$build" -j"$(nproc)" --target install_program kittool tallyfile > /dev/null
install_bin=$build/installer/install
kittool=$build/kittool/kittool
tallyfile=$build/checksum/tallyfile

work=$(mktemp -d "${TMPDIR:-/tmp}/kitbench.XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
${CXX:-g++} -O2 -o "$work/textgen" "$root/bench/textgen.cpp"

# --- helpers ---------------------------------------------------------------

# median_time PREPARE COMMAND...: runs PREPARE (untimed, a shell snippet),
# then the command, `runs` times; prints the median wall time in seconds.
median_time() {
    local prepare=$1; shift
    local start end
    for _ in $(seq "$runs"); do
        eval "$prepare"
        start=$(date +%s%N)
        "$@"
        end=$(date +%s%N)
        echo "$(( end - start ))"
    done | sort -n | awk '{ a[NR] = $1 } END { printf "%.4f\n", a[int((NR + 1) / 2)] / 1e9 }'
}

# row LABEL SECONDS MB: one line of a table, with the throughput.
row() { awk -v l="$1" -v t="$2" -v mb="$3" 'BEGIN { printf "  %-42s %8.3f s %8.0f MB/s\n", l, t, mb / t }'; }

# verdict TEXT VALUE OP LIMIT: "TEXT: VALUE (target OP LIMIT) met|MISSED".
verdict() {
    awk -v text="$1" -v v="$2" -v op="$3" -v lim="$4" 'BEGIN {
        ok = (op == "<=") ? v <= lim : v >= lim
        printf "  %s: %.2f (target %s %s) %s\n", text, v, op, lim, ok ? "met" : "MISSED" }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f\n", a / b }'; }

warm() { cat "$@" > /dev/null; }

# make_kit DIR VOLUME_SIZE MODE SOURCE_DIR: a one-package kit, selected by
# default, holding every file of SOURCE_DIR.
make_kit() {
    local dir=$1 volume=$2 mode=$3 src=$4
    mkdir -p "$dir"
    cat > "$dir.txt" <<EOF
type Benchmark kit
licensee Nobody
kit Benchmark kit
prefix DISK
package DATA /data yes
tree $src
EOF
    "$kittool" build -o "$dir" --volume-size "$volume" "$mode" "$dir.txt" > /dev/null
}

# install_kit KIT DEST: the scripted installation, its dialogue into a file.
install_kit() {
    (cd "$1" && printf 'e\n\n\n\n' | "$install_bin" "$2" > "$work/install.out")
}
clear_dest() { chmod -R u+w "$work/dest" 2>/dev/null || true; rm -rf "$work/dest"; mkdir -p "$work/dest"; }
check_install() {
    # The run must have ended normally and installed every byte.
    grep -q 'Benchmark kit' "$work/install.out" || { echo "install did not run as expected" >&2; exit 1; }
    diff -r "$1" "$work/dest/data" > /dev/null || { echo "installed files differ from $1" >&2; exit 1; }
}

# copy_volumes TOOL KIT OUT: every volume file of KIT copied into OUT.
dd_volumes() { for v in "$1"/DISK*.DAT; do dd if="$v" of="$2/${v##*/}" bs=16384 status=none; done; }
cp_volumes() { cp "$1"/DISK*.DAT "$2/"; }
clear_copy() { rm -rf "$work/copy"; mkdir -p "$work/copy"; }

peak_kb() { /usr/bin/time -f %M -o "$work/rss" "$@" > /dev/null; cat "$work/rss"; }

echo "kit benchmark: $runs runs per figure, medians; build $build"
echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo);" \
     "data in $work ($(df -h "$work" | awk 'NR == 2 { print $1 }'))"

# --- 1. stored extraction ----------------------------------------------------

echo
echo "1. Stored extraction: $stored_mb MB of incompressible files"
mkdir -p "$work/random"
file_mb=$(( stored_mb >= 64 ? 64 : stored_mb ))
for i in $(seq 1 $(( stored_mb / file_mb ))); do
    head -c $(( file_mb * 1048576 )) /dev/urandom > "$work/random/part$i.bin"
done
make_kit "$work/kit-big" 134217728 --store "$work/random"
make_kit "$work/kit-144" 1457664 --store "$work/random"
for kit in big 144; do
    case $kit in big) what="128 MB volumes";; 144) what="1.44 MB volumes ($(ls "$work/kit-144"/DISK*.DAT | wc -l) files)";; esac
    warm "$work/kit-$kit"/DISK*.DAT
    clear_dest; install_kit "$work/kit-$kit" "$work/dest"; check_install "$work/random"
    t_install=$(median_time clear_dest install_kit "$work/kit-$kit" "$work/dest")
    t_dd=$(median_time clear_copy dd_volumes "$work/kit-$kit" "$work/copy")
    t_cp=$(median_time clear_copy cp_volumes "$work/kit-$kit" "$work/copy")
    echo " $what"
    row "install (scripted, dialogue to a file)" "$t_install" "$stored_mb"
    row "dd bs=16384 of the volume files" "$t_dd" "$stored_mb"
    row "cp of the volume files" "$t_cp" "$stored_mb"
    verdict "install / dd time" "$(ratio "$t_install" "$t_dd")" "<=" 1.2
    verdict "install / cp time (stretch)" "$(ratio "$t_install" "$t_cp")" "<=" 2
done
clear_copy

# --- 2. compressed extraction ------------------------------------------------

echo
echo "2. Compressed extraction: $text_mb MB of text-like data"
mkdir -p "$work/text"
file_mb=$(( text_mb >= 64 ? 64 : text_mb ))
for i in $(seq 1 $(( text_mb / file_mb ))); do
    "$work/textgen" $(( file_mb * 1048576 )) > "$work/text/part$i.txt"
    # Every file its own text, so no file is a copy of another.
    sed -i "s/^/$i /" "$work/text/part$i.txt"
done
text_bytes=$(cat "$work/text"/* | wc -c)
text_mb_real=$(awk -v b="$text_bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
warm "$work/text"/*

# 5 first, as it makes the kit: kittool build against compress -b12.
build_kit() { rm -rf "$work/kit-text"; make_kit "$work/kit-text" 134217728 --compress "$work/text"; }
mkdir -p "$work/z"
compress_all() { for f in "$work/text"/*.txt; do compress -b12 -c "$f" > "$work/z/${f##*/}.Z"; done; }
t_build=$(median_time : build_kit)
t_compress=$(median_time : compress_all)

warm "$work/kit-text"/DISK*.DAT "$work/z"/*.Z
clear_dest; install_kit "$work/kit-text" "$work/dest"; check_install "$work/text"
expand_gzip() { for f in "$work/z"/*.Z; do gzip -dc "$f" > "$work/copy/${f##*/}.out"; done; }
expand_ncompress() { for f in "$work/z"/*.Z; do compress -dc "$f" > "$work/copy/${f##*/}.out"; done; }
t_expand=$(median_time clear_dest install_kit "$work/kit-text" "$work/dest")
t_gzip=$(median_time clear_copy expand_gzip)
t_ncompress=$(median_time clear_copy expand_ncompress)
clear_copy
kit_mb=$(cat "$work/kit-text"/DISK*.DAT | wc -c | awk '{ printf "%.1f", $1 / 1048576 }')
z_mb=$(cat "$work/z"/*.Z | wc -c | awk '{ printf "%.1f", $1 / 1048576 }')
echo " $text_mb_real MB expanded; kit $kit_mb MB, compress -b12 output $z_mb MB; MB/s of expanded bytes written"
row "install (scripted, dialogue to a file)" "$t_expand" "$text_mb_real"
row "uncompress (gzip -d) of compress -b12" "$t_gzip" "$text_mb_real"
row "compress -d (ncompress) of the same" "$t_ncompress" "$text_mb_real"
verdict "install / uncompress throughput" "$(ratio "$t_gzip" "$t_expand")" ">=" 2

# --- 3. tallyfile ------------------------------------------------------------

echo
echo "3. tallyfile on a $tally_mb MB file (bench/tallyfile_bench.sh)"
TALLYFILE=$tallyfile RUNS=$runs TMPDIR=$work "$root/bench/tallyfile_bench.sh" "$tally_mb" | sed 's/^/ /' \
    | tee "$work/tally.txt"
tally_share=$(awk -F'[:%]' '/bare read throughput/ { print $2 / 100 }' "$work/tally.txt")
verdict "tallyfile / bare read throughput" "$tally_share" ">=" 0.8

# --- 4. peak memory ----------------------------------------------------------

echo
echo "4. Peak resident memory"
mkdir -p "$work/small"
head -c 1048576 /dev/urandom > "$work/small/one.bin"
make_kit "$work/kit-small" 1457664 --store "$work/small"
rss_install() { clear_dest; (cd "$1" && printf 'e\n\n\n\n' | /usr/bin/time -f %M -o "$work/rss" "$install_bin" "$work/dest" > /dev/null); cat "$work/rss"; }
rss_small=$(rss_install "$work/kit-small")
rss_big=$(rss_install "$work/kit-144")
rss_text=$(rss_install "$work/kit-text")
rss_tally=$(awk '/peak RSS/ { print $4 }' "$work/tally.txt")
printf "  %-42s %8d KB\n" "install, 1 MB stored kit" "$rss_small" \
    "install, $stored_mb MB stored kit, 1.44 MB volumes" "$rss_big" \
    "install, $text_mb_real MB compressed kit" "$rss_text" "tallyfile, $tally_mb MB file" "$rss_tally"
max_rss=$(printf '%s\n' "$rss_big" "$rss_text" "$rss_tally" | sort -n | tail -1)
verdict "largest peak, MB" "$(awk -v k="$max_rss" 'BEGIN { print k / 1024 }')" "<=" 8
verdict "install's growth from 1 MB to $stored_mb MB kit, MB" \
    "$(awk -v a="$rss_small" -v b="$rss_big" 'BEGIN { print (b - a) / 1024 }')" "<=" 0.5

# --- 5. kit building ---------------------------------------------------------

echo
echo "5. kittool build --compress of the $text_mb_real MB of text (MB/s of input)"
row "kittool build (catalog and volumes written)" "$t_build" "$text_mb_real"
row "compress -b12 (each file to a .Z file)" "$t_compress" "$text_mb_real"
verdict "kittool build / compress throughput" "$(ratio "$t_compress" "$t_build")" ">=" 1

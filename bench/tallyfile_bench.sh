#!/bin/sh
# Throughput of tallyfile on a large file held in the page cache, against a
# bare read of the same file in the same block size and against cksum, with
# tallyfile's peak resident memory.
#
# usage: bench/tallyfile_bench.sh [size_MB]      (default 1024)
# Environment: TALLYFILE (the program; default build-tally/checksum/tallyfile),
#              RUNS (runs per program, default 7), TMPDIR (where the file goes).
set -eu

size_mb=${1:-1024}
runs=${RUNS:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
tallyfile=${TALLYFILE:-$root/build-tally/checksum/tallyfile}
work=$(mktemp -d "${TMPDIR:-/tmp}/tallybench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

[ -x "$tallyfile" ] || { echo "no tallyfile at $tallyfile (build it or set TALLYFILE)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

# The baseline: read the file in blocks of 32767 bytes, the size tallyfile
# reads in, and do nothing with them.
cat > "$work/bareread.cpp" <<'CPP'
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
static unsigned char block[32767];
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) return 1;
    long long total = 0;
    for (ssize_t got; (got = read(fd, block, sizeof block)) > 0;) total += got;
    std::printf("%lld\n", total);
    return 0;
}
CPP
${CXX:-g++} -O2 -o "$work/bareread" "$work/bareread.cpp"

file=$work/data
echo "making a file of ${size_mb} MB in $work"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$file"
cat "$file" > /dev/null   # into the page cache
cat "$file" > /dev/null

# Median wall time in seconds of `runs` runs of the command (nanosecond
# clock: /usr/bin/time only counts hundredths).
median_time() {
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        echo "$(( end - start ))"
    done | sort -n | awk '{ a[NR] = $1 } END { printf "%.4f\n", a[int((NR + 1) / 2)] / 1e9 }'
}

t_bare=$(median_time "$work/bareread" "$file")
t_tally=$(median_time "$tallyfile" 0 "$file")
t_cksum=$(median_time cksum "$file")
/usr/bin/time -f "%M" -o "$work/rss" "$tallyfile" 0 "$file" > "$work/line"

awk -v mb="$size_mb" -v bare="$t_bare" -v tally="$t_tally" -v ck="$t_cksum" -v rss="$(cat "$work/rss")" \
    -v runs="$runs" 'BEGIN {
    printf "medians of %d runs, %d MB file in the page cache\n", runs, mb
    printf "  bare read (32767-byte blocks) %7.3f s  %8.0f MB/s\n", bare, mb / bare
    printf "  tallyfile                     %7.3f s  %8.0f MB/s\n", tally, mb / tally
    printf "  cksum                         %7.3f s  %8.0f MB/s\n", ck, mb / ck
    printf "  tallyfile / bare read throughput: %.0f%% (target at least 80%%)\n", 100 * bare / tally
    printf "  tallyfile / cksum throughput:     %.1fx\n", ck / tally
    printf "  tallyfile peak RSS: %d KB (limit 8192 KB)\n", rss
}'
echo "  result line: $(cat "$work/line")"

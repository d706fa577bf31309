#!/bin/sh
# usage: check_install.sh CMAKE BUILD_DIR
# Installs the build into a temporary prefix and checks the tree: the
# installer, whose name is that of the system's install(1), must not be in
# bin/ (nor anywhere but the project's own libexec directory), and neither
# may its manual page be install.1. Then the installed programs are run.
set -eu
cmake=$1
build=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install: $(cat "$work/install.log")"

# The tree.
for dir in bin sbin; do
  [ ! -e "$prefix/$dir/install" ] || fail "$dir/install exists"
done
found=$(cd "$prefix" && find . -name install -type f)
[ "$found" = "./libexec/velk/install" ] || fail "files named install: $found"
for program in libexec/velk/install bin/tallyfile bin/kittool; do
  [ -x "$prefix/$program" ] || fail "$program is missing or not executable"
done
for page in velk-install tallyfile kittool; do
  [ -f "$prefix/share/man/man1/$page.1" ] || fail "man page $page.1 is missing"
done
[ ! -e "$prefix/share/man/man1/install.1" ] || fail "install.1 would hide the system's page"
if command -v man >/dev/null 2>&1 && command -v groff >/dev/null 2>&1; then
  for page in velk-install tallyfile kittool; do
    warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null) || fail "man $page"
    [ -z "$warnings" ] || fail "man $page: $warnings"
  done
fi

# The installed programs, from a kit to a checksum.
installer=$prefix/libexec/velk/install
status=0
usage=$("$installer") || status=$?
[ "$status" = 255 ] || fail "install without arguments: status $status"
[ "$usage" = "usage: install <destination drive>" ] || fail "install without arguments printed: $usage"

mkdir -p "$work/src" "$work/dest"
printf 'abc' >"$work/src/DATA.DAT"
printf 'type VELK & VOLK\nlicensee Test\nkit Install tree test\nprefix DISK\npackage velk /velk yes\nfile DATA.DAT\n' \
  >"$work/src/kit.txt"
"$prefix/bin/kittool" build -o "$work/kit" "$work/src/kit.txt" >/dev/null || fail "kittool build"
"$prefix/bin/kittool" list --tsv "$work/kit" | grep -q "^file	0	0	DATA.DAT	" || fail "kittool list"
"$prefix/bin/kittool" verify -q "$work/kit" >/dev/null || fail "kittool verify"
(cd "$work/kit" && printf 'e\n\n\n\n' | "$installer" "$work/dest" >/dev/null) || fail "install of the kit"
result=$(VELK=$work/dest/velk "$prefix/bin/tallyfile" 0 '$VELK/DATA.DAT') || fail "tallyfile"
[ "$result" = "skip=0 bytes=3 checksum=1600086" ] || fail "tallyfile printed: $result"
echo "installed tree and programs: ok"

#!/usr/bin/env bash
# Builds the programs, makes the demo kit with the kit tool, and starts the
# installer on it into a fresh folder (demo/out/dest). Answers come from the
# terminal, or from standard input when it is not one.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs" --target install_program kittool tallyfile

out=demo/out
rm -rf "$out"
mkdir -p "$out/dest"
demo/make-kit.sh build/kittool/kittool "$out/kit"
echo "Installing the demo kit from $out/kit into $out/dest"
cd "$out/kit"
exec ../../../build/installer/install ../dest

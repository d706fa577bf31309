#!/usr/bin/env bash
# Installs what building and testing need, on a fresh Debian machine.
# Does nothing when everything is already there.
set -euo pipefail

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if [ "${KIT_NEED_FUZZ:-0}" = 1 ]; then
  command -v clang++ >/dev/null 2>&1 || need+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-dev)
fi
if [ "${KIT_NEED_BENCH:-0}" = 1 ]; then
  command -v compress >/dev/null 2>&1 || need+=(ncompress)
  [ -x /usr/bin/time ] || need+=(time)
fi

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

#!/usr/bin/env bash
# fuzz/long.sh MINUTES [TARGET...]
# The fuzz targets for longer, two at a time, each for MINUTES. The corpora
# they grow are kept in build-fuzz/long/ and carried over to the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: fuzz/long.sh MINUTES [TARGET...]}
shift
FUZZ_WORK=${FUZZ_WORK:-build-fuzz/long} FUZZ_PARALLEL=${FUZZ_PARALLEL:-2} exec fuzz/run.sh $((minutes * 60)) "$@"

#!/usr/bin/env bash
# A short run of every fuzz target over its seeds (clang-14, libFuzzer, ASan + UBSan). New
# inputs go to a scratch corpus; the folders of starting inputs are only read.
set -euo pipefail
cmake --preset fuzz
cmake --build --preset fuzz --target bmp_fuzzer
mkdir -p build/fuzz/corpus-bmp
build/fuzz/fuzz/bmp_fuzzer -max_total_time=20 -max_len=16384 -print_final_stats=1 \
  build/fuzz/corpus-bmp tests/data/bmpsuite/g tests/data/bmpsuite/q tests/data/bmpsuite/b

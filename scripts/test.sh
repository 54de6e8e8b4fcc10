#!/usr/bin/env bash
# Sets up a Debian 12 machine, then builds and runs the whole test suite twice:
# a normal build with warnings as errors (whose Debian package is then built,
# checked, installed and started), and an AddressSanitizer and
# UndefinedBehaviorSanitizer build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

"$root/scripts/build.sh" build -DMORVI_WERROR=ON
ctest --test-dir "$root/build" --output-on-failure -j2
# The Debian package: its files and dependencies, then installed and started.
"$root/scripts/check_package.sh" build

"$root/scripts/build.sh" build-asan -DMORVI_WERROR=ON -DMORVI_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j2

# Fuzz both file readers for about 30 seconds each, on copies of the seed
# corpora so that the committed seeds stay as they are.
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVI_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build "$root/build-fuzz" -j2 --target fuzz_txc fuzz_ini
for reader in txc ini; do
  corpus="$root/build-fuzz/corpus_$reader"
  rm -rf "$corpus"
  cp -r "$root/tests/files/fuzz/corpus_$reader" "$corpus"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$root/build-fuzz/tests/files/fuzz/fuzz_$reader" -max_total_time=30 "$corpus"
done

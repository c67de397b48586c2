#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan: only what they need, in
# build-fuzz) and runs each for FUZZ_SECONDS (default 15) from its seed
# corpus in fuzz/corpus. New inputs go to a scratch folder, never into the
# repository; a crash's input is kept in build-fuzz/artifacts. Exits 1 when
# the build fails or a target crashes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${FUZZ_SECONDS:-15}
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQR_BUILD_FUZZ=ON -DQR_BUILD_TESTS=OFF -DQR_BUILD_BENCH=OFF >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! cmake --build "$root/build-fuzz" -j "$(nproc)" --target qr_fuzzers >"$scratch/build.log" 2>&1; then
  cat "$scratch/build.log"
  echo "fuzz: the fuzz targets do not build"
  exit 1
fi
mkdir -p "$root/build-fuzz/artifacts"
status=0
for target in decompress round_trip package_reader name_index stub_container resources project_file \
    compact_reader; do
  mkdir "$scratch/$target"
  log="$scratch/$target.log"
  if "$root/build-fuzz/bin/${target}_fuzzer" "$scratch/$target" "$root/fuzz/corpus/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$root/build-fuzz/artifacts/$target-" >"$log" 2>&1; then
    echo "fuzz $target: $(grep -o 'Done [0-9]* runs' "$log" | tail -1) in $seconds s, no failure"
  else
    echo "fuzz $target: FAILED"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status

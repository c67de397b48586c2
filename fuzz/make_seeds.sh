#!/usr/bin/env bash
# Remakes the seed corpora of the package fuzz targets (fuzz/corpus/
# package_reader, name_index and stub_container) with the real package
# writer, from the native build (scripts/build.sh makes it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --build "$root/build" --target make_package_seeds >/dev/null
rm -rf "$root/fuzz/corpus/package_reader" "$root/fuzz/corpus/name_index" "$root/fuzz/corpus/stub_container"
"$root/build/tests/make_package_seeds" "$root/fuzz/corpus"
ls -l "$root/fuzz/corpus/package_reader" "$root/fuzz/corpus/name_index" "$root/fuzz/corpus/stub_container"
# The compact reader's seeds: zstd frames made with the zstd command line.
rm -rf "$root/fuzz/corpus/compact_reader"
python3 "$root/fuzz/make_compact_seeds.py" "$root/fuzz/corpus"

#!/usr/bin/env bash
# Makes the release archive dist/QrMaker-<version>-win64.zip: QrMaker.exe,
# qrpack.exe, install.dat (the three must stay together) and README.md.
# Builds first (incrementally). The archive is reproducible: every entry
# carries the time of the last commit and no extra attributes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/build.sh
version=$(sed -n 's/^project(QrMaker VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
bin=build/win/bin
for f in QrMaker.exe qrpack.exe install.dat; do
  [ -f "$bin/$f" ] || { echo "release: $bin/$f is missing; the Windows build did not make it" >&2; exit 1; }
done
# The tools refuse an install.dat whose digest they do not know: ship the one
# the Windows build was made with.
cmp -s "$bin/install.dat" build/bin/install.dat ||
  { echo "release: $bin/install.dat differs from build/bin/install.dat; rebuild" >&2; exit 1; }

name="QrMaker-$version-win64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
cp "$bin/QrMaker.exe" "$bin/qrpack.exe" "$bin/install.dat" README.md "$stage/$name/"
export TZ=UTC
stamp=$(git log -1 --format=%cd --date=format-local:%Y%m%d%H%M.%S 2>/dev/null || echo 202601010000.00)
find "$stage/$name" -exec touch -t "$stamp" {} +
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && find "$name" | LC_ALL=C sort | zip -X -q -@ "$root/dist/$name.zip")
echo "wrote dist/$name.zip"
unzip -l "dist/$name.zip"

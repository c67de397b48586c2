#!/usr/bin/env bash
# Builds a package with the native qrpack (Linux) for the Windows tests:
#   make_native_package.sh QRPACK OUTDIR
# writes OUTDIR/src (the source tree), OUTDIR/native_pkg.exe and the same as a
# compact package, OUTDIR/native_compact_pkg.exe.
set -euo pipefail
qrpack=$1 out=$2
rm -rf "$out"
mkdir -p "$out/src/data/子目录/深层"
seq 1 30000 > "$out/src/app.exe"
printf 'native 原生\r\n' > "$out/src/readme.txt"
seq 5 7 200000 > "$out/src/data/a.txt"
: > "$out/src/data/empty.bin"
head -c 81921 /dev/zero | tr '\0' 'q' > "$out/src/data/子目录/深层/block.bin"
cd "$out/src"
"$qrpack" build --quiet --name 原生测试 --dir QrNativePkg --publisher 发行商 --version 9.8 \
  --desktop app.exe --program-group app.exe --control-panel-icon app.exe \
  -o "$out/native_pkg.exe" app.exe readme.txt data
"$qrpack" build --quiet --name 原生紧凑 --dir QrNativeCompact --publisher 发行商 --version 9.8 \
  --compression solid --desktop app.exe -o "$out/native_compact_pkg.exe" app.exe readme.txt data

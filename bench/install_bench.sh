#!/usr/bin/env bash
# Install speed under wine: a silent install of a package (setup /S) beside
# `qrpack.exe extract` of the same package, then the same package installed
# again over it (a reinstall) and a package of the next version, with every
# file changed, over that (an upgrade), run after each other under the same
# wine server, several times; prints each run and the median ratios.
#   bash bench/install_bench.sh [runs]       (after scripts/build.sh)
# FILES and MB set the tree (default 2000 files, 20 MB in all); INSTALL_DAT
# another stub container (such as an earlier build's) to compare with, and
# QRPACK_EXE another qrpack.exe to extract with.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-5}
files=${FILES:-2000}
mb=${MB:-20}
qrpack="$root/build/bin/qrpack"
qrpack_exe=${QRPACK_EXE:-$root/build/win/bin/qrpack.exe}
wine_run="$root/cmake/wine-run.sh"
install_dat=${INSTALL_DAT:-$root/build/bin/install.dat}
for f in "$qrpack" "$qrpack_exe" "$install_dat"; do
  [[ -e $f ]] || { echo "missing $f: run scripts/build.sh first" >&2; exit 1; }
done
export QR_WINEPREFIX=${QR_WINEPREFIX:-$root/build/win/wineprefix}
export WINEPREFIX=$QR_WINEPREFIX
work=$(mktemp -d /tmp/qr_install_bench.XXXXXX)
trap '[[ -n ${KEEP:-} ]] || rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT

# The tree: files of varied sizes around the mean in 40 folders, random
# words with random bytes between them, which compresses about as much as
# the files of real programs do.
src="$work/src/App"
mkdir -p "$src"
perl -e '
  my ($src, $files, $bytes) = @ARGV;
  my $mean = int($bytes / $files);
  my @words = map { join "", map { chr(97 + int(rand(26))) } 1 .. 3 + int(rand(8)) } 1 .. 500;
  srand(1);
  for my $i (0 .. $files - 1) {
    my $dir = "$src/d" . ($i % 40);
    mkdir $dir unless -d $dir;
    my $size = int($mean / 2) + ($i * 7919) % $mean;
    my $data = "";
    while (length($data) < $size) {
      $data .= rand() < 0.7 ? $words[int(rand(@words))] . " " : pack("N", int(rand(2**32)));
    }
    open(my $f, ">", "$dir/f$i.dat") or die;
    binmode $f;
    print $f substr($data, 0, $size);
    close $f;
  }' "$src" "$files" $((mb * 1024 * 1024))
(cd "$work/src" && "$qrpack" build --quiet --name 安装速度 --dir QrInstallBench \
  --version 1.0 --install-dat "$install_dat" -o "$work/pkg.exe" App)
# Version 2: every file changed.
cp -r "$work/src" "$work/src2"
find "$work/src2/App" -type f -exec sh -c 'for f; do printf v2 >>"$f"; done' _ {} +
(cd "$work/src2" && "$qrpack" build --quiet --name 安装速度 --dir QrInstallBench \
  --version 2.0 --install-dat "$install_dat" -o "$work/pkg2.exe" App)
echo "tree: $files files, $(du -sm "$src" | cut -f1) MB; package: $(($(stat -c %s "$work/pkg.exe") / 1024 / 1024)) MB"

wineserver -p 2>/dev/null || true
"$wine_run" wineboot >/dev/null 2>&1 || true
win() { echo "Z:${1//\//\\}"; }
now() { date +%s.%N; }
target="$work/installed"
ratios=() reinstalls=() upgrades=()
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
install_pkg() {
  "$wine_run" "$1" /S "/D=$(win "$target")" </dev/null >/dev/null 2>&1 || { echo "$1 failed" >&2; exit 1; }
  [[ $(find "$target" -type f | wc -l) -eq $((files + 1)) ]] || { echo "install incomplete" >&2; exit 1; }
}
for ((r = 1; r <= runs; r++)); do
  rm -rf "$work/extracted"
  t0=$(now)
  "$wine_run" "$qrpack_exe" extract "$(win "$work/pkg.exe")" "$(win "$work/extracted")" >/dev/null 2>&1
  t1=$(now)
  install_pkg "$work/pkg.exe"
  t2=$(now)
  install_pkg "$work/pkg.exe"
  t3=$(now)
  install_pkg "$work/pkg2.exe"
  t4=$(now)
  "$wine_run" "$target/uninst.exe" /S </dev/null >/dev/null 2>&1
  for ((w = 0; w < 300 && $(find "$target" -type f 2>/dev/null | wc -l) > 0; w++)); do sleep 0.1; done
  ratios+=("$(awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {print (c - b) / (b - a)}')")
  reinstalls+=("$(awk -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {print (d - c) / (c - b)}')")
  upgrades+=("$(awk -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" 'BEGIN {print (e - d) / (c - b)}')")
  awk -v r="$r" -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" -v l="$(cut -d' ' -f1 /proc/loadavg)" \
    'BEGIN {printf "run %d: extract %.2f s, install %.2f s, reinstall %.2f s, upgrade %.2f s (load %s)\n",
            r, b - a, c - b, d - c, e - d, l}'
done
printf 'median ratio install/extract: %.2f, reinstall/install: %.2f, upgrade/install: %.2f over %d runs\n' \
  "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${reinstalls[@]}" | median)" \
  "$(printf '%s\n' "${upgrades[@]}" | median)" "$runs"

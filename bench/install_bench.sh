#!/usr/bin/env bash
# Install speed under wine: a silent install of a package (setup /S) beside
# `qrpack.exe extract` of the same package, run after each other under the
# same wine server, several times; prints each pair and the median ratio.
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
  --install-dat "$install_dat" -o "$work/pkg.exe" App)
echo "tree: $files files, $(du -sm "$src" | cut -f1) MB; package: $(($(stat -c %s "$work/pkg.exe") / 1024 / 1024)) MB"

wineserver -p 2>/dev/null || true
"$wine_run" wineboot >/dev/null 2>&1 || true
win() { echo "Z:${1//\//\\}"; }
now() { date +%s.%N; }
target="$work/installed"
ratios=()
for ((r = 1; r <= runs; r++)); do
  rm -rf "$work/extracted"
  t0=$(now)
  "$wine_run" "$qrpack_exe" extract "$(win "$work/pkg.exe")" "$(win "$work/extracted")" >/dev/null 2>&1
  t1=$(now)
  "$wine_run" "$work/pkg.exe" /S "/D=$(win "$target")" </dev/null >/dev/null 2>&1
  t2=$(now)
  [[ $(find "$target" -type f | wc -l) -eq $((files + 1)) ]] || { echo "install incomplete" >&2; exit 1; }
  "$wine_run" "$target/uninst.exe" /S </dev/null >/dev/null 2>&1
  for ((w = 0; w < 300 && $(find "$target" -type f 2>/dev/null | wc -l) > 0; w++)); do sleep 0.1; done
  ratio=$(awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {print (c - b) / (b - a)}')
  ratios+=("$ratio")
  awk -v r="$r" -v a="$t0" -v b="$t1" -v c="$t2" -v l="$(cut -d' ' -f1 /proc/loadavg)" \
    'BEGIN {printf "run %d: extract %.2f s, install %.2f s, ratio %.2f (load %s)\n", r, b - a, c - b, (c - b) / (b - a), l}'
done
printf 'median ratio install/extract: %.2f over %d runs\n' \
  "$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}')" "$runs"

#!/usr/bin/env bash
# Install speed under wine: a silent install of a package (setup /S) beside
# `qrpack.exe extract` of the same package, then the same package installed
# again over it (a reinstall) and a package of the next version, with every
# file changed, over that (an upgrade); then the same fresh install and
# upgrade with compact packages (--compression solid) of the same trees.
# The standard and the compact round take turns going first. All run after
# each other under the same wine server, several times; prints each run,
# the median ratios and the largest resident size of a compact install.
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
build() { # build SRC VERSION OUT [qrpack options]
  local src=$1 version=$2 out=$3
  shift 3
  (cd "$src" && "$qrpack" build --quiet --name 安装速度 --dir QrInstallBench \
    --version "$version" --install-dat "$install_dat" -o "$out" "$@" App)
}
build "$work/src" 1.0 "$work/pkg.exe"
build "$work/src" 1.0 "$work/pkg_c.exe" --compression solid
# Version 2: every file changed.
cp -r "$work/src" "$work/src2"
find "$work/src2/App" -type f -exec sh -c 'for f; do printf v2 >>"$f"; done' _ {} +
build "$work/src2" 2.0 "$work/pkg2.exe"
build "$work/src2" 2.0 "$work/pkg2_c.exe" --compression solid
mb_of() { awk -v b="$(stat -c %s "$1")" 'BEGIN {printf "%.1f MB", b / 1048576}'; }
echo "tree: $files files, $(du -sm "$src" | cut -f1) MB; package: $(mb_of "$work/pkg.exe"), compact: $(mb_of "$work/pkg_c.exe")"

wineserver -p 2>/dev/null || true
"$wine_run" wineboot >/dev/null 2>&1 || true
win() { echo "Z:${1//\//\\}"; }
now() { date +%s.%N; }
target="$work/installed"
ratios=() reinstalls=() upgrades=() compact_installs=() compact_upgrades=() peaks=()
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
install_pkg() {
  "$wine_run" "$1" /S "/D=$(win "$target")" </dev/null >/dev/null 2>&1 || { echo "$1 failed" >&2; exit 1; }
  [[ $(find "$target" -type f | wc -l) -eq $((files + 1)) ]] || { echo "install incomplete" >&2; exit 1; }
}
uninstall() {
  "$wine_run" "$target/uninst.exe" /S </dev/null >/dev/null 2>&1
  for ((w = 0; w < 300 && $(find "$target" -type f 2>/dev/null | wc -l) > 0; w++)); do sleep 0.1; done
}
# The standard round: extract, install, reinstall, upgrade (t0..t4).
standard_round() {
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
  uninstall
}
# The compact round: install, upgrade (c0..c2); the install's largest
# resident size (KB) as GNU time sees the wine process of setup.
compact_round() {
  c0=$(now)
  /usr/bin/time -o "$work/peak" -f %M "$wine_run" "$work/pkg_c.exe" /S "/D=$(win "$target")" \
    </dev/null >/dev/null 2>&1 || { echo "$work/pkg_c.exe failed" >&2; exit 1; }
  [[ $(find "$target" -type f | wc -l) -eq $((files + 1)) ]] || { echo "install incomplete" >&2; exit 1; }
  c1=$(now)
  install_pkg "$work/pkg2_c.exe"
  c2=$(now)
  uninstall
}
for ((r = 1; r <= runs; r++)); do
  if ((r % 2)); then standard_round; compact_round; else compact_round; standard_round; fi
  ratios+=("$(awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {print (c - b) / (b - a)}')")
  reinstalls+=("$(awk -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {print (d - c) / (c - b)}')")
  upgrades+=("$(awk -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" 'BEGIN {print (e - d) / (c - b)}')")
  compact_installs+=("$(awk -v b="$t1" -v c="$t2" -v x="$c0" -v y="$c1" 'BEGIN {print (y - x) / (c - b)}')")
  compact_upgrades+=("$(awk -v d="$t3" -v e="$t4" -v y="$c1" -v z="$c2" 'BEGIN {print (z - y) / (e - d)}')")
  peaks+=("$(cat "$work/peak")")
  awk -v r="$r" -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" -v e="$t4" -v x="$c0" -v y="$c1" -v z="$c2" \
    -v l="$(cut -d' ' -f1 /proc/loadavg)" \
    'BEGIN {printf "run %d: extract %.2f s, install %.2f s, reinstall %.2f s, upgrade %.2f s; compact install %.2f s, upgrade %.2f s (load %s)\n",
            r, b - a, c - b, d - c, e - d, y - x, z - y, l}'
done
printf 'median ratio install/extract: %.2f, reinstall/install: %.2f, upgrade/install: %.2f over %d runs\n' \
  "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${reinstalls[@]}" | median)" \
  "$(printf '%s\n' "${upgrades[@]}" | median)" "$runs"
printf 'median ratio compact/standard install: %.2f, compact/standard upgrade: %.2f; largest resident size of a compact install: %d MB\n' \
  "$(printf '%s\n' "${compact_installs[@]}" | median)" "$(printf '%s\n' "${compact_upgrades[@]}" | median)" \
  "$(($(printf '%s\n' "${peaks[@]}" | sort -n | tail -n 1) / 1024))"

#!/usr/bin/env bash
# Builds zstd for the Windows programs, static, with the mingw-w64 cross
# compiler, from Debian's own source package of the libzstd-dev installed on
# this machine (the native build links that one, so both use the same
# version). Two libraries, into $QR_ZSTD_MINGW_DIR (default
# ~/.cache/qrmaker/zstd-mingw):
#   lib/libzstd.a          the full library, multi-threaded (qrpack.exe, QrMaker.exe)
#   lib/libzstd-decoder.a  the decoder alone, optimised for size (the setup program)
# and include/ with the library's headers. Nothing is done when that folder
# already holds this version.
#
# The source comes through apt in a private directory: a deb-src list derived
# from this machine's own apt sources, so no host is written here.
set -euo pipefail
out=${QR_ZSTD_MINGW_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/qrmaker/zstd-mingw}
version=$(dpkg-query -W -f='${Version}' libzstd-dev)
# Raised whenever the flags below change, so that a cached build is redone.
recipe=2
stamp="$version recipe $recipe"
if [[ -f "$out/version" && "$(cat "$out/version")" == "$stamp" &&
      -f "$out/lib/libzstd.a" && -f "$out/lib/libzstd-decoder.a" ]]; then
  exit 0
fi
echo "Building zstd $version for mingw-w64 into $out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/archives/partial"
: >"$apt_dir/sources.list"
# deb822 files: every stanza that lists the type "deb" gets "deb-src" instead.
for f in /etc/apt/sources.list.d/*.sources; do
  [[ -f "$f" ]] || continue
  sed -E 's/^(Types:.*)\bdeb\b([^-]|$)/\1deb-src\2/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
# One-line lists: each "deb" line once more as "deb-src".
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [[ -f "$f" ]] || continue
  sed -nE 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$f" >>"$apt_dir/sources.list"
done
apt_opts=(
  -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
  -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache::Archives=$apt_dir/archives"
  -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
  -o "APT::Sandbox::User=root"
)
apt-get "${apt_opts[@]}" -qq update
src="$work/src"
mkdir "$src"
# The installed version first; should no mirror serve its source, the newest
# other version the sources list.
versions=("$version")
while read -r v; do
  [[ "$v" == "$version" ]] || versions+=("$v")
done < <(apt-cache "${apt_opts[@]}" showsrc libzstd | sed -n 's/^Version: //p' | sort -urV)
fetched=
for v in "${versions[@]}"; do
  if (cd "$src" && apt-get "${apt_opts[@]}" -qq source "libzstd=$v" >/dev/null 2>"$work/source.log"); then
    fetched=$v
    break
  fi
  rm -rf "${src:?}"/*
done
[[ -n "$fetched" ]] || { cat "$work/source.log" >&2; echo "zstd-mingw: no source of libzstd could be fetched" >&2; exit 1; }
[[ "$fetched" == "$version" ]] || echo "zstd-mingw: building libzstd $fetched (the source of $version is not served)"
lib_dir=$(find "$src" -mindepth 2 -maxdepth 2 -type d -name lib | head -n 1)
[[ -n "$lib_dir" && -f "$lib_dir/zstd.h" ]] || { echo "zstd-mingw: no zstd source in $src" >&2; exit 1; }

cross=(CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar)
jobs=$(nproc)
build_variant() { # build_variant NAME make-args...
  local name=$1; shift
  make -C "$lib_dir" -s clean >/dev/null
  make -C "$lib_dir" -s -j "$jobs" "${cross[@]}" "$@" libzstd.a >"$work/make.log" 2>&1 ||
    { cat "$work/make.log" >&2; echo "zstd-mingw: building $name failed" >&2; exit 1; }
  cp "$lib_dir/libzstd.a" "$stage/lib/$name"
}
stage="$work/stage"
mkdir -p "$stage/lib" "$stage/include"
# The full library with zstd's own worker threads (the multi-threaded compressor).
build_variant libzstd.a ZSTD_LIB_DICTBUILDER=0 MOREFLAGS="-DZSTD_MULTITHREAD -ffunction-sections -fdata-sections"
# The decoder alone: no compressor, dictionary builder, legacy formats or
# error strings, compiled for size as the setup program is (no unwind tables,
# one Huffman and one sequence decoder, nothing inlined, no run-time BMI2
# variant): 38 KB instead of 84 KB in setup.exe, still decoding faster than
# the disk is written.
build_variant libzstd-decoder.a ZSTD_LIB_COMPRESSION=0 ZSTD_LIB_DICTBUILDER=0 ZSTD_LIB_DEPRECATED=0 \
  ZSTD_LEGACY_SUPPORT=0 ZSTD_STRIP_ERROR_STRINGS=1 \
  MOREFLAGS="-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-ident \
    -DZSTD_NO_TRACE -DDYNAMIC_BMI2=0 -DHUF_FORCE_DECOMPRESS_X1 -DZSTD_FORCE_DECOMPRESS_SEQUENCES_SHORT \
    -DZSTD_NO_INLINE"
cp "$lib_dir/zstd.h" "$lib_dir/zstd_errors.h" "$stage/include/"
echo "$stamp" >"$stage/version"
rm -rf "$out"
mkdir -p "$(dirname "$out")"
cp -r "$stage" "$out"

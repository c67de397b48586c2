#!/usr/bin/env bash
# Takes the README's screenshot of the setup window: builds a small package
# with the native qrpack, runs it under wine on a virtual display (no window
# manager, so the window shows without a frame) and saves the window's area
# as docs/setup-window.png. Needs both builds (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$root/docs/setup-window.png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$root/docs"
seq 1 20000 > "$work/src/notepad2.exe"
printf '欢迎使用\r\n' > "$work/src/说明.txt"
"$root/build/bin/qrpack" build --quiet --name 文本编辑器 --dir TextEditor \
  --publisher Quorin软件工作室 --version 2.1.0 --run "$work/src/notepad2.exe" \
  -o "$work/TextEditorSetup.exe" "$work/src/notepad2.exe" "$work/src/说明.txt"
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  "$1" "$2" &
  setup=$!
  sleep 12
  import -window root "$3.full.png"
  kill "$setup"
  wait "$setup" || true
' _ "$root/cmake/wine-run.sh" "$work/TextEditorSetup.exe" "$out"
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"

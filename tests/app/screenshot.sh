#!/usr/bin/env bash
# Takes the README's screenshot of the main window: runs app_window_demo.exe
# under wine on a virtual display and saves the window's area as
# docs/main-window.png. Needs a Windows build (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
demo="$root/build/win/tests/app_window_demo.exe"
out="$root/docs/main-window.png"
mkdir -p "$root/docs"
xvfb-run -a -s "-screen 0 640x520x24" bash -c '
  "$1" "$2" 25 &
  sleep 15
  import -window root -crop 516x486+0+0 "$3.full.png"
  wait
' _ "$root/cmake/wine-run.sh" "$demo" "$out"
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"

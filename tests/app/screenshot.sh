#!/usr/bin/env bash
# Takes the README's screenshots of the main window: runs app_window_demo.exe
# under wine on a virtual display and saves the window's area as
# docs/main-window.png, or at another density (dots per inch, the first
# argument, e.g. 144 for 150 %) as docs/main-window-DPI.png, in the wine
# prefix the density suite uses (its LogPixels set to DPI). Needs a Windows
# build (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
dpi=${1:-96}
demo="$root/build/win/tests/app_window_demo.exe"
out="$root/docs/main-window.png"
if [ "$dpi" != 96 ]; then
  out="$root/docs/main-window-$dpi.png"
  export QR_WINEPREFIX="$root/build/win/wineprefix-dpi"
  "$root/cmake/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$dpi" /f </dev/null >/dev/null 2>&1
fi
# The window's area at 96 dots per inch is 516 x 486 pixels.
width=$((516 * dpi / 96 + 40))
height=$((486 * dpi / 96 + 40))
mkdir -p "$root/docs"
xvfb-run -a -s "-screen 0 $((width + 120))x$((height + 80))x24" bash -c '
  "$1" "$2" 25 &
  sleep 15
  import -window root -crop "$4" "$3.full.png"
  wait
' _ "$root/cmake/wine-run.sh" "$demo" "$out" "${width}x${height}+0+0"
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"

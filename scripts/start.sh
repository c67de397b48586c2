#!/usr/bin/env bash
# Builds everything and starts the tool.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
if [ -x "$root/build/win/bin/QrMaker.exe" ] || [ -f "$root/build/win/bin/QrMaker.exe" ]; then
  exec "$root/cmake/wine-run.sh" "$root/build/win/bin/QrMaker.exe"
fi
exec "$root/build/bin/qrpack" --help

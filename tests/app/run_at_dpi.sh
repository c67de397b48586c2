#!/usr/bin/env bash
# Runs a window test program once per density: 96, 120, 144 and 192 dots per
# inch (QR_DPIS overrides the list), set as the LogPixels of a wine prefix of
# its own, so the other suites keep theirs. Each run is told its density in
# QR_EXPECT_DPI, so a run the setting did not reach fails.
# Usage: run_at_dpi.sh PROGRAM.exe [program arguments...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../cmake/wine-run.sh"
program=$1
shift
tests=$(cd "$(dirname "$program")" && pwd)
export QR_WINEPREFIX="$tests/../wineprefix-dpi"
status=0
for dpi in ${QR_DPIS:-96 120 144 192}; do
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    </dev/null >/dev/null 2>&1
  for attempt in 1 2 3 4 5 6; do
    "$run" "$tests/desktop_probe.exe" </dev/null >/dev/null 2>&1 && break
    sleep 2
  done
  echo "== $dpi dots per inch"
  QR_EXPECT_DPI=$dpi "$run" "$program" "$@" || status=1
done
WINEPREFIX=$QR_WINEPREFIX wineserver -k 2>/dev/null || true
exit $status

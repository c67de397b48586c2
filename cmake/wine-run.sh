#!/usr/bin/env bash
# Runs a Windows program under wine with a quiet, private prefix.
# QR_WINEPREFIX overrides the prefix; by default it lies in the Windows build tree.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${QR_WINEPREFIX:-$here/../build/win/wineprefix}
export WINEDEBUG=-all
# winemenubuilder would make desktop entries for every shortcut a test makes,
# and hold the shortcut's target open while it reads its icon.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
# Once per prefix: a font for the Chinese texts.
if [ ! -e "$WINEPREFIX/.qr-fonts" ]; then
  bash "$here/wine-fonts.sh" && touch "$WINEPREFIX/.qr-fonts"
fi
exec wine "$@"

#!/usr/bin/env bash
# Makes the Chinese texts of the Windows programs legible in a wine prefix
# (WINEPREFIX and the other wine variables come from wine-run.sh): copies
# WenQuanYi Zen Hei (Debian's fonts-wqy-zenhei) into the prefix's Fonts
# folder and links it behind the interface fonts, whose own glyphs are Latin
# only. Run once per prefix.
set -u
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
[ -f "$font" ] || exit 0
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
  wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-zenhei.ttc,WenQuanYi Zen Hei" /f >/dev/null 2>&1
done
# The first wine call above has made the prefix.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"

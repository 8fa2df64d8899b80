#!/usr/bin/env bash
# The installer as a school PC meets it, under Wine: a silent install, the
# guide opened in hh.exe, the program up to its login window, the demo class made, the student report
# printed to PDF with its Chinese read back, and an uninstall that leaves the
# teacher's data where it was.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${VELMORA_WINDOWS_BUILD:-$ROOT/build-windows}
source "$ROOT/scripts/common.sh"
source "$ROOT/scripts/wine.sh"
velmora_install wine64 xvfb x11-utils poppler-utils

setup=$(ls "$BUILD"/Velmora-*-setup.exe)
echo "installer: $(basename "$setup"), $(($(stat -c %s "$setup") / 1048576)) MB"
velmora_wine_prefix "$(mktemp -d /tmp/velmora-wine.XXXXXX)"
trap velmora_wine_stop EXIT
wine=$VELMORA_WINE
dir='C:\Program Files\Velmora'
folder="$WINEPREFIX/drive_c/Program Files/Velmora"

"$wine" "$setup" /S
test -f "$folder/VelmoraSQL.exe"
test -f "$folder/Help.chm"
ls "$WINEPREFIX/drive_c/users/Public/Desktop/" | grep -q "Velmora 班级学生管理.lnk"

# 帮助: the guide opens in Windows' own viewer, as the program's 帮助 opens it
# (the shell's "open" of Help.chm): an hh.exe window under the guide's title.
"$wine" start "$dir\\Help.chm" >/dev/null 2>&1 &
for _ in $(seq 60); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Velmora .*("hh.exe"' && break
    sleep 1
done
xwininfo -root -tree | grep -q '"Velmora .*("hh.exe"'
"$wine" taskkill /f /im hh.exe >/dev/null 2>&1 || true
echo "帮助 opens the guide in hh.exe"

out=$(VELMORA_QUIT_AT_LOGIN=1 timeout 180 "$wine" "$dir\\VelmoraSQL.exe" 2>/dev/null | tr -d '\r')
echo "$out"
grep -q "login window shown" <<<"$out"

VELMORA_DB_PASSWORD=adm timeout 180 "$wine" "$dir\\velmora-initdb.exe" --demo --write-config | tr -d '\r' | tail -n 2
data=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/AppData/Roaming/Velmora/VelmoraSQL' | head -n 1)
test -n "$data" && test -f "$data/dbcfg.dat"
echo "data in %APPDATA%: ${data#"$WINEPREFIX"/drive_c/}"

pdf=$WINEPREFIX-temp/report.pdf
VELMORA_PASSWORD=adm timeout 180 "$wine" "$dir\\VelmoraSQL.exe" --report-pdf "Z:${pdf//\//\\}" --user adm |
    tr -d '\r'
text=$(pdftotext "$pdf" - | tr -d ' ')
grep -q "学生信息表" <<<"$text"
grep -q "性别" <<<"$text"
echo "report printed with its Chinese text"

"$wine" "$dir\\uninstall.exe" /S
# The uninstaller runs on from a copy of itself: wait for it to finish.
for _ in $(seq 60); do
    [ -e "$folder/VelmoraSQL.exe" ] || break
    sleep 1
done
! test -e "$folder/VelmoraSQL.exe"
test -f "$data/dbcfg.dat"
echo "uninstalled; the data stays in %APPDATA%"

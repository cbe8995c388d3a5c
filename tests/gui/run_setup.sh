#!/usr/bin/env bash
# Runs one setup.exe scenario of the GUI driver under Wine, with setup.exe from
# the Windows media tree (setup.sh makes drive D: with a folder "apps" for the
# folder list): run_setup.sh STATE WIN_BUILD MEDIA SCENARIO
set -uo pipefail
STATE="$1"; WIN="$2"; MEDIA="$3"; SCENARIO="$4"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/gui_env.sh"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
[ -f "$MEDIA/setup.exe" ] || { echo "no media in $MEDIA (build the target kv_media_windows)"; exit 1; }
mkdir -p "$STATE/screenshots"
exec timeout -k 5 110 wine "$WIN/tests/gui/win32/gui_driver.exe" "$SCENARIO" \
  "$(winpath "$MEDIA/setup.exe")" "$(winpath "$WIN/tests/gui/win32/FTP.exe")" \
  "$(winpath "$STATE/screenshots")" "$(winpath "$WIN/ftp/FTP.EXE")" </dev/null

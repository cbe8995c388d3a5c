#!/usr/bin/env bash
# Runs one scenario of the GUI driver under Wine: run.sh STATE WIN_BUILD SCENARIO
set -uo pipefail
STATE="$1"; WIN="$2"; SCENARIO="$3"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/gui_env.sh"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
mkdir -p "$STATE/screenshots"
exec timeout -k 5 90 wine "$WIN/tests/gui/win32/gui_driver.exe" "$SCENARIO" \
  "$(winpath "$WIN/client/window/win32/hostxfer.exe")" "$(winpath "$WIN/tests/gui/win32/FTP.exe")" \
  "$(winpath "$STATE/screenshots")" "$(winpath "$WIN/ftp/FTP.EXE")" </dev/null

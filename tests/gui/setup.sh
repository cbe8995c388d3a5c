#!/usr/bin/env bash
# Prepares the Wine GUI tests: the ja_JP.UTF-8 locale, a Wine prefix (kept and
# reused while Wine and these settings stay the same), our own Xvfb display and
# a warm wineserver. Usage: setup.sh STATE_DIR WIN_BUILD_DIR
set -euo pipefail
STATE="$1"
WIN="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$STATE"
rm -f "$STATE/display"
source "$HERE/gui_env.sh"

# Anything left from an earlier run of ours.
"$HERE/cleanup.sh" "$STATE" || true

if [ ! -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$LOCPATH"
  localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null || [ -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]
fi

# Our own display: the first free number from 73 on.
n=73
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$STATE/xvfb.log" 2>&1 </dev/null &
echo $! >"$STATE/xvfb.pid"
echo "$n" >"$STATE/display"
export DISPLAY=":$n"
for _ in $(seq 1 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$STATE/xvfb.log"; exit 1; }

key="$(wine --version 2>/dev/null) $(cat "$HERE/setup.sh" "$HERE/settings.reg.in" | sha256sum | cut -c1-16)"
if [ ! -f "$WINEPREFIX/.kv-key" ] || [ "$(cat "$WINEPREFIX/.kv-key")" != "$key" ]; then
  echo "preparing the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  # A fresh machine builds its font cache on Wine's first start: give it time,
  # and let every helper of the first start finish before the prefix is used.
  timeout 600 wineboot -i </dev/null >"$STATE/wineboot.log" 2>&1 || true
  timeout 300 wineserver -w || true
  # A prefix whose start-up was cut short lacks Wine's own programs (the WinHelp
  # viewer among them): finish it, or say so here rather than in a later test.
  complete() { [ -f "$WINEPREFIX/.update-timestamp" ] && [ -f "$WINEPREFIX/drive_c/windows/system32/winhlp32.exe" ]; }
  if ! complete; then
    timeout 600 wineboot -u </dev/null >>"$STATE/wineboot.log" 2>&1 || true
    timeout 300 wineserver -w || true
  fi
  if ! complete; then
    echo "the Wine prefix in $WINEPREFIX is incomplete; wineboot said:"; cat "$STATE/wineboot.log"
    exit 1
  fi
  # regedit reads Japanese value names only from a UTF-16 file with a BOM.
  { printf '\xff\xfe'; sed 's/$/\r/' "$HERE/settings.reg.in" | iconv -f UTF-8 -t UTF-16LE; } >"$STATE/settings.reg"
  reg="$STATE/settings.reg"
  timeout 60 wine regedit /S "Z:${reg//\//\\}" </dev/null >/dev/null 2>&1
  for f in /usr/share/fonts/truetype/wine/marlett.ttf /usr/share/wine/fonts/marlett.ttf; do
    [ -f "$f" ] && cp "$f" "$WINEPREFIX/drive_c/windows/Fonts/" && break
  done
  timeout 60 wineserver -w || true
  echo "$key" >"$WINEPREFIX/.kv-key"
fi

# Drive D: for the setup window's drive list. Wine reads its drives when the
# wineserver starts, so the link is made before the warm server below.
mkdir -p "$STATE/drive_d/apps"
ln -sfn "$STATE/drive_d" "$WINEPREFIX/dosdevices/d:"

# A warm wineserver whose helper processes do not hold the tests' output pipes.
wineserver -k 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1
timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# A hidden window that keeps Wine's desktop open between test programs, so it
# is never closed just as the next program creates its window.
# Wait until the keeper has started the desktop process: a desktop started by
# a test would inherit that test's output pipe and hold it open.
setsid wine "$WIN/tests/gui/win32/gui_driver.exe" --hold </dev/null >/dev/null 2>&1 &
desktop_up() { LANG=C xwininfo -root -children 2>/dev/null | grep -q 'Wine desktop'; }
for _ in $(seq 1 300); do desktop_up && break; sleep 0.1; done
desktop_up || { echo "Wine's desktop did not start"; exit 1; }
sleep 0.3
echo "Wine GUI tests ready on display :$n"
